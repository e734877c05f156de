// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The music's spectrum behind the response curve, as the curve panel asks for it.
#pragma once

#include <cmath>

namespace vosk::ui {

// Levels in dB (a full-scale sine reads 0 dB), smoothed to 1/6 octave, at kPoints
// frequencies spaced logarithmically from 20 Hz to 20 kHz.
struct SpectrumPicture
{
    static constexpr int kPoints = 256;
    static double frequency(int i) { return 20.0 * std::pow(1000.0, static_cast<double>(i) / (kPoints - 1)); }

    // 0: nothing to show yet; 1: input and output summed to mono; 2: mid and side.
    int channels = 0;
    float inputDb[2][kPoints] = {};
    float outputDb[2][kPoints] = {};
};

// Where the curve panel gets the spectrum from (the controller); UI thread only.
class SpectrumSource
{
public:
    virtual ~SpectrumSource() = default;
    // A panel opened or closed: nothing is analysed while no panel is open.
    virtual void setSpectrumWanted(bool wanted) = 0;
    // On every tick of the editor's timer while the panel is open: asks for the newest
    // frame and fills `picture` with the levels as they stand, falling about 20 dB per
    // second. False while nothing has arrived.
    virtual bool latestSpectrum(SpectrumPicture& picture) = 0;
};

} // namespace vosk::ui
