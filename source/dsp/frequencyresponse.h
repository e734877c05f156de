// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What a response does at each frequency: an impulse sent through a stereo
// processor, recorded and evaluated exactly (a direct transform) at the
// frequencies asked for. `vosk response` measures the loaded plug-in this way;
// the editor's curve reads the same response from the taps the signal path designs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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

// The magnitude in dB, at each frequency, of a linear-phase kernel: `count`
// taps centred on tap count / 2, each tap before the centre mirrored after it but
// the first, whose partner lies past the end; scaled by `gain`. A cosine series
// of the pairs, so half the work of a transform of the taps.
std::vector<double> linearPhaseMagnitudeDb(const float* taps, int32_t count, double gain, double sampleRate,
                                           const std::vector<double>& freqs);

// Both channels' curves of the response that the signal path plays for the
// parameters' normalised values (`values[id]` for every parameter id; one
// outside 0..1 leaves its parameter as the signal path starts), at the sample
// rate and transform length given.
struct ChannelCurves
{
    bool midSide = false;
    std::vector<double> magnitudeDb[2];
};

class SignalPath;

// Keeps a signal path for the rate and length last asked, so that a change
// redesigns only the sections it moves, and reads the curves from the designed
// taps: cheap enough for every tick of a dragged handle.
class SignalPathCurves
{
public:
    SignalPathCurves();
    ~SignalPathCurves();
    ChannelCurves evaluate(const std::vector<double>& values, double sampleRate, int32_t fftSize,
                           const std::vector<double>& freqs);
    // Frees the signal path; the next evaluation starts afresh.
    void release();

private:
    std::unique_ptr<SignalPath> path_;
    double sampleRate_ = 0;
};

} // namespace vosk
