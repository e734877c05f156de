// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// One file through the plug-in, as `vosk render IN OUT` does it; the batch
// runs several at once, each with its own plug-in. Reading, metering and
// writing run on threads of their own and overlap the processing, which runs
// on the caller's thread.
#pragma once

#include "commands.h"
#include "levels.h"

#include <functional>
#include <memory>
#include <mutex>
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
    bool outputLoudnessRange = false; // for an album's range
    bool announceSettings = true;     // "set ..." as the settings apply
    bool progressBar = false; // of its own, on a terminal, for a long file
    // Called on the caller's thread with the frames written so far.
    std::function<void(long long frames)> progress;
    // Where several renders run: held around what a host calls on its main
    // thread, one plug-in at a time (loading, setting up, activating,
    // unloading), since the SDK's objects share state there. Only the
    // processing runs at once.
    std::mutex* mainThread = nullptr;
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
    std::string listening; // what a listening tool played instead of the settings' output
    double meterPeak[2] = {0, 0};
    bool clipped[2] = {false, false};
    bool integerSamples = false;
    long long clippedSamples = 0;
    long long samplesAboveFullScale = 0;
    double outputPeak = 0; // before conversion
    std::optional<LevelReport> input, output;
    std::unique_ptr<LevelMeter> outputMeter; // kept for an album's figures
};

RenderOutcome renderFile(const CommandLine& cmd, const RenderRequest& request);

// `vosk render IN... --out-dir DIR`: every file as renderFile does it, several
// at once, then the album's figures.
int runBatchRender(const CommandLine& cmd);

// The report of a render that succeeded, as notes and warnings. `perFile`: the
// short form a batch gives each file (the latency and the plug-in's meters
// are left out).
void printRenderReport(const RenderOutcome& outcome, bool perFile = false);

} // namespace vosk
