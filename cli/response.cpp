// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk response: an impulse through the plug-in, its magnitude and group
// delay per channel, as a plot and a table. The plot shows the impulse response
// in both phases too, whichever plays.
#include "analysis.h"
#include "commands.h"
#include "hosting/fileio.h"
#include "plot.h"

#include <memory>
#include <cstdio>

namespace vosk {

int runResponse(const CommandLine& cmd)
{
    if (!cmd.png.empty() && cmd.png == cmd.csv) return failUsage("--png and --csv name the same file");
    if (!cmd.png.empty())
        if (int r = checkPngName(cmd.png)) return r;
    // Both outputs are opened before the work, so that neither is written
    // when the other cannot be.
    std::unique_ptr<OutputFile> png, csv;
    for (auto [path, file] : {std::pair{&cmd.png, &png}, std::pair{&cmd.csv, &csv}}) {
        if (path->empty()) continue;
        if (!cmd.preset.empty() && sameFile(*path, cmd.preset)) return fail(*path + " is the preset file");
        *file = std::make_unique<OutputFile>(*path);
        if (!(*file)->ok()) return fail((*file)->error());
    }

    auto plugin = preparePlugin(cmd, true);
    if (!plugin) return 1;
    std::string error;
    Response response;
    if (!measureResponse(*plugin, cmd.rate, logFrequencies(10.0, cmd.rate / 2, 720), response, error))
        return fail(error);

    const std::string table = responseCsv(response);
    if (!png && !csv) {
        fputs(table.c_str(), stdout);
        return 0;
    }
    std::vector<uint8_t> picture;
    if (png) {
        PlotLabels labels;
        labels.title = plugin->factory().classes.empty() ? "response" : plugin->factory().classes[0].name;
        for (const auto& s : cmd.settings) labels.settings.push_back(s.key + "=" + s.value);
        if (!cmd.preset.empty()) {
            const auto slash = cmd.preset.find_last_of('/');
            labels.preset = slash == std::string::npos ? cmd.preset : cmd.preset.substr(slash + 1);
        }
        std::vector<PhaseImpulse> impulses;
        if (!measurePhaseImpulses(*plugin, cmd.rate, impulses, error)) return fail(error);
        if (!renderResponsePng(response, labels, impulses, picture, error)) return fail(error);
    }
    if (csv && !writeAll(csv->descriptor(), std::vector<uint8_t>(table.begin(), table.end()), error))
        return fail(cmd.csv + ": " + error);
    if (png && !writeAll(png->descriptor(), picture, error)) return fail(cmd.png + ": " + error);
    if (csv && !csv->commit(error)) return fail(error);
    if (png && !png->commit(error)) return fail(error);
    if (csv) note("wrote %s\n", cmd.csv.c_str());
    if (png) note("wrote %s\n", cmd.png.c_str());
    return 0;
}

} // namespace vosk
