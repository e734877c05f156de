// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Parameter settings given on the command line, resolved against the plug-in.
#pragma once

#include "hosting/hostedplugin.h"

#include <string>
#include <vector>

namespace vosk {

struct SettingRequest
{
    bool normalized = false; // --set-norm ID=VALUE; otherwise --set TITLE=TEXT
    std::string key;
    std::string value;
};

struct ResolvedSetting
{
    uint32_t id;
    double normalized;
    std::string description; // e.g. "Gain1L = 3.0 dB"
};

// Splits "KEY=VALUE"; false when there is no '=' or no key.
bool splitAssignment(const std::string& text, std::string& key, std::string& value);

// Finds a parameter by title, then by control-tag name, then by either in any
// letter case when that is unique. Null when none matches.
const ParameterDescription* findParameterByName(const HostedPlugin& plugin, const std::string& name);

// Up to five titles that look like `name`, closest first.
std::vector<std::string> closeMatches(const HostedPlugin& plugin, const std::string& name);

// What --set takes for a parameter, in the words of its display texts:
// "20 to 20000 Hz", "-oo to 12.0 dB", or the entries "Bell, Low Cut, High Cut".
std::string acceptedValues(const HostedPlugin& plugin, const ParameterDescription& parameter);

// Reads a --set value strictly: the whole text must be one of the entries or a
// number in the parameter's range, optionally with its unit and, for hertz, a
// k multiplier ("1.5kHz", "2k", "-3 dB"). False with the reason.
bool valueFromText(const HostedPlugin& plugin, const ParameterDescription& parameter, const std::string& text,
                   double& normalized, std::string& error);

// Checks every request and converts it to a normalised value. Nothing is
// applied; on the first bad request returns false with the reason.
bool resolveSettings(const HostedPlugin& plugin, const std::vector<SettingRequest>& requests,
                     std::vector<ResolvedSetting>& resolved, std::string& error);

// Applies the settings one processed block each, in order, as automation
// reaches a running plug-in: the link and the mid/side switch then act on the
// band settings after them. Starts and stops the plug-in.
bool applyInOrder(HostedPlugin& plugin, const std::vector<ResolvedSetting>& settings, std::string& error);

// A locale-independent number parse of the whole text.
bool parseNumber(const std::string& text, double& value);
bool parseInteger(const std::string& text, long long& value);

} // namespace vosk
