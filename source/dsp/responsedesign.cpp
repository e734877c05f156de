// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "responsedesign.h"

#include "lanekernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

int32_t bandSectionLength(float freqHz, float q, int32_t sampleRate, int32_t maxLength)
{
    const double f = freqHz;
    const double quotient = 8.0 * sampleRate / (f - f * 0.8 * static_cast<double>(q));
    // Quotients that do not fit (negative, huge or not a number) end at the limit,
    // as an unsigned comparison of the truncated value would have it.
    if (!(quotient > -1.0 && quotient < 2147483647.0)) return maxLength;
    int64_t length = oddLength(static_cast<int64_t>(quotient));
    if (length > maxLength) length = maxLength;
    return static_cast<int32_t>(length);
}

int32_t sectionLength(const BandSettings& settings, int section, int32_t sampleRate, TransformSize size)
{
    if (section == kLowCutSection) return size.maxSectionLength();
    if (section == kHighCutSection) return size.highCutLength();
    return bandSectionLength(settings.freqHz, settings.q, sampleRate, size.maxSectionLength());
}

void WindowCache::allocate(int32_t maxLength)
{
    maxLength_ = maxLength;
    storage_.assign(static_cast<size_t>(kSlots) * maxLength, 0.0f);
    for (int slot = 0; slot < kSlots; ++slot) lengths_[slot] = filled_[slot] = 0;
    next_ = 0;
}

int WindowCache::slotOf(int32_t length)
{
    for (int slot = 0; slot < kSlots; ++slot) {
        if (lengths_[slot] == length) return slot;
    }
    const int slot = next_;
    next_ = (next_ + 1) % kSlots;
    lengths_[slot] = length;
    filled_[slot] = 0;
    return slot;
}

bool WindowCache::fill(int32_t length, int32_t count)
{
    const int slot = slotOf(length);
    float* w = data(slot);
    const int32_t end = std::min(length, filled_[slot] + count);
    if (length == 1) {
        w[0] = 1.0f;
    } else {
        const double twoPi = kTwoPiF;
        for (int32_t j = filled_[slot]; j < end; ++j) {
            w[j] = static_cast<float>(0.54 - 0.46 * std::cos(twoPi * j / (length - 1)));
        }
    }
    filled_[slot] = std::max(filled_[slot], end);
    return filled_[slot] == length;
}

const float* WindowCache::window(int32_t length)
{
    fill(length, length);
    return data(slotOf(length));
}

// The sinc terms are even in i (sin is odd), so each magnitude is computed once per kernel.
double SectionPlan::tap(int32_t i) const
{
    const double pi = kPiF;
    const double w = omega, up = upper, lo = lower, g = gain;
    switch (shape) {
    case ShapeHighCut:
        return i == 0 ? w / pi : std::sin(w * i) / (pi * i);
    case ShapeLowCut:
        return i == 0 ? 1.0 - w / pi : -std::sin(w * i) / (pi * i);
    case ShapeBell:
        if (i == 0) return g * (up - lo) / pi + 1.0;
        return g * std::sin(up * i) / (pi * i) - g * std::sin(lo * i) / (pi * i);
    case ShapeBellRegion:
        if (i == 0) return (up - lo) / pi;
        return std::sin(up * i) / (pi * i) - std::sin(lo * i) / (pi * i);
    default:
        return 0.0;
    }
}

SectionPlan planSection(const BandSettings& section, int32_t length, int32_t sampleRate)
{
    const double sr = static_cast<float>(sampleRate);
    const double nyquist = sr / 2.0;
    const double f = section.freqHz;
    const double twoPi = kTwoPiF;

    SectionPlan plan;
    plan.shape = section.shape;
    plan.length = length;
    plan.gain = section.gain;
    if (section.shape == ShapeHighCut || section.shape == ShapeLowCut) {
        // At the Nyquist frequency a low-pass passes everything and a high-pass nothing.
        plan.omega = static_cast<float>(twoPi * std::min(f, nyquist) / sr);
    } else if (section.shape == ShapeBell || section.shape == ShapeBellRegion) {
        const double width = section.width;
        const double upper = std::min({f + f * width, 20000.0, nyquist});
        double lower = width < 1.0 ? f - width * (f * 0.5) : f / (2.0 * width);
        if (lower < 30.0) lower = 30.0;
        lower = std::min(lower, upper); // a band squeezed to nothing is flat
        plan.upper = static_cast<float>(twoPi * upper / sr);
        plan.lower = static_cast<float>(twoPi * lower / sr);
    }
    return plan;
}

void writeTaps(const SectionPlan& plan, const float* w, float* buffer, int32_t centreIndex, int32_t from,
               int32_t to)
{
    if (plan.shape < ShapeHighCut || plan.shape > ShapeBellRegion) return;
    const int32_t length = plan.length;
    const int32_t centre = plan.centre();
    float* taps = buffer + (centreIndex - centre); // tap j lands at N/4 - L/2 + j
    for (int32_t offset = from; offset < to && offset <= centre; ++offset) {
        const float value = static_cast<float>(plan.tap(offset));
        const int32_t after = centre + offset;
        if (after < length) {
            float tap = value * w[after];
            taps[after] = tap * w[after];
        }
        if (offset > 0) {
            const int32_t before = centre - offset;
            float tap = value * w[before];
            taps[before] = tap * w[before];
        }
    }
}

void designSection(const BandSettings& section, int32_t length, float* buffer, int32_t sampleRate,
                   WindowCache& windows, TransformSize size)
{
    const SectionPlan plan = planSection(section, length, sampleRate);
    writeTaps(plan, windows.window(length), buffer, size.centre(), 0, plan.centre() + 1);
}

void fillShiftSpectrum(float* spectrum, int32_t n)
{
    // Bin k turns by k quarter turns: cos and -sin of k pi/2, exact from k mod 4.
    static constexpr float kCos[4] = {1.0f, 0.0f, -1.0f, 0.0f};
    static constexpr float kMinusSin[4] = {0.0f, -1.0f, 0.0f, 1.0f};
    const int32_t half = n / 2;
    for (int32_t k = 0; k <= half; ++k) {
        spectrum[k] = kCos[k % 4];
        if (k > 0 && k < half) spectrum[half + k] = kMinusSin[k % 4];
    }
}

void multiplySpectrum(float* dest, const float* factor, int32_t n)
{
    multiplySpectrum(dest, factor, n, 0, n / 2 + 1);
}

void multiplySpectrum(float* dest, const float* factor, int32_t n, int32_t from, int32_t to)
{
    laneKernels().multiply(dest, factor, n, from, to);
}

} // namespace vosk
