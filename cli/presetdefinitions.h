// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The factory presets as data: what each one sets, in the display units that
// `--set` takes, and the response it promises. Read by the generator that writes
// the .vstpreset files at build time and by the test that checks them.
#pragma once

#include "analysis.h"
#include "settings.h"

#include <string>
#include <vector>

namespace vosk {

// "side 40 Hz < -20 dB": the curve's magnitude at a frequency, compared with a
// level; `~` means within kNearTolerance of it.
struct ResponseCheck
{
    std::string curve; // left, right, mid or side, as measureResponse labels them
    double frequency = 0;
    char relation = '~'; // '<', '>' or '~'
    double levelDb = 0;
    std::string text; // as written, for messages
};

constexpr double kNearToleranceDb = 0.5;

struct PresetDefinition
{
    std::string name;
    std::string category;
    std::vector<SettingRequest> settings; // in the file's order
    std::vector<ResponseCheck> checks;
};

// The file: a "[Name]" line opens a preset; "category = ..." and "expect ..."
// lines describe it, and every other "TITLE = VALUE" line is a setting. Blank
// lines and lines starting with '#' are skipped. False with the line at fault.
bool readPresetDefinitions(const std::string& path, std::vector<PresetDefinition>& presets,
                           std::string& error);

// Where a preset lies below a preset folder such as ~/.vst3/presets:
// <vendor>/<processor class name>/<category>/<name>.vstpreset, the names as the
// loaded plug-in's factory gives them.
std::string presetRelativePath(const HostedPlugin& plugin, const PresetDefinition& preset);

// Whether `response` meets the check; `measured` gets the level found.
bool meets(const Response& response, const ResponseCheck& check, double& measured);

} // namespace vosk
