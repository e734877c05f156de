// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness as ITU-R BS.1770 weighs it, measured on the audio thread while the
// music plays, for the input (delayed as the output is) and the processed
// output: the K-weighted mean square of each channel, summed over the
// channels, in 400 ms blocks that start every 100 ms, blocks below -70 LUFS
// left out, integrated over the last 10 seconds.
//
// Filtering every sample of both signals through the K-weighting's two biquads
// would cost a good share of the whole plug-in. The measure estimates the same
// mean squares from a few hundred instants a second instead, placed at random
// so that no tone can line up with them, the same instants for both signals.
// K = S R, S the standard's high shelf and R its high-pass. At each instant the
// shelf is applied exactly, as its impulse response (decayed below -40 dB
// within 0.7 ms); what R takes away, which matters only below a few hundred
// hertz, is filtered continuously at about 750 Hz from the signal averaged over
// boxes of that length, interpolated between the boxes and taken away through
// the shelf. Both filters follow from the standard's 48 kHz coefficients at
// any rate. The signals are gathered and measured a stretch at a time, so that
// the work stays together in the cache.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace vosk {

class LoudnessMatch
{
public:
    static constexpr double kGateLufs = -70.0;

    void prepare(int32_t sampleRate);
    // Forgets everything measured, as a setup does.
    void restart();

    // The next `count` samples of the input and of the processed output, at the
    // same place in the music, up to two channels each (null arrays or channels
    // are silent). `real` false: the output is not what the settings give (a
    // solo, bypass), and the blocks it falls in do not count.
    void add(const float* const* input, const float* const* output, int numChannels, int32_t count, bool real);

    // While frozen the figures stay as they were.
    void setFrozen(bool frozen) { frozen_ = frozen; }
    // The factor that brings the input to the processed signal's loudness: 1
    // until something has been measured, 0 while the output is silent.
    float inputToOutputGain() const { return gain_; }
    // The processed signal's loudness less the input's in LU: not a number until
    // both have been measured, minus infinity while the output is silent. Any
    // thread may read it.
    float differenceLu() const { return difference_.load(std::memory_order_relaxed); }

private:
    // Lanes: input left and right, output left and right.
    static constexpr int kLanes = 4;
    static constexpr int kBoxesPerStretch = 4; // one instant in each stretch
    static constexpr int kLowKept = 16;        // more boxes than an instant's reach spans

    struct SubBlock
    {
        float energy[2] = {0, 0}; // of the input and the output: squared weighted values, summed over channels
        int32_t points = 0;
        bool real = true;
    };

    void measureStretch();
    void endBox(const float* sums); // the box's sum in each lane
    void weighLowBand();
    void closeSubBlock();
    void integrate();

    // The stretch being gathered, each lane after the samples before it that an
    // instant reaches back to.
    std::vector<float> lanes_[kLanes];
    int32_t gathered_ = 0;
    int32_t stretch_ = 256; // samples, a power of two
    int32_t box_ = 64;      // samples per box of the low band, a power of two
    int32_t taps_ = 4;      // of the shelf's response, a multiple of 4
    float boxScale_ = 1.0f / 64;
    int64_t stretchIndex_ = 0;
    std::vector<float> shelf_;      // the shelf's response, last tap first
    std::vector<float> lowWeights_; // lowTaps_ weights of the latest boxes, by an instant's place in its box
    int lowTaps_ = 1;
    float lowB_[3] = {}, lowA_[2] = {}; // 1 - R / R(inf) at the box rate
    float lowState_[2][kLanes] = {};
    float low_[kLowKept][kLanes] = {}; // the low band of the latest boxes
    int64_t boxIndex_ = 0;
    // An instant measured through the shelf, waiting for the box after its own.
    bool pending_ = false;
    int64_t pendingAt_ = 0;
    float pendingShelf_[kLanes] = {};
    int channels_ = 1;

    int32_t boxesPerSubBlock_ = 1;
    int32_t boxesInSubBlock_ = 0;
    SubBlock current_;
    int64_t completed_ = 0;
    std::vector<SubBlock> ring_;
    std::vector<float> blockMeanSquare_[2]; // of the block that starts at each held sub-block; negative: not real

    bool frozen_ = false;
    float gain_ = 1.0f;
    std::atomic<float> difference_{std::numeric_limits<float>::quiet_NaN()};
};

} // namespace vosk
