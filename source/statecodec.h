// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's persistent state, as plain data, and its byte layout.
//
// Layout (little-endian): the 8-byte head (float input gain, int32 bypass) that
// every version of the plug-in has written, then an optional settings block
// starting with a tag and a version number. A stream with the head alone is a
// valid older state: it restores the gain and bypass only.
#pragma once

#include "source/dsp/filtersection.h"
#include "source/parametertable.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vosk {

struct ProcessorState
{
    float inputGain = 1.0f;
    bool bypass = false;

    bool hasSettings = false; // false for a head-only (older) stream

    // The physical values are those that the normalised values give.
    using Band = BandSettings;
    Band bands[2][4]; // [channel: 0 left/mid, 1 right/side][band 1..4 at 0..3]

    bool lowCutOn = true;
    bool highCutOn = true;
    bool linked = true;
    bool midSide = false;
    int32_t channelEnabled[2] = {1, 1};
    float channelGain[2] = {1.0f, 1.0f}; // linear, 4 x the normalised value
    int32_t fftSize = 16384;             // the transform length chosen; states without it had this one

    // Since version 2: the clip lamps, and the exact normalised value of every parameter
    // read through a threshold or a list (by heldValueIndex), as the host last set it;
    // the phase's since version 3, which only a state away from linear phase needs.
    // Without them (older states, states put together by hand) the held values are
    // those that set what the state plays, the type values following the bands' shapes.
    bool clip[2] = {false, false};
    bool hasHeldValues = false;
    std::array<float, kNumHeldValues> heldValues = defaultHeldValues();
};

std::vector<uint8_t> encodeState(const ProcessorState& state);

// Reads a state written by encodeState or by an older version (head only).
// Returns false, leaving `out` untouched, for a stream shorter than the head, a
// truncated or unknown settings block, or any value that the parameters cannot
// produce: a gain outside 0..4 or not finite, a normalised value outside 0..1, a
// physical value that does not follow from its normalised one, a bad code.
bool decodeState(const uint8_t* data, size_t size, ProcessorState& out);

// For readers that take a state from a stream without reading past its end: the
// head, then, unless the stream ends there, a settings block header that announces
// the size of the payload after it.
constexpr size_t kStateHeadSize = 8;
constexpr size_t kSettingsHeaderSize = 12;

// The payload size a settings block header announces; 0 when it is not a header
// of ours or announces a size this version cannot read.
size_t settingsPayloadSize(const uint8_t* header);

} // namespace vosk
