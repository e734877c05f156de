// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What a response does at each frequency: an impulse sent through a stereo
// processor, recorded and evaluated exactly (a direct transform) at the
// frequencies asked for. `vosk response` measures the loaded plug-in this way,
// and the editor's curve the signal path built from the controller's values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vosk {

struct ResponseCurve
{
    std::string label;
    std::vector<double> magnitudeDb;
    std::vector<double> groupDelaySamples;
};

// `count` frequencies from `low` to `high`, evenly spaced on a log scale.
std::vector<double> logFrequencies(double low, double high, int count);

// The response of the impulse response `h` at each frequency.
ResponseCurve analyseImpulse(const std::vector<float>& h, double sampleRate,
                             const std::vector<double>& freqs);

// Runs `count` samples of both channels through the processor.
using StereoProcess = std::function<void(const float* const* in, float* const* out, int32_t count)>;

// The impulse responses of both channels of a processor with `latency`, each
// long enough for the whole response around it: with left/right channels one
// impulse on both inputs, read on each output; with mid/side ones an impulse in
// the mid signal, then one in the side signal, both read on the left output.
void recordImpulseResponses(const StereoProcess& process, int64_t latency, bool midSide,
                            std::vector<float>& first, std::vector<float>& second);

// Both channels' curves of the response that the signal path plays for the
// parameters' normalised values (`values[id]` for every parameter id; one
// outside 0..1 leaves its parameter as the signal path starts), at the sample
// rate and transform length given.
struct ChannelCurves
{
    bool midSide = false;
    std::vector<double> magnitudeDb[2];
};
ChannelCurves signalPathCurves(const std::vector<double>& values, double sampleRate, int32_t fftSize,
                               const std::vector<double>& freqs);

} // namespace vosk
