// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Convolution of both channels with their responses, uniformly partitioned so
// that no call does more than a small share of it. A response has N/2 taps (N the
// design's transform length); it is held as the spectra of two partitions of
// B = N/4 taps, transformed with 2B points. The input is gathered in blocks of B
// samples, and each block's spectrum is kept for the next block's products.
//
// The output lags the input by a hop of N/2 samples, so the output that block m
// feeds is first handed out one whole block after block m is complete: its
// transform, products and inverse transform are laid out as steps at block m's
// end and spread over the calls that bring in block m + 1. A hop's first block
// waits for its responses, designed by three quarters of the hop: its products
// are laid out there, and run in the hop's last quarter.
//
// Responses change at hop starts, every two blocks, and each block's products use
// the response of the hop the block belongs to: the result is that of filtering
// each hop whole with its response. Where a hop's response differs from the
// previous one, the output hop that follows crossfades from the stream filtered
// by the old response to the stream filtered by the new one.
#pragma once

#include "responsedesign.h"

#include "ffft/FFTReal.h"

#include <memory>
#include <vector>

namespace vosk {

struct LaneKernels;

// The responses of a hop: the one the previous hop used and the one the hop is
// filtered with, each with the channel domain (left/right or mid/side) it works
// in. A response is the spectra of its two partitions, one after the other.
struct HopResponses
{
    const float* previous[kNumChannels] = {nullptr, nullptr};
    const float* next[kNumChannels] = {nullptr, nullptr};
    bool previousMidSide = false;
    bool nextMidSide = false;
    // Crossfade from the previous responses to the next ones. Without it the
    // next responses simply apply (they equal the previous, or nothing came before).
    bool fade = false;
    // Whether the second channel's response is the first's, bit for bit (linked
    // channels in minimum phase), so that their products can read it once.
    bool previousShared = false;
    bool nextShared = false;

    bool domainChanges() const { return previousMidSide != nextMidSide; }
    bool changes(int channel) const { return domainChanges() || previous[channel] != next[channel]; }
};

class BlockConvolver
{
public:
    static constexpr float kMatrixGain = 0.70710677f;

    // Sizes and clears every buffer; the only place that clears history.
    void allocate(TransformSize size);

    // The transform of the partitions, of half the design's length.
    const ffft::FFTReal<float>& partitionFft() const { return *fft_; }
    int32_t partitionLength() const { return 2 * b_; }

    int32_t samplesToBlockEnd() const { return b_ - blockPos_; }
    bool blockComplete() const { return blockPos_ == b_; }
    // Samples to the next block end or, before it, to where the hop's responses
    // are due (three quarters of the hop); -1 once they have come.
    int32_t samplesToEvent() const
    {
        return productsPending_ && second_ ? b_ / 2 - blockPos_ : b_ - blockPos_;
    }
    int32_t samplesToResponses() const
    {
        return !second_ ? b_ - blockPos_ + b_ / 2 : productsPending_ ? b_ / 2 - blockPos_ : -1;
    }
    bool responsesDue() const { return productsPending_ && second_ && blockPos_ == b_ / 2; }
    // Whether the block being gathered is the second of its hop.
    bool secondBlock() const { return second_; }
    // Whether the output being handed out is in mid/side (else left/right).
    bool outputMidSide() const { return outputMidSide_; }

    // Gathers `count` samples of one channel, at most to the block's end, and
    // hands out as many outputs (y[i] for x[i]; x and y may be the same array).
    // Every channel in use exchanges the same count before advance().
    void exchange(int channel, const float* x, float* y, int32_t count);
    void advance(int32_t count) { blockPos_ += count; }
    // Same as exchanging `count` zeros on every channel, valid only while the
    // whole history is zero.
    void skipSilence(int32_t count);

    // At a block's end, with the channels in use: runs whatever is left of the
    // previous block's steps and lays out this block's (the first block of a hop:
    // its transforms, until startProducts). At a hop's end the output switches to
    // the hop that follows.
    void endBlock(int channels);
    // Where the hop's responses are due, designed in full: lays out the products
    // of the hop's first block.
    void startProducts(const HopResponses& responses);

    // The cost of the steps not yet run, and a run of steps worth at least
    // `budget` (or all that are left).
    int64_t workLeft() const { return workLeft_; }
    void run(int64_t budget);

private:
    enum class Op : uint8_t { Zero, Forward, Multiply, Inverse, Output };
    // What a Multiply or Inverse step computes, and where its inverse lands.
    enum Stream : uint8_t { kSteady, kOldFirst, kNewBefore, kNewFirst, kOldSecond };
    struct Step
    {
        Op op;
        int8_t channel;
        uint8_t stream;
        int32_t part; // transform part, or first bin or sample
        int32_t end;  // last bin or sample + 1
        int32_t cost;
    };
    void add(Op op, int channel, int stream, int32_t part, int32_t end, int32_t cost);
    void addTransform(Op op, int channel, int stream);
    void addMultiply(int channel, int stream);
    void addProducts(); // the steps after the latest block's transform
    void runStep(const Step& step);
    void multiply(int channel, int stream, int32_t from, int32_t to);
    void output(int channel, int32_t from, int32_t to); // samples [from, to) of the block
    float* spectrum(int64_t block, int channel) { return x_[channel][block & 3].data(); }
    float* result(int channel, int stream);
    // Bins [from, to) of the other domain's spectrum of one channel of a block.
    const float* converted(int64_t block, int channel, int slot, int32_t from, int32_t to);

    std::unique_ptr<ffft::FFTReal<float>> fft_; // of 2B points
    const LaneKernels* kernels_ = nullptr;      // in the transform's lanes
    int32_t n_ = 0;
    int32_t b_ = 0;
    int32_t blockPos_ = 0;
    bool second_ = false;
    int64_t block_ = 0; // blocks completed since the allocation
    bool blockSilent_ = true;
    bool windowSilent_ = true;     // the latest block ended silent
    bool productsPending_ = false; // the hop's first block waits for its responses
    bool outputMidSide_ = false;

    // The hop being filtered and the steps of the latest block.
    HopResponses hop_;
    int hopChannels_ = 0;
    bool fading_[kNumChannels] = {false, false};
    bool fadeDomain_ = false; // the fade meets in left/right
    bool nextOutputMidSide_ = false;
    int64_t window_ = 0; // the block whose steps are laid out
    std::vector<Step> steps_;
    int32_t stepCount_ = 0;
    int32_t nextStep_ = 0;
    int64_t workLeft_ = 0;

    std::vector<float> frame_[kNumChannels][2]; // a block's input, then B zeros
    std::vector<float> x_[kNumChannels][4];     // spectra of the latest four blocks
    std::vector<float> y_[kNumChannels][2];     // the latest two blocks' filtered stream
    std::vector<float> old_[kNumChannels];      // a fade's old stream of the hop's first block
    std::vector<float> extra_[kNumChannels];    // a fade's other result of the current block
    std::vector<float> out_[kNumChannels];      // two blocks of outputs, handed out in turn
    std::vector<float> sum_;                    // products being summed
    std::vector<float> convert_[2];             // converted spectra
    std::vector<float> work_;                   // the transforms' work array
    std::vector<float> fadeIn_;                 // a hop of crossfade weights, 0 to 1
};

} // namespace vosk
