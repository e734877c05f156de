// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// One filter section of one channel, as the response design reads it.
#pragma once

#include <cstdint>

namespace vosk {

enum SectionShape : int32_t {
    ShapeHighCut = 0,
    ShapeLowCut = 1,
    ShapeBell = 2,
    // What a bell acts on, alone: its window between the same edges, at unity
    // gain, silence elsewhere. Only a solo designs it; no parameter selects it.
    ShapeBellRegion = 3,
};

constexpr int kNumChannels = 2;
constexpr int kNumSections = 8;
constexpr int kLowCutSection = 0;
constexpr int kFirstBand = 1; // bands 1..4 live in sections 1..4
constexpr int kNumBands = 4;
constexpr int kHighCutSection = 7;

// Sections 5 and 6 exist for the type parameters but no parameter switches them
// on, so they never reach the output and are never designed.
constexpr bool isSpareSection(int section)
{
    return section == 5 || section == 6;
}

// One band's settings: the normalised values the host set and the physical values they
// give. The filter section, the persistent state and the controller hold the same record.
struct BandSettings
{
    bool on = true;
    int32_t shape = ShapeBell;
    float freqHz = 20.0f, q = 0.0f, gain = -0.5f, width = 0.1f; // those of the values below
    float freqNorm = 0.0f, qNorm = 0.0f, gainNorm = 0.0f, widthNorm = 0.0f;
};

// A section of the settings: a band's settings and whether the host still has to
// be told them.
struct FilterSection : BandSettings
{
    bool reportPending = false; // the host has not yet been told the band's values
};

} // namespace vosk
