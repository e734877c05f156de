// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Design of each section's windowed-sinc kernel and the packed-spectrum
// arithmetic that combines them into one response per channel.
#pragma once

#include "filtersection.h"

#include "common/numbers.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vosk {

// Kernel lengths are odd: the centre tap then lies on a sample, so every kernel, and
// every product of kernels moved back by the shift spectrum, is centred exactly on
// a quarter of the transform.
constexpr int64_t oddLength(int64_t length)
{
    return length % 2 == 0 ? length + 1 : length;
}

constexpr int32_t kDefaultFftSize = 16384;
constexpr int32_t kMaxFftSize = 65536;

// Every length that follows from the transform's length n. Kernels and hops scale
// with it, so that twice the sample rate with twice the length gives the same curve.
struct TransformSize
{
    int32_t n = kDefaultFftSize;

    constexpr int32_t half() const { return n / 2; }   // a hop of the block convolution
    constexpr int32_t centre() const { return n / 4; } // where every kernel is centred
    // The default's spans between the first and the last tap, scaled.
    constexpr int32_t maxSectionLength() const { return (kDefaultFftSize / 2 - 2) * scale() + 1; }
    constexpr int32_t highCutLength() const
    {
        return static_cast<int32_t>(oddLength(kDefaultFftSize / 51 - 1) - 1) * scale() + 1;
    }
    constexpr int32_t latency() const { return n / 4 + n / 2; } // the block's delay and the centre's
    constexpr int32_t tail() const { return n / 4; }            // ringing past the centre
    constexpr int32_t scale() const { return n / kDefaultFftSize; }
};
static_assert(TransformSize{}.maxSectionLength() == 8191 && TransformSize{}.highCutLength() == 321,
              "the default transform's kernels");
constexpr TransformSize kDefaultTransform{};

// How a response's phase is made from its magnitude: linear (symmetric about the
// centre, with the latency above) or minimum (causal, at zero latency).
enum class Phase : uint8_t { Linear, Minimum };

// Single-precision pi and 2 pi, the constants the kernels are designed with.
constexpr float kPiF = static_cast<float>(kPi);
constexpr float kTwoPiF = static_cast<float>(2 * kPi);

// Taps of a band or spare section for its frequency and sharpness: always odd
// and at most maxLength.
int32_t bandSectionLength(float freqHz, float q, int32_t sampleRate, int32_t maxLength);

// The taps of a section for its settings; the cuts' follow from the transform alone.
int32_t sectionLength(const BandSettings& settings, int section, int32_t sampleRate, TransformSize size);

// Squared Hamming windows by length. A window depends on its length alone, and
// designs often repeat a length, so a few are kept. A window can be computed in
// parts, so that no single step of a design takes long.
class WindowCache
{
public:
    void allocate(int32_t maxLength);
    // The window of `length`, computed in full first where it is not yet.
    const float* window(int32_t length);
    // Computes up to `count` more values of the window of `length` (taking a slot
    // for it where none holds it); answers whether the window is now complete.
    bool fill(int32_t length, int32_t count);

private:
    int slotOf(int32_t length);
    float* data(int slot) { return storage_.data() + static_cast<size_t>(slot) * maxLength_; }

    static constexpr int kSlots = 4;
    std::vector<float> storage_;
    int32_t maxLength_ = 0;
    int32_t lengths_[kSlots] = {0, 0, 0, 0};
    int32_t filled_[kSlots] = {0, 0, 0, 0};
    int next_ = 0;
};

// A section's kernel, ready to be written in parts: its length and tap formula.
struct SectionPlan
{
    int32_t shape = ShapeBell;
    int32_t length = 1;
    // Angular frequencies are rounded to single precision, as the kernels are specified.
    float omega = 0.0f, upper = 0.0f, lower = 0.0f, gain = 0.0f;

    // Tap value at signed offset i from the centre, before windowing.
    double tap(int32_t i) const;
    // Offsets from the centre that the taps run over: 0 .. centre().
    int32_t centre() const { return length / 2; }
};

// Frequencies are taken no higher than half the sample rate, so that no sinc
// folds back into the audible band at low sample rates.
SectionPlan planSection(const BandSettings& section, int32_t length, int32_t sampleRate);

// Writes the windowed taps at offsets [from, to) on both sides of the centre into
// `buffer` (a transform's length of floats, zeroed by the caller), the centre tap
// at index `centre`.
void writeTaps(const SectionPlan& plan, const float* window, float* buffer, int32_t centre, int32_t from,
               int32_t to);

// The whole kernel of a section at once: plan, window and every tap.
void designSection(const BandSettings& section, int32_t length, float* buffer, int32_t sampleRate,
                   WindowCache& windows, TransformSize size);

// The spectrum that moves a signal earlier by exactly N/4 samples; its values are
// 0 and +-1, so a product with it is exact.
void fillShiftSpectrum(float* spectrum, int32_t n);

// dest *= factor, bin by bin, in the packed layout of the real FFT: all bins, or
// bins [from, to) of the n / 2 + 1.
void multiplySpectrum(float* dest, const float* factor, int32_t n);
void multiplySpectrum(float* dest, const float* factor, int32_t n, int32_t from, int32_t to);

} // namespace vosk
