// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk render: an audio file through the plug-in into a file of the same
// rate, channels and length, in the format its name asks for; or many files
// into a folder (renderbatch.cpp).
#include "commands.h"
#include "renderjob.h"

namespace vosk {

int runRender(const CommandLine& cmd)
{
    if (!cmd.outDir.empty()) return runBatchRender(cmd);
    RenderRequest request;
    request.inPath = cmd.positional[0];
    request.outPath = cmd.positional[1];
    // -q silences the loudness line and its warning: nothing to measure.
    request.measureInput = request.measureOutput = !cmd.quiet;
    request.progressBar = true;
    const RenderOutcome outcome = renderFile(cmd, request);
    if (outcome.status != 0) {
        if (!outcome.error.empty()) fail(outcome.error);
        return outcome.status;
    }
    printRenderReport(outcome);
    return 0;
}

} // namespace vosk
