// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "listening.h"

#include <algorithm>
#include <cmath>

namespace vosk {

bool ListeningRequest::valid(int64_t soloBand, int64_t soloChannel, int64_t delta, int64_t compare)
{
    const auto isSwitch = [](int64_t v) { return v == 0 || v == 1; };
    return soloBand >= 0 && soloBand <= kNumBands && soloChannel >= 0 && soloChannel < kNumChannels &&
           isSwitch(delta) && isSwitch(compare);
}

uint32_t ListeningRequest::packed() const
{
    return static_cast<uint32_t>(soloBand & 7) | static_cast<uint32_t>(soloChannel & 1) << 3 |
           (delta ? 1u << 4 : 0u) | (compare ? 1u << 5 : 0u);
}

ListeningRequest ListeningRequest::unpacked(uint32_t word)
{
    ListeningRequest request;
    request.soloBand = std::min<int32_t>(static_cast<int32_t>(word & 7), kNumBands);
    request.soloChannel = static_cast<int32_t>((word >> 3) & 1);
    request.delta = (word >> 4) & 1;
    request.compare = (word >> 5) & 1;
    return request;
}

void applySolo(const ListeningRequest& listening, ResponseSettings& target)
{
    if (!listening.solo()) return;
    const int channel = listening.soloChannel;
    const int soloed = kFirstBand + listening.soloBand - 1;
    for (int c = 0; c < kNumChannels; ++c)
        for (int s = 0; s < kNumSections; ++s)
            if (c != channel || s != soloed) target.sections[c][s].on = false;
    target.silent[1 - channel] = !listening.delta;
    if (listening.delta) return;

    BandSettings& band = target.sections[channel][soloed];
    band.on = true;
    switch (band.shape) {
    case ShapeBell:
        band.shape = ShapeBellRegion;
        band.gain = 1.0f;
        break;
    // A cut and its complement sum to the centre tap alone: what one removes, the other passes.
    case ShapeLowCut:
        band.shape = ShapeHighCut;
        break;
    case ShapeHighCut:
        band.shape = ShapeLowCut;
        break;
    default:
        break;
    }
}

void ListeningMix::prepare(int32_t sampleRate)
{
    length_ = std::max(1, static_cast<int32_t>(std::lround(kFadeSeconds * std::max(sampleRate, 1))));
    // Raised-cosine weights: the two sides always sum to one, and no corner splatters.
    shape_.resize(static_cast<size_t>(length_));
    for (int32_t i = 0; i < length_; ++i) {
        const double s = std::sin(0.5 * 3.14159265358979323846 * (i + 0.5) / length_);
        shape_[static_cast<size_t>(i)] = static_cast<float>(s * s);
    }
    deltaFade_ = compareFade_ = 0;
    delta_ = compare_ = false;
}

void ListeningMix::setTargets(bool delta, bool compare)
{
    delta_ = delta;
    compare_ = compare;
}

void ListeningMix::advance(int32_t count)
{
    const auto move = [this, count](int32_t& fade, bool on) {
        fade = static_cast<int32_t>(std::clamp<int64_t>(int64_t{fade} + (on ? count : -int64_t{count}), 0, length_));
    };
    move(deltaFade_, delta_);
    move(compareFade_, compare_);
}

float ListeningMix::level(int32_t fade) const
{
    return fade <= 0 ? 0.0f : fade >= length_ ? 1.0f : shape_[static_cast<size_t>(fade)];
}

void ListeningMix::mix(float* const* outputs, const float* const* delayedInputs, int numChannels, int32_t count,
                       float compareGain)
{
    const auto step = [this](int32_t& fade, bool on) {
        fade = std::clamp(fade + (on ? 1 : -1), 0, length_);
    };
    for (int32_t i = 0; i < count;) {
        const bool fading = deltaFade_ != (delta_ ? length_ : 0) || compareFade_ != (compare_ ? length_ : 0);
        if (!fading) {
            // Steady: the same weights to the end of the call.
            const float d = level(deltaFade_), c = level(compareFade_);
            const float processed = 1.0f - c, input = c * compareGain - processed * d;
            for (int ch = 0; ch < numChannels; ++ch) {
                float* out = outputs[ch];
                const float* x = delayedInputs[ch];
                for (int32_t j = i; j < count; ++j) out[j] = processed * out[j] + input * x[j];
            }
            return;
        }
        step(deltaFade_, delta_);
        step(compareFade_, compare_);
        const float d = level(deltaFade_), c = level(compareFade_);
        const float processed = 1.0f - c, input = c * compareGain - processed * d;
        for (int ch = 0; ch < numChannels; ++ch)
            outputs[ch][i] = processed * outputs[ch][i] + input * delayedInputs[ch][i];
        ++i;
    }
}

} // namespace vosk
