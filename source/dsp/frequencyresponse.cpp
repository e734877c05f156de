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

std::vector<double> linearPhaseMagnitudeDb(const float* taps, int32_t count, double gain, double sampleRate,
                                           const std::vector<double>& freqs)
{
    // About the centre c, H(w) e^{jwc} = h[c] + sum_k (h[c + k] + h[c - k]) cos(wk),
    // plus j h[0] sin(wc) for the first tap, which has no partner; the pairs'
    // differences are rounding only. The cosine series runs by Clenshaw's
    // recurrence, for several frequencies at once so that they fill the pipeline.
    const int32_t centre = count / 2;
    std::vector<double> a(static_cast<size_t>(centre) + 1);
    a[0] = taps[centre];
    for (int32_t k = 1; k < centre; ++k) a[k] = static_cast<double>(taps[centre + k]) + taps[centre - k];
    a[static_cast<size_t>(centre)] = taps[0];

    constexpr size_t kLanes = 16;
    std::vector<double> out(freqs.size());
    for (size_t first = 0; first < freqs.size(); first += kLanes) {
        const size_t lanes = std::min(kLanes, freqs.size() - first);
        double w[kLanes] = {}, x[kLanes], twoX[kLanes], b1[kLanes] = {}, b2[kLanes] = {};
        for (size_t l = 0; l < kLanes; ++l) {
            if (l < lanes) w[l] = 2.0 * kPi * freqs[first + l] / sampleRate;
            x[l] = std::cos(w[l]);
            twoX[l] = 2.0 * x[l];
        }
        for (int32_t k = centre; k >= 1; --k) {
            const double ak = a[static_cast<size_t>(k)];
            for (size_t l = 0; l < kLanes; ++l) {
                const double b = ak + twoX[l] * b1[l] - b2[l];
                b2[l] = b1[l];
                b1[l] = b;
            }
        }
        for (size_t l = 0; l < lanes; ++l) {
            const double cosine = a[0] + x[l] * b1[l] - b2[l];
            const double sine = static_cast<double>(taps[0]) * std::sin(w[l] * centre);
            const double magnitude = std::abs(gain) * std::hypot(cosine, sine);
            out[first + l] = magnitude > 1e-15 ? 20.0 * std::log10(magnitude) : -300.0;
        }
    }
    return out;
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

SignalPathCurves::SignalPathCurves() = default;
SignalPathCurves::~SignalPathCurves() = default;

void SignalPathCurves::release()
{
    path_.reset();
}

ChannelCurves SignalPathCurves::evaluate(const std::vector<double>& values, double sampleRate,
                                         int32_t fftSize, const std::vector<double>& freqs)
{
    const bool setUp = path_ && sampleRate == sampleRate_ && fftSize == path_->fftSize();
    if (!path_) path_ = std::make_unique<SignalPath>();
    // The values on a fresh start each time, as a new processor would take them;
    // the designer still keeps every section they leave as it was.
    ProcessingSettings& settings = path_->settings();
    settings = ProcessingSettings{};
    // Each value as it stands: with the link off, no band drags its partner
    // along while the others are set.
    path_->applyParameter(kLink, switchValue(kLink, false));
    for (uint32_t id = 0; id < values.size() && id < kNumControlTags; ++id)
        if (isParameter(id) && id != kLink && values[id] >= 0 && values[id] <= 1 &&
            !holdsBandValue(settings, id, values[id]))
            path_->applyParameter(id, values[id]);
    settings.linked = kLink < values.size() && switchIsOn(kLink, values[kLink]);
    if (setUp) {
        path_->designNow();
    } else {
        path_->prepare(sampleRate, 64, fftSize);
        sampleRate_ = sampleRate;
    }

    ChannelCurves curves;
    curves.midSide = settings.midSide;
    std::vector<float> taps[kNumChannels];
    double gains[kNumChannels];
    for (int c = 0; c < kNumChannels; ++c) {
        if (settings.bypass) {
            // The bypass delay passes the input as it came.
            curves.magnitudeDb[c].assign(freqs.size(), 0.0);
            continue;
        }
        // What the path multiplies a channel by on its way in and out.
        const bool gainSilent = static_cast<double>(settings.inputGain) < 0.0000001;
        const float channelGain =
            static_cast<float>(settings.channelEnabled[c]) * settings.inputGain * settings.channelGain[c];
        const double matrix =
            settings.midSide ? 2.0 * SignalPath::kMatrixGain * SignalPath::kMatrixGain : 1.0;
        gains[c] = gainSilent ? 0.0 : channelGain * matrix;
        taps[c] = path_->kernelTaps(c);
        if (c == 1 && gains[1] == gains[0] && taps[1] == taps[0]) {
            curves.magnitudeDb[1] = curves.magnitudeDb[0];
            continue;
        }
        curves.magnitudeDb[c] = linearPhaseMagnitudeDb(taps[c].data(), path_->fftSize() / 2, gains[c],
                                                       path_->sampleRate(), freqs);
    }
    return curves;
}

} // namespace vosk
