// Design of each section's windowed-sinc kernel and the packed-spectrum
// arithmetic that combines them into one response per channel.
#pragma once

#include "filtersection.h"

#include "common/numbers.h"

#include <cstdint>
#include <vector>

namespace vosk {

constexpr int32_t kFftSize = 16384;
constexpr int32_t kHalfFft = kFftSize / 2;
constexpr int32_t kKernelCentre = kFftSize / 4;
constexpr int32_t kMaxSectionLength = kHalfFft - 1;

// Kernel lengths are odd: the centre tap then lies on a sample, so every kernel, and
// every product of kernels moved back by the shift spectrum, is centred exactly on
// kKernelCentre.
constexpr int64_t oddLength(int64_t length)
{
    return length % 2 == 0 ? length + 1 : length;
}
constexpr int32_t kHighCutLength = static_cast<int32_t>(oddLength(kFftSize / 51 - 1));

// Single-precision pi and 2 pi, the constants the kernels are designed with.
constexpr float kPiF = static_cast<float>(kPi);
constexpr float kTwoPiF = static_cast<float>(2 * kPi);

// Taps of a band or spare section for its frequency and sharpness: always odd
// and at most kMaxSectionLength.
int32_t bandSectionLength(float freqHz, float q, int32_t sampleRate);

// Squared Hamming windows by length. A window depends on its length alone, and
// a rebuild designs several sections of the same length, so a few are kept.
class WindowCache
{
public:
    void allocate();
    const float* window(int32_t length);

private:
    static constexpr int kSlots = 4;
    std::vector<float> storage_;
    int32_t lengths_[kSlots] = {0, 0, 0, 0};
    int next_ = 0;
};

// Writes the section's kernel (length taps, centre tap at kKernelCentre) into
// `buffer`, kFftSize floats that the caller has zeroed, and clears `dirty`.
// Frequencies are taken no higher than half the sample rate, so that no sinc
// folds back into the audible band at low sample rates.
void designSection(FilterSection& section, float* buffer, int32_t sampleRate, WindowCache& windows);

// The spectrum that moves a signal earlier by exactly N/4 samples; its values are
// 0 and +-1, so a product with it is exact.
void fillShiftSpectrum(float* spectrum);

// dest *= factor, bin by bin, in the packed layout of the real FFT.
void multiplySpectrum(float* dest, const float* factor);

} // namespace vosk
