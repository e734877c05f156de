// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The compatibility corpus: states and presets that shipped versions saved,
// each with the parameter values it gives and a short render of a fixed signal,
// recorded once by the module of that time (tests/corpus/index.txt lists them).
// Shared by the recorder and the test, so both load and render alike.
#pragma once

#include "hosting/hostedplugin.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vosk::corpus {

struct Entry
{
    std::string file;               // a .state (a host's project) or a .vstpreset
    std::vector<std::string> words; // how it was recorded: settings, or "head-only ..."
};

// The lines of the index: the file name, then words, "quoted" where they hold spaces.
bool readIndex(const std::string& path, std::vector<Entry>& entries, std::string& error);

// Loads a .state as a host restores a project (processor, then controller) and
// a .vstpreset as a host loads a preset.
bool load(HostedPlugin& plugin, const std::string& path, std::string& error);

using Values = std::vector<std::pair<uint32_t, double>>;
Values parameterValues(const HostedPlugin& plugin);
std::string formatValues(const Values& values);
bool parseValues(const std::string& text, Values& values);

// The last frames of a fixed stereo signal through the plug-in at 48 kHz, well
// past the filter's settling: interleaved left, right. Another transform length
// is chosen as a host's automation chooses it, and heard from the restart on.
bool render(HostedPlugin& plugin, std::vector<float>& frames, std::string& error, int32_t fftSize = 16384);

// The render of an entry at a transform length: FILE.f32 at the default, else
// FILE.<length>.f32.
std::string renderFile(const std::string& entryPath, int32_t fftSize);
constexpr int32_t kRenderedFftSizes[] = {16384, 32768, 65536};

std::vector<uint8_t> bytesOf(const std::vector<float>& samples); // little-endian
bool samplesOf(const std::vector<uint8_t>& bytes, std::vector<float>& samples);

} // namespace vosk::corpus
