// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The host's parameter rules: how one normalised value (identifiers of parameterids.h)
// changes the settings. Linked bands move together and keep their offset, the link copies
// the left bands to the right, a muted channel unmutes the other, and the reports owed
// to the host are marked.
#pragma once

#include "source/dsp/settings.h"

#include <cstdint>

namespace vosk {

// A band's continuous parameters: their tags (from the first of the group) and the band
// record's normalised and physical members.
struct BandParameter
{
    uint32_t firstTag;
    float BandSettings::*norm;
    float BandSettings::*physical;
    float (*fromNorm)(float);
    bool shapesBellsOnly; // the cuts do not depend on it
};

constexpr int kNumBandParameters = 4;
extern const BandParameter kBandParameters[kNumBandParameters];

// Non-finite values are ignored so that one bad point cannot poison the response.
void applyParameter(ProcessingSettings& settings, uint32_t id, double value);

} // namespace vosk
