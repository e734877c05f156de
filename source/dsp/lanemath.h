// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The minimum-phase design's logarithms and exponentials over a spectrum, in
// vector lanes. They are polynomials in floats written with additions,
// subtractions, products and bit operations only, so every set of lanes and
// every platform's build gives the same bits (a C library's would differ between
// platforms); they are as accurate as floats hold the results.
#pragma once

#include "ffft/Lanes.h"

#include <cstdint>

namespace vosk {

struct LaneMath
{
    ffft::Lanes lanes;

    // Bins [from, to) of the m / 2 + 1 of a packed spectrum of m points (the real
    // FFT's layout): the real part becomes the log magnitude, ln(max(|X|^2,
    // floorPower)) / 2, and the imaginary part 0.
    void (*logMagnitude)(float* spectrum, int32_t m, int32_t from, int32_t to, float floorPower);
    // Bins [from, to) as above: X = a + i b becomes e^a (cos b + i sin b).
    void (*exponential)(float* spectrum, int32_t m, int32_t from, int32_t to);
};

// As laneKernels(): the lanes asked for where they run, else the widest narrower set.
const LaneMath& laneMath(ffft::Lanes lanes = ffft::widest_lanes());

} // namespace vosk
