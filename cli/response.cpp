// vosk response: an impulse through the plug-in, its magnitude and group
// delay per channel, as a plot and a table.
#include "analysis.h"
#include "commands.h"
#include "hosting/fileio.h"
#include "source/parameterids.h"
#include "plot.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <cstdio>

namespace vosk {

int runResponse(const CommandLine& cmd)
{
    if (!cmd.png.empty() && cmd.png == cmd.csv) return failUsage("--png and --csv name the same file");
    if (!cmd.png.empty() && cmd.png != "-") {
        const auto dot = cmd.png.find_last_of("./");
        std::string extension = dot == std::string::npos ? "" : cmd.png.substr(dot);
        for (auto& c : extension) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (extension != ".png") return failUsage("--png writes a PNG picture; give a name ending in .png");
    }
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
    const int32_t block = 4096;
    std::string error;
    if (!plugin->start(cmd.rate, block, 2, error)) return fail(error);
    const double latency = plugin->latencySamples();

    // Long enough for the whole response around the latency, in whole blocks.
    int64_t span = static_cast<int64_t>(latency) * 2 + 8192;
    span = std::max<int64_t>(span, 32768);
    span = (span + block - 1) / block * block;

    // Left/right mode: one impulse on both channels gives each channel's
    // response. Mid/side mode: an impulse in the mid signal, then one in the
    // side signal, both read on the left output.
    const bool midSide = plugin->findParameter(kMidSide) && plugin->normalizedValue(kMidSide) < 0.5;
    const int64_t total = midSide ? 2 * span : span;
    std::vector<float> inL(block), inR(block), outL(block), outR(block);
    std::vector<float> recordedL, recordedR;
    recordedL.reserve(total);
    recordedR.reserve(total);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    for (int64_t start = 0; start < total; start += block) {
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        if (start == 0) inL[0] = inR[0] = 1.0f;
        if (midSide && start == span) {
            inL[0] = 1.0f;
            inR[0] = -1.0f;
        }
        plugin->process(in, out, block);
        recordedL.insert(recordedL.end(), outL.begin(), outL.end());
        recordedR.insert(recordedR.end(), outR.begin(), outR.end());
    }
    plugin->stop();

    Response response;
    response.sampleRate = cmd.rate;
    response.latencySamples = latency;
    response.frequencies = logFrequencies(10.0, cmd.rate / 2, 720);
    std::vector<float> first(recordedL.begin(), recordedL.begin() + span);
    std::vector<float> second = midSide ? std::vector<float>(recordedL.begin() + span, recordedL.end())
                                        : std::vector<float>(recordedR.begin(), recordedR.begin() + span);
    response.curves.push_back(analyseImpulse(first, cmd.rate, response.frequencies));
    response.curves.push_back(analyseImpulse(second, cmd.rate, response.frequencies));
    response.curves[0].label = midSide ? "mid" : "left";
    response.curves[1].label = midSide ? "side" : "right";

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
        if (!renderResponsePng(response, labels, picture, error)) return fail(error);
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
