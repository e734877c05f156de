// Design of each section's windowed-sinc kernel and the packed-spectrum
// arithmetic that combines them into one response per channel.
#pragma once

#include "filtersection.h"

#include "common/numbers.h"

#include <cstddef>
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

// The taps of a band or spare section for its settings; the cuts keep theirs.
int32_t sectionLength(const BandSettings& settings, int section, int32_t sampleRate);

// Squared Hamming windows by length. A window depends on its length alone, and
// designs often repeat a length, so a few are kept. A window can be computed in
// parts, so that no single step of a design takes long.
class WindowCache
{
public:
    void allocate();
    // The window of `length`, computed in full first where it is not yet.
    const float* window(int32_t length);
    // Computes up to `count` more values of the window of `length` (taking a slot
    // for it where none holds it); answers whether the window is now complete.
    bool fill(int32_t length, int32_t count);

private:
    int slotOf(int32_t length);
    float* data(int slot) { return storage_.data() + static_cast<size_t>(slot) * kMaxSectionLength; }

    static constexpr int kSlots = 4;
    std::vector<float> storage_;
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
// `buffer` (kFftSize floats, zeroed by the caller), the centre tap at kKernelCentre.
void writeTaps(const SectionPlan& plan, const float* window, float* buffer, int32_t from, int32_t to);

// The whole kernel of a section at once: plan, window and every tap.
void designSection(const BandSettings& section, int32_t length, float* buffer, int32_t sampleRate,
                   WindowCache& windows);

// The spectrum that moves a signal earlier by exactly N/4 samples; its values are
// 0 and +-1, so a product with it is exact.
void fillShiftSpectrum(float* spectrum);

// dest *= factor, bin by bin, in the packed layout of the real FFT.
void multiplySpectrum(float* dest, const float* factor);
// dest = a * b, bin by bin, the same arithmetic; dest may be neither a nor b.
void multiplySpectra(float* dest, const float* a, const float* b);

} // namespace vosk
