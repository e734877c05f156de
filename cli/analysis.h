// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The loaded plug-in's frequency response: magnitude and group delay of its
// impulse responses at logarithmically spaced frequencies.
#pragma once

#include "source/dsp/frequencyresponse.h"

#include <string>
#include <vector>

namespace vosk {

class HostedPlugin;

struct Response
{
    double sampleRate = 0;
    double latencySamples = 0;
    std::vector<double> frequencies;
    std::vector<ResponseCurve> curves;
};

// Sends an impulse through the loaded plug-in at `sampleRate` and analyses both
// channels at `freqs`: "left" and "right", or in mid/side mode "mid" and "side"
// (one impulse in each, read on the left output). Stops the plug-in afterwards.
bool measureResponse(HostedPlugin& plugin, double sampleRate, const std::vector<double>& freqs,
                     Response& response, std::string& error);

// The impulse response of the first channel (left, or mid) in one phase, from
// the impulse's own sample on: the latency comes first.
struct PhaseImpulse
{
    const char* phase = "";   // the Phase parameter's entry
    const char* channel = ""; // "left" or "mid"
    double latencySamples = 0;
    std::vector<float> taps;
};

// The first channel's impulse response in linear and in minimum phase, in this
// order, for the settings loaded; the plug-in keeps its own phase and is left
// stopped.
bool measurePhaseImpulses(HostedPlugin& plugin, double sampleRate, std::vector<PhaseImpulse>& impulses,
                          std::string& error);

// frequency,<label> dB,...,<label> group delay ms,...
std::string responseCsv(const Response& response);

} // namespace vosk
