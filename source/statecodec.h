// The processor's persistent state, as plain data, and its byte layout.
//
// Layout (little-endian): the 8-byte head (float input gain, int32 bypass) that
// every version of the plug-in has written, then an optional settings block
// starting with a tag and a version number. A stream with the head alone is a
// valid older state: it restores the gain and bypass only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vosk {

struct ProcessorState {
    float inputGain = 1.0f;
    bool bypass = false;

    bool hasSettings = false;  // false for a head-only (older) stream

    struct Band {
        bool on = true;
        int32_t shape = 2;  // SectionShape: 0 high cut, 1 low cut, 2 bell
        float freqHz = 0, q = 0, gain = 0, width = 0;
        float freqNorm = 0, qNorm = 0, gainNorm = 0, widthNorm = 0;
    };
    Band bands[2][4];  // [channel: 0 left/mid, 1 right/side][band 1..4 at 0..3]

    bool lowCutOn = true;
    bool highCutOn = true;
    bool linked = true;
    bool midSide = false;
    int32_t channelEnabled[2] = {1, 1};
    float channelGain[2] = {1.0f, 1.0f};  // linear, 4 x the normalised value
};

std::vector<uint8_t> encodeState(const ProcessorState& state);

// Reads a state written by encodeState or by an older version (head only).
// Returns false, leaving `out` untouched, for a stream shorter than the head,
// a truncated or unknown settings block, or a non-finite gain.
bool decodeState(const uint8_t* data, size_t size, ProcessorState& out);

}  // namespace vosk
