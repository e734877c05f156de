// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Every audio setting of the processor, in physical values (with the normalised values
// the host set, for the bands); intake.h applies the host's parameter values to them.
#pragma once

#include "source/dsp/filtersection.h"
#include "source/parametertable.h"

#include <cstdint>

namespace vosk {

struct ProcessingSettings
{
    bool bypass = false;
    float inputGain = 1.0f;
    bool midSide = false;
    bool clip[kNumChannels] = {false, false};
    bool linked = true;
    int32_t channelEnabled[kNumChannels] = {1, 1};
    int32_t enableReportPending[kNumChannels] = {0, 0};
    float channelGain[kNumChannels] = {1.0f, 1.0f};
    FilterSection sections[kNumChannels][kNumSections];                 // [channel][section]
    std::array<float, kNumHeldValues> heldValues = defaultHeldValues(); // by heldValueIndex

    ProcessingSettings();
};

// A band's initial normalised width: the one that shows its width.
constexpr float initialWidthNorm(float width)
{
    return normFromShownWidth(width);
}

} // namespace vosk
