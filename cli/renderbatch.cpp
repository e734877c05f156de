// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk render IN... --out-dir DIR: an album through one setting. Each file is
// rendered as a single render would, by a plug-in instance of its own, several
// at once; a file that fails leaves nothing and stops no other.
#include "audioformat.h"
#include "batch.h"
#include "renderjob.h"
#include "hosting/fileio.h"

#include <map>
#include <mutex>

namespace vosk {
namespace {

// IN's name in DIR, with the extension of --format where it is given.
std::string outputPath(const std::string& folder, const std::string& input, const std::string& extension)
{
    std::string name = baseName(input);
    if (!extension.empty()) {
        const auto dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        name += extension;
    }
    return (folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder) + "/" + name;
}

} // namespace

int runBatchRender(const CommandLine& cmd)
{
    const std::string& folder = cmd.outDir;
    if (!isFolder(folder))
        return fail(fileExists(folder) ? "--out-dir " + folder + " is not a folder"
                                       : "--out-dir " + folder + ": no such folder");
    std::string extension, error;
    if (!cmd.format.empty() && !extensionOfFormat(cmd.format, extension, error)) return failUsage(error);
    // The settings are checked once, before any file: a setting the plug-in
    // refuses fails the batch.
    if (!preparePlugin(cmd, false)) return 1;

    const std::vector<std::string>& inputs = cmd.positional;
    const size_t count = inputs.size();
    std::vector<std::string> outputs(count), refusals(count);
    std::map<std::string, size_t> claimed;
    for (size_t i = 0; i < count; ++i) {
        if (inputs[i] == "-") {
            refusals[i] = "standard input has no name to write under; give files with --out-dir";
            continue;
        }
        outputs[i] = outputPath(folder, inputs[i], extension);
        const auto first = claimed.emplace(outputs[i], i);
        if (!first.second)
            refusals[i] = inputs[i] + " would be written to " + outputs[i] + " as well as " +
                          inputs[first.first->second] + "; render it separately";
    }

    BatchProgress progress(inputs, cmd.quiet);
    std::mutex mainThread;
    std::vector<RenderOutcome> outcomes(count);
    size_t failures = 0;
    runInOrder(
        count, jobsFor(cmd),
        [&](size_t i) {
            if (!refusals[i].empty()) {
                outcomes[i].status = 1;
                outcomes[i].error = refusals[i];
                return;
            }
            RenderRequest request;
            request.inPath = inputs[i];
            request.outPath = outputs[i];
            request.measureInput = request.measureOutput = !cmd.quiet;
            request.outputLoudnessRange = true;
            request.announceSettings = false;
            request.progress = progress.feed();
            request.mainThread = &mainThread;
            outcomes[i] = renderFile(cmd, request);
        },
        [&](size_t i) {
            progress.clear();
            const RenderOutcome& o = outcomes[i];
            if (o.status == 0) {
                printRenderReport(o, true);
                return;
            }
            ++failures;
            if (!o.error.empty()) fail(o.error);
        },
        [&] { progress.update(); });
    progress.clear();

    std::vector<const LevelMeter*> tracks;
    std::vector<std::string> names;
    const RenderOutcome* rendered = nullptr;
    for (const auto& o : outcomes) {
        if (o.status != 0) continue;
        rendered = &o;
        if (!o.outputMeter) continue;
        tracks.push_back(o.outputMeter.get());
        names.push_back(o.outPath);
    }
    if (rendered)
        note("latency %lld samples %s\n", rendered->latency, rendered->compensated ? "compensated" : "not compensated");
    if (!tracks.empty()) note("%s\n", albumLine(measureAlbum(tracks), names).c_str());
    if (failures > 0)
        return fail(std::to_string(failures) + " of " + std::to_string(count) + " files failed; nothing was written for " +
                    (failures == 1 ? "it" : "them"));
    return 0;
}

} // namespace vosk
