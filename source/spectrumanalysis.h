// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve panel's spectrum from the frames the processor sends: windowed
// transforms, 1/6-octave bands on the picture's grid, and levels that fall
// slowly. Plain C++ on the UI thread.
#pragma once

#include "editorhost/spectrumsource.h"

#include "ffft/FFTReal.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vosk {

class SpectrumAnalysis
{
public:
    static constexpr float kFloorDb = -120.0f;
    static constexpr float kFallDbPerSecond = 20.0f;

    // Keeps a frame as the processor sends it (its samples, in bytes) for the
    // next update; false for one that cannot be a frame.
    bool accept(const void* samples, size_t bytes, double sampleRate);

    // The levels `seconds` after the previous update: those of the frame kept
    // since, where they are higher, and the rest fallen. Mid and side or one
    // mono channel, as the mode is. False while no frame has come.
    bool update(double seconds, bool midSide, ui::SpectrumPicture& picture);

    // Back to nothing shown.
    void reset();

private:
    void analyse(bool midSide);
    void bands(const float* signal, float* levelsDb);

    std::vector<float> frame_;
    int32_t length_ = 0;
    double sampleRate_ = 0.0;
    bool fresh_ = false;
    bool shown_ = false;

    std::unique_ptr<ffft::FFTReal<float>> fft_;
    std::vector<float> signal_, window_, windowed_, spectrum_;
    std::vector<double> cumulative_; // power of the bins below each bin edge
    ui::SpectrumPicture levels_;
};

} // namespace vosk
