// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis.h"

#include "hosting/hostedplugin.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vosk {

std::string responseCsv(const Response& r)
{
    std::string out = "frequency_hz";
    for (const auto& c : r.curves) out += "," + c.label + "_db";
    for (const auto& c : r.curves) out += "," + c.label + "_group_delay_ms";
    out += "\n";
    char buf[64];
    for (size_t i = 0; i < r.frequencies.size(); ++i) {
        snprintf(buf, sizeof buf, "%.3f", r.frequencies[i]);
        out += buf;
        for (const auto& c : r.curves) {
            snprintf(buf, sizeof buf, ",%.4f", c.magnitudeDb[i]);
            out += buf;
        }
        for (const auto& c : r.curves) {
            const double ms = c.groupDelaySamples[i] * 1000.0 / r.sampleRate;
            if (std::isfinite(ms))
                snprintf(buf, sizeof buf, ",%.4f", ms);
            else
                snprintf(buf, sizeof buf, ",");
            out += buf;
        }
        out += "\n";
    }
    return out;
}

namespace {

// Both channels' impulse responses as the plug-in plays them now, and its latency.
bool recordImpulses(HostedPlugin& plugin, double sampleRate, bool midSide, std::vector<float>& first,
                    std::vector<float>& second, double& latency, std::string& error)
{
    const int32_t block = 4096;
    if (!plugin.start(sampleRate, block, 2, error)) return false;
    latency = plugin.latencySamples();
    recordImpulseResponses([&plugin](const float* const* in, float* const* out,
                                     int32_t count) { plugin.process(in, out, count); },
                           static_cast<int64_t>(latency), midSide, first, second);
    plugin.stop();
    return true;
}

bool midSideOn(const HostedPlugin& plugin)
{
    return plugin.findParameter(kMidSide) && plugin.normalizedValue(kMidSide) < 0.5;
}

} // namespace

bool measurePhaseImpulses(HostedPlugin& plugin, double sampleRate, std::vector<PhaseImpulse>& impulses,
                          std::string& error)
{
    if (!plugin.findParameter(kPhase)) {
        error = "the plug-in has no Phase parameter";
        return false;
    }
    const double own = plugin.normalizedValue(kPhase);
    impulses.clear();
    bool ok = true;
    for (Phase phase : {Phase::Linear, Phase::Minimum}) {
        PhaseImpulse impulse;
        impulse.phase = kPhaseEntries[phase == Phase::Minimum ? 1 : 0];
        const bool midSide = midSideOn(plugin);
        impulse.channel = midSide ? "mid" : "left";
        plugin.setParameter(kPhase, listValueOfPhase(phase));
        std::vector<float> second;
        ok = recordImpulses(plugin, sampleRate, midSide, impulse.taps, second, impulse.latencySamples, error);
        if (!ok) break;
        impulses.push_back(std::move(impulse));
    }
    plugin.setParameter(kPhase, own);
    return ok;
}

bool measureResponse(HostedPlugin& plugin, double sampleRate, const std::vector<double>& freqs,
                     Response& response, std::string& error)
{
    const bool midSide = midSideOn(plugin);
    std::vector<float> first, second;
    double latency = 0;
    if (!recordImpulses(plugin, sampleRate, midSide, first, second, latency, error)) return false;

    response = Response{};
    response.sampleRate = sampleRate;
    response.latencySamples = latency;
    response.frequencies = freqs;
    response.curves.push_back(analyseImpulse(first, sampleRate, freqs));
    response.curves.push_back(analyseImpulse(second, sampleRate, freqs));
    response.curves[0].label = midSide ? "mid" : "left";
    response.curves[1].label = midSide ? "side" : "right";
    return true;
}

} // namespace vosk
