// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What the engineer listens to instead of the processed mix, while mixing or
// mastering: one band alone (a solo), what the equaliser changes (delta), or
// the input at the processed signal's loudness (compare). None of it is a
// setting: it is never saved, never automated and never reaches an export.
#pragma once

#include "source/dsp/responsedesigner.h"

#include <cstdint>
#include <vector>

namespace vosk {

struct ListeningRequest
{
    int32_t soloBand = 0;    // 1..4, 0 for none
    int32_t soloChannel = 0; // of the soloed band: 0 left or mid, 1 right or side
    bool delta = false;
    bool compare = false;

    bool solo() const { return soloBand > 0; }
    bool any() const { return solo() || delta || compare; }
    bool operator==(const ListeningRequest& o) const
    {
        return soloBand == o.soloBand && (soloBand == 0 || soloChannel == o.soloChannel) && delta == o.delta &&
               compare == o.compare;
    }
    bool operator!=(const ListeningRequest& o) const { return !(*this == o); }

    // Whether the request can be played: a band that exists, on a channel that does.
    static bool valid(int64_t soloBand, int64_t soloChannel, int64_t delta, int64_t compare);
    // Packed into one word, so that the audio thread takes it whole.
    uint32_t packed() const;
    static ListeningRequest unpacked(uint32_t word);
};

// The responses a hop plays while a band is soloed, from those of the settings.
// Alone, the band's channel plays the band's region: a bell's window at unity
// gain, or what a cut removes, and the other channel plays nothing (in mid/side
// the soloed mid or side then plays in both outputs). With delta, the band's
// channel plays the band alone and the other channel is flat, so that what the
// delta leaves is the band's own change.
void applySolo(const ListeningRequest& listening, ResponseSettings& target);

// The delta and the comparison, mixed into the output with 10 ms fades:
// output = (1 - c) (processed - d input) + c k input, the input delayed as the
// processed signal is, d and c the delta's and the comparison's fade, k the
// factor that gives the input the processed signal's loudness.
class ListeningMix
{
public:
    static constexpr double kFadeSeconds = 0.01;

    void prepare(int32_t sampleRate);
    // Where both fades head from the next sample on.
    void setTargets(bool delta, bool compare);
    // Whether the next samples differ from the processed signal, and whether
    // the comparison is heard in them at all.
    bool active() const { return deltaFade_ > 0 || compareFade_ > 0 || delta_ || compare_; }
    bool comparing() const { return compareFade_ > 0 || compare_; }

    // Mixes `count` samples of each channel in place; every channel follows
    // the same fades.
    void mix(float* const* outputs, const float* const* delayedInputs, int numChannels, int32_t count,
             float compareGain);
    // As mixing `count` samples of silence.
    void advance(int32_t count);

private:
    float level(int32_t fade) const;

    std::vector<float> shape_; // a fade's weights, rising
    int32_t length_ = 1;
    int32_t deltaFade_ = 0, compareFade_ = 0; // samples into each fade, 0 .. length
    bool delta_ = false, compare_ = false;
};

} // namespace vosk
