// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// One file through the plug-in, as `vosk render IN OUT` does it. Reading,
// metering and writing run on threads of their own and overlap the
// processing, which runs on the caller's thread.
#pragma once

#include "commands.h"
#include "levels.h"

#include <optional>
#include <string>

namespace vosk {

struct RenderRequest
{
    std::string inPath;
    std::string outPath;
    // The loudness of what goes in and comes out, measured only when reported.
    bool measureInput = false;
    bool measureOutput = false;
    bool progressBar = false; // on a terminal, for a long file
};

// What the render did, for its report.
struct RenderOutcome
{
    int status = 0;    // the exit status: 0, 1 for a failure, 2 for a wrong command line
    std::string error; // empty where the failure was reported already
    std::string outPath;
    std::string presetPath; // where --save-preset saved the settings
    long long frames = 0;
    int channels = 0;
    int rate = 0;
    std::string format;
    bool dithered = false;
    long long latency = 0;
    bool compensated = true;
    double meterPeak[2] = {0, 0};
    bool clipped[2] = {false, false};
    bool integerSamples = false;
    long long clippedSamples = 0;
    long long samplesAboveFullScale = 0;
    double outputPeak = 0; // before conversion
    std::optional<LevelReport> input, output;
};

RenderOutcome renderFile(const CommandLine& cmd, const RenderRequest& request);

// The report of a render that succeeded, as notes and warnings.
void printRenderReport(const RenderOutcome& outcome);

} // namespace vosk
