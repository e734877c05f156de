// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Convolution at zero latency with minimum-phase responses of N/2 taps. The
// first taps are applied directly, sample by sample; the rest in segments of
// uniform partitions whose blocks grow. The first segment's blocks of B samples
// start at tap B: a block's transform, products and inverse run as soon as it is
// complete, since its output is due from the next sample on. A later segment of
// blocks of B starts at tap 2B: the output that a block feeds is first due one
// whole block after the block is complete, so its steps are laid out at the
// block's end and spread over the next block's samples.
//
// Responses change at output hops of N/2 samples. Each segment's block, and the
// direct taps, use the responses of the hop their output lands in; where a hop
// fades, the old and the new responses both filter the whole input over it and
// the output crossfades between the two streams with the hop's weights.
#pragma once

#include "blockconvolver.h"
#include "responsedesign.h"

#include "ffft/FFTReal.h"

#include <memory>
#include <vector>

namespace vosk {

struct LaneKernels;

// How a response of `taps` taps is cut. A channel's response is held as its taps
// (the first headTaps applied directly), then each segment's partition spectra
// of 2B points, one after the other.
struct MinimumLayout
{
    // Taps applied directly, by response length: direct taps cost more per tap than
    // transformed ones but nothing per segment, and these are the quickest, as
    // measured with 64-sample calls (bench/automation_bench). The last one holds
    // for any other length.
    struct Head
    {
        int32_t responseTaps, headTaps;
    };
    static constexpr Head kHeads[] = {{8192, 512}, {0, 256}};
    // A segment of growth g fills taps up to 2gB, where the next one's blocks of gB
    // start. The first grows most: its transforms are the most frequent. Later ones
    // grow less, which keeps the products per sample few at the longest lengths,
    // unless growing as much ends the response.
    static constexpr int32_t kFirstGrowth = 8;
    static constexpr int32_t kGrowth = 4;
    static constexpr int kMaxSegments = 6;
    static constexpr int32_t kMaxPartitions = 2 * kFirstGrowth - 1;
    struct Segment
    {
        int32_t block = 0;      // B
        int32_t partitions = 0; // of B taps each
        int32_t firstTap = 0;   // B for the first segment, else 2B
        int32_t lag = 0;        // blocks from a block's start to the output it feeds: 1, else 2
        int32_t spectra = 0;    // where the first partition's spectrum starts in a response
    };
    int32_t taps = 0;
    int32_t headTaps = 0; // also the first segment's block
    int count = 0;
    Segment segments[kMaxSegments];
    int32_t size = 0; // floats of one channel's response

    static MinimumLayout forTaps(int32_t taps);
    int32_t largestBlock() const { return segments[count - 1].block; }
    int32_t smallestBlock() const { return segments[0].block; }
};

class MinimumConvolver
{
public:
    // Sizes and clears every buffer for responses of N/2 taps.
    void allocate(TransformSize size);

    const MinimumLayout& layout() const { return layout_; }
    const ffft::FFTReal<float>& segmentFft(int segment) const { return *segments_[segment].fft; }

    // Samples to the next end of a block of the smallest segment: a process call
    // goes at most that far.
    int32_t samplesToBoundary() const
    {
        const int32_t b = layout_.smallestBlock();
        return b - static_cast<int32_t>(time_ % b);
    }
    // Samples from the start of an output hop to where its responses are due.
    int32_t responsesLead() const { return layout_.largestBlock(); }
    int64_t time() const { return time_; }

    // The responses of output hop `hop`, due `responsesLead()` samples before it starts.
    void setResponses(const HopResponses& responses, int64_t hop);

    // Filters `count` samples of the channels in use, left/right in and out; x and
    // y may be the same arrays.
    void process(const float* const x[kNumChannels], float* const y[kNumChannels], int channels,
                 int32_t count);
    // Same as processing `count` zeros, valid only while the whole history is zero.
    void skipSilence(int32_t count);

private:
    enum class Op : uint8_t { Forward, Multiply, Inverse, Output };
    struct Step
    {
        Op op;
        int8_t channel;
        int8_t stream; // 0: the hop's responses, 1: the previous ones, while fading
        int32_t part;  // transform part, or first bin
        int32_t end;   // last bin + 1
        int32_t cost;
    };
    struct Segment
    {
        MinimumLayout::Segment shape;
        std::unique_ptr<ffft::FFTReal<float>> fft; // of 2B points
        std::vector<float> gather[kNumChannels];  // the previous block, then the one gathering
        std::vector<float> frame[kNumChannels];   // the latest complete two blocks, transformed (later segments)
        std::vector<float> spectra[kNumChannels]; // the latest P blocks' spectra, in turn
        int32_t latest = 0;                       // the latest spectrum's place
        std::vector<float> out[2][kNumChannels];  // each stream's outputs of two blocks, in turn
        // A transform in parts keeps its passes in its work array between them: one per segment.
        std::vector<float> sum[kNumChannels], inverse, converted, work;
        HopResponses responses; // of the block being computed
        int64_t window = -1;    // the block whose steps are laid out
        int channels = 0;
        std::vector<Step> steps;
        int32_t stepCount = 0, nextStep = 0;
        int64_t workLeft = 0;
    };
    // At most to the next end of a block of the smallest segment.
    void processBlock(const float* const x[kNumChannels], float* const y[kNumChannels], int channels,
                      int32_t count);
    void layOut(Segment& segment, int64_t block, int channels);
    void add(Segment& segment, Op op, int channel, int stream, int32_t part, int32_t end, int32_t cost);
    void run(Segment& segment, int64_t budget);
    void runStep(Segment& segment, const Step& step);
    void multiply(Segment& segment, int channel, int stream, int32_t from, int32_t to);
    // Whether a stream's products for both channels read one response: the first
    // channel's steps then do the second's.
    static bool sharesKernel(const Segment& segment, int stream);
    const HopResponses& responsesAt(int64_t time) const { return hops_[(time / hop_) & 1]; }

    MinimumLayout layout_;
    const LaneKernels* kernels_ = nullptr;
    int32_t hop_ = 0;
    int64_t time_ = 0;
    HopResponses hops_[2]; // of the even and the odd output hops
    Segment segments_[MinimumLayout::kMaxSegments];
    std::vector<float> history_[2][kNumChannels]; // direct taps' input: left/right, mid/side
    int32_t historyAt_ = 0;                       // where the taps' history starts in it
    bool midSideHistory_ = false;                 // whether the mid/side history is up to date
    std::vector<float> streams_[2][kNumChannels];  // a call's output of each stream
    std::vector<float> zeros_;
    std::vector<float> fadeIn_;
};

} // namespace vosk
