// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "source/dsp/frequencyresponse.h"

#include "common/numbers.h"
#include "source/dsp/signalpath.h"
#include "source/parametertable.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>

namespace vosk {

std::vector<double> logFrequencies(double low, double high, int count)
{
    std::vector<double> out;
    if (count < 2) return {low};
    const double ratio = std::log(high / low);
    for (int i = 0; i < count; ++i) out.push_back(low * std::exp(ratio * i / (count - 1)));
    return out;
}

ResponseCurve analyseImpulse(const std::vector<float>& h, double sampleRate, const std::vector<double>& freqs)
{
    ResponseCurve curve;
    // Only the span that holds energy matters.
    size_t first = 0, last = h.size();
    while (first < last && h[first] == 0.0f) ++first;
    while (last > first && h[last - 1] == 0.0f) --last;

    for (double f : freqs) {
        const double w = 2.0 * kPi * f / sampleRate;
        // H = sum h[n] e^{-jwn}; the group delay is Re(sum n h[n] e^{-jwn} / H).
        std::complex<double> sum = 0, weighted = 0;
        const std::complex<double> step = std::polar(1.0, -w);
        std::complex<double> rotor = std::polar(1.0, -w * static_cast<double>(first));
        for (size_t n = first; n < last; ++n) {
            // Re-anchor now and then so rounding cannot accumulate.
            if (((n - first) & 1023) == 1023) rotor = std::polar(1.0, -w * static_cast<double>(n));
            const std::complex<double> term = static_cast<double>(h[n]) * rotor;
            sum += term;
            weighted += static_cast<double>(n) * term;
            rotor *= step;
        }
        const double magnitude = std::abs(sum);
        curve.magnitudeDb.push_back(magnitude > 1e-15 ? 20.0 * std::log10(magnitude) : -300.0);
        curve.groupDelaySamples.push_back(magnitude > 1e-15 ? (weighted / sum).real() : NAN);
    }
    return curve;
}

void recordImpulseResponses(const StereoProcess& process, int64_t latency, bool midSide,
                            std::vector<float>& first, std::vector<float>& second)
{
    constexpr int32_t kBlock = 4096;
    // Long enough for the whole response around the latency, in whole blocks.
    int64_t span = std::max<int64_t>(latency * 2 + 8192, 32768);
    span = (span + kBlock - 1) / kBlock * kBlock;
    const int64_t total = midSide ? 2 * span : span;

    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    std::vector<float> recordedL, recordedR;
    recordedL.reserve(static_cast<size_t>(total));
    recordedR.reserve(static_cast<size_t>(total));
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    for (int64_t start = 0; start < total; start += kBlock) {
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        if (start == 0) inL[0] = inR[0] = 1.0f;
        if (midSide && start == span) {
            inL[0] = 1.0f;
            inR[0] = -1.0f;
        }
        process(in, out, kBlock);
        recordedL.insert(recordedL.end(), outL.begin(), outL.end());
        recordedR.insert(recordedR.end(), outR.begin(), outR.end());
    }
    first.assign(recordedL.begin(), recordedL.begin() + span);
    if (midSide)
        second.assign(recordedL.begin() + span, recordedL.end());
    else
        second.assign(recordedR.begin(), recordedR.begin() + span);
}

namespace {

// Whether a band parameter's value is the one the band already holds. The signal
// path plays a band's initial width, which its normalised value (reported to
// the host) would play as another: a value that was never changed is no change.
bool holdsBandValue(const ProcessingSettings& settings, uint32_t id, double value)
{
    for (const BandParameter& p : kBandParameters) {
        if (id < p.firstTag || id >= p.firstTag + 2 * kNumBands) continue;
        const uint32_t offset = id - p.firstTag;
        // Each group lists the right channel's four bands first.
        const int channel = offset < kNumBands ? 1 : 0;
        const int section = kFirstBand + static_cast<int>(offset % kNumBands);
        return settings.sections[channel][section].*p.norm == static_cast<float>(value);
    }
    return false;
}

} // namespace

ChannelCurves signalPathCurves(const std::vector<double>& values, double sampleRate, int32_t fftSize,
                               const std::vector<double>& freqs)
{
    auto path = std::make_unique<SignalPath>();
    // Each value as it stands: with the link off, no band drags its partner
    // along while the others are set.
    path->applyParameter(kLink, switchValue(kLink, false));
    for (uint32_t id = 0; id < values.size() && id < kNumControlTags; ++id)
        if (isParameter(id) && id != kLink && values[id] >= 0 && values[id] <= 1 &&
            !holdsBandValue(path->settings(), id, values[id]))
            path->applyParameter(id, values[id]);
    path->settings().linked = kLink < values.size() && switchIsOn(kLink, values[kLink]);
    path->prepare(sampleRate, 4096, fftSize);

    ChannelCurves curves;
    curves.midSide = path->settings().midSide;
    std::vector<float> first, second;
    recordImpulseResponses(
        [&path](const float* const* in, float* const* out, int32_t count) {
            AudioBlock block;
            block.inputs = in;
            block.numInputChannels = 2;
            block.outputs = out;
            block.numOutputChannels = 2;
            block.numSamples = count;
            path->process(block, nullptr);
        },
        path->latency(), curves.midSide, first, second);

    const double rate = path->sampleRate();
    curves.magnitudeDb[0] = analyseImpulse(first, rate, freqs).magnitudeDb;
    curves.magnitudeDb[1] = analyseImpulse(second, rate, freqs).magnitudeDb;
    return curves;
}

} // namespace vosk
