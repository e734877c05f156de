// Overlap-add convolution of both channels with their responses, in hops of half
// a transform, gathered one sample at a time. Both channels move in step:
// a hop ends for both at the same sample, and there a new response takes over
// by a crossfade of one hop, never as a block edge.
#pragma once

#include "responsedesign.h"

#include "ffft/FFTReal.h"

#include <vector>

namespace vosk {

// The responses around the end of a hop: the one the previous hop used and the
// one the hop just gathered is filtered with, each with the channel domain
// (left/right or mid/side) it works in.
struct HopResponses
{
    const float* previous[kNumChannels] = {nullptr, nullptr};
    const float* next[kNumChannels] = {nullptr, nullptr};
    bool previousMidSide = false;
    bool nextMidSide = false;
    // Crossfade from the previous responses to the next ones. Without it the
    // next responses simply apply (they equal the previous, or nothing came before).
    bool fade = false;

    bool domainChanges() const { return previousMidSide != nextMidSide; }
    bool changes(int channel) const { return domainChanges() || previous[channel] != next[channel]; }
};

class BlockConvolver
{
public:
    static constexpr float kMatrixGain = 0.70710677f;

    // Sizes and clears every buffer; the only place that clears history.
    void allocate(TransformSize size);

    int32_t samplesToHopEnd() const { return half_ - blockPos_; }
    bool hopComplete() const { return blockPos_ == half_; }
    // Whether the output being handed out is in mid/side (else left/right).
    bool outputMidSide() const { return outputMidSide_; }

    // Gathers `count` samples of one channel, at most to the hop's end, and hands
    // out as many outputs (y[i] for x[i]; x and y may be the same array). Every
    // channel in use exchanges the same count before advance().
    void exchange(int channel, const float* x, float* y, int32_t count);
    void advance(int32_t count) { blockPos_ += count; }

    // Same as exchanging `count` zeros on every channel, valid only while the
    // whole history is zero.
    void skipSilence(int32_t count);

    // Ahead of a change of response at the coming hop end: the tail that the next
    // response leaves from the previous hop's input, in the next domain.
    void prepareTail(int channel, const HopResponses& responses, const ffft::FFTReal<float>& fft);

    // At the hop's end: filters the gathered hop for the first `channels` channels.
    // Where the responses change, this gives the old output path; finishFade then
    // adds the new one and fades, before any output of the hop is handed out. The
    // work is thus split between the call that ends a hop and the one after it.
    void completeHop(const HopResponses& responses, int channels, const ffft::FFTReal<float>& fft);
    void finishFade(const ffft::FFTReal<float>& fft);
    // At the hop's end while skipping silence: everything stays zero.
    void completeSilentHop(const HopResponses& responses);

private:
    // Spectrum of the previous hop's input of one channel, in the given domain.
    const float* previousSpectrum(int channel, bool fromMidSide, bool toMidSide);
    // The spectrum of one channel in the other domain.
    const float* convertedSpectrum(int channel);
    void filterSteady(int channel, const float* kernel, const ffft::FFTReal<float>& fft);

    int32_t n_ = kDefaultFftSize;
    int32_t half_ = kDefaultFftSize / 2;
    int32_t blockPos_ = 0;
    bool outputMidSide_ = false;
    bool fadePending_ = false;
    HopResponses fading_; // the next responses stay in use until the next hop's end
    int fadingChannels_ = 0;
    std::vector<float> inBlock_[kNumChannels];    // a transform's length: the hop, then zeros
    std::vector<float> spectrum_[kNumChannels];   // of the latest hop's input
    std::vector<float> outBlock_[kNumChannels];   // a hop of outputs handed out during the next hop
    std::vector<float> overlapTail_[kNumChannels];
    std::vector<float> nextTail_[kNumChannels];   // prepareTail's result
    std::vector<float> product_, timeResult_;     // a transform's length each
    std::vector<float> fadeIn_;                   // a hop of crossfade weights, 0 to 1
};

} // namespace vosk
