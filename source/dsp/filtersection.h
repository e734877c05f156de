// One filter section of one channel, as the response design reads it.
#pragma once

#include <cstdint>

namespace vosk {

enum SectionShape : int32_t {
    ShapeHighCut = 0,
    ShapeLowCut = 1,
    ShapeBell = 2,
};

constexpr int kNumChannels = 2;
constexpr int kNumSections = 8;
constexpr int kLowCutSection = 0;
constexpr int kFirstBand = 1; // bands 1..4 live in sections 1..4
constexpr int kNumBands = 4;
constexpr int kHighCutSection = 7;

// Sections 5 and 6 exist for the type parameters but no parameter switches them
// on, so they never reach the output and own no spectrum.
constexpr bool isSpareSection(int section)
{
    return section == 5 || section == 6;
}

struct FilterSection
{
    bool on = false;
    bool dirty = true;
    bool reportPending = false;
    float freqHz = 1000.0f;
    float q = 1.0f;
    float gain = 0.0f;
    float width = 1.0f;
    float freqNorm = 0.0f;
    float qNorm = 0.0f;
    float gainNorm = 0.0f;
    float widthNorm = 0.0f;
    int32_t length = 0;
    float* spectrum = nullptr; // fftSize floats, owned by the signal path
    int32_t shape = ShapeBell;
};

} // namespace vosk
