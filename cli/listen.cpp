// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "listen.h"

#include "editorhost/listeninghost.h"
#include "hosting/hostedplugin.h"

#include <vector>

namespace vosk {

bool parseListen(const std::string& text, ListeningRequest& request, std::string& error)
{
    request = ListeningRequest{};
    if (text == "delta") {
        request.delta = true;
        return true;
    }
    if (text == "compare") {
        request.compare = true;
        return true;
    }
    const std::string solo = "solo:";
    if (text.size() == solo.size() + 2 && text.compare(0, solo.size(), solo) == 0) {
        const char band = text[solo.size()], channel = text[solo.size() + 1];
        if (band >= '1' && band <= '4' && (channel == 'L' || channel == 'R')) {
            request.soloBand = band - '0';
            request.soloChannel = channel == 'L' ? 0 : 1;
            return true;
        }
    }
    error = "--listen expects solo:BAND (1L to 4L, 1R to 4R), delta or compare, got \"" + text + "\"";
    return false;
}

std::string describeListen(const ListeningRequest& request)
{
    if (request.solo())
        return "band " + std::to_string(request.soloBand) + (request.soloChannel == 0 ? "L" : "R") + " soloed";
    return request.compare ? "compared at the processed loudness" : "the delta";
}

namespace {

// The whole file through the plug-in as it plays it, then as much silence as
// it delays, so that the next pass starts from nothing of this one.
bool playThrough(HostedPlugin& plugin, SNDFILE* in, int channels, int32_t block, std::string& error)
{
    std::vector<float> interleaved(static_cast<size_t>(block) * channels);
    std::vector<float> planar[2], out[2];
    for (int c = 0; c < channels; ++c) {
        planar[c].assign(static_cast<size_t>(block), 0.0f);
        out[c].assign(static_cast<size_t>(block), 0.0f);
    }
    const float* inputs[2] = {planar[0].data(), channels > 1 ? planar[1].data() : nullptr};
    float* outputs[2] = {out[0].data(), channels > 1 ? out[1].data() : nullptr};
    for (;;) {
        const sf_count_t got = sf_readf_float(in, interleaved.data(), block);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < channels; ++c)
                planar[c][static_cast<size_t>(i)] = interleaved[static_cast<size_t>(i) * channels + c];
        plugin.process(inputs, outputs, static_cast<int32_t>(got));
    }
    if (sf_error(in) != SF_ERR_NO_ERROR) {
        error = sf_strerror(in);
        return false;
    }
    for (auto& p : planar) std::fill(p.begin(), p.end(), 0.0f);
    for (long long left = plugin.latencySamples(); left > 0; left -= block)
        plugin.process(inputs, outputs, static_cast<int32_t>(std::min<long long>(left, block)));
    if (sf_seek(in, 0, SEEK_SET) != 0) {
        error = "cannot read the input a second time";
        return false;
    }
    return true;
}

} // namespace

bool startListening(HostedPlugin& plugin, const ListeningRequest& request, SNDFILE* in, int channels,
                    int32_t block, std::string& error)
{
    Steinberg::FUnknownPtr<IListeningHost> host(plugin.controller());
    if (!host) {
        error = "the plug-in has no listening tools";
        return false;
    }
    if (request.compare) {
        // As the panel asks while it shows: the processor measures from here.
        host->setLoudnessWanted(true);
        if (!playThrough(plugin, in, channels, block, error)) return false;
    }
    host->setListening(request.soloBand, request.soloChannel, request.delta, request.compare);
    return true;
}

} // namespace vosk
