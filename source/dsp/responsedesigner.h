// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Designs the responses of both channels in small steps, so that a redesign
// can be spread over the process calls of a hop instead of landing on one.
// A design starts from the settings sampled at a hop's start and must be
// finished at three quarters of that hop; until then the responses in use
// stay untouched. Each step's work is bounded at every transform length: the
// transforms run a part at a time.
#pragma once

#include "blockconvolver.h"
#include "minimumconvolver.h"
#include "responsedesign.h"

#include "ffft/FFTReal.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace vosk {

// What one hop's responses are designed from.
struct ResponseSettings
{
    BandSettings sections[kNumChannels][kNumSections];
    bool midSide = false; // the channels are mid and side
    bool silent[kNumChannels] = {false, false}; // the channel plays nothing (a solo's other channel)
};

struct LaneMath;

class ResponseDesigner
{
public:
    // Forgets every design; `fft` is of the size's length, `partitionFft` half that.
    // In minimum phase the responses are cut as `minimum` holds them.
    void allocate(int32_t sampleRate, TransformSize size, const ffft::FFTReal<float>& fft,
                  const ffft::FFTReal<float>& partitionFft, Phase phase = Phase::Linear,
                  const MinimumConvolver* minimum = nullptr);

    // The length of the transform whose cepstrum makes a minimum-phase response:
    // four transform lengths, and no fewer than 131072 points. The low cut's steep
    // bass gives a long cepstrum, whose aliasing this keeps below -100 dB of its
    // largest value (four lengths at 16384 points would leave -94 dB at 44.1 kHz).
    static constexpr int32_t cepstrumLength(TransformSize size)
    {
        return std::max(4 * size.n, 8 * kDefaultFftSize);
    }
    // The length of the transforms that exponentiate the folded cepstrum, in
    // transform lengths. The cepstrum is kept to one transform length, a quarter
    // of it: what lies further out only lengthens the response it gives, which
    // would then wrap round the transform and move a low cut's steep bass by up
    // to 0.02 dB.
    static constexpr int32_t kExponentialFactor = 4;

    // Designs `target` in full at once and puts it in use (setup, not the audio thread).
    void designNow(const ResponseSettings& target, const ffft::FFTReal<float>& fft,
                   const BlockConvolver& convolver);

    // Lays out the steps that design `target`; none when it gives the responses in
    // use. With `fade`, the hop's end crossfades from the responses in use.
    void begin(const ResponseSettings& target, bool fade);
    int32_t stepsLeft() const { return stepCount_ - nextStep_; }
    // The cost of the steps left, and a run of steps worth at least `budget` (or
    // all that are left), with the convolver's transform for the partitions.
    int64_t workLeft() const { return workLeft_; }
    void run(int64_t budget, const ffft::FFTReal<float>& fft, const BlockConvolver& convolver);

    // What the hop's end filters with: valid once no step is left.
    const HopResponses& responses() const { return responses_; }
    // At the hop's end: the designed responses are now the ones in use.
    void commit();

    // The domain of the hop being designed for (and gathered).
    bool nextMidSide() const { return target_.midSide; }
    // The spectra of the two partitions of a channel's response in use (in minimum
    // phase: its taps, then its partitions' spectra).
    const float* kernelInUse(int channel) const { return kernels_[channel][inUse_[channel]].data(); }
    int64_t designsBegun() const { return designsBegun_; }

private:
    enum class StepKind : uint8_t {
        Plan,
        Window,
        Taps,
        SectionSpectrum,
        Combine,
        Impulse,
        ImpulseSpectrum,
        Truncate,
        Partition,
        Silence,
        // Minimum phase: the taps padded, their spectrum, log magnitude, cepstrum
        // folded to be causal, exponential, taps, and the spectra of their partitions.
        Pad,
        LongForward,
        LogMagnitude,
        LongInverse,
        Fold,
        Exponential,
        MinimumTaps,
        PartitionTaps,
        PartitionSpectrum,
        CopyChannel
    };
    struct Step
    {
        StepKind kind;
        int8_t channel;
        int8_t section;
        int32_t from, to; // also a transform's part
        int32_t cost;
    };
    void add(StepKind kind, int channel, int section, int32_t from, int32_t to, int32_t cost);
    void addTransform(StepKind kind, int channel, int section, const std::vector<int32_t>& costs);
    void addSectionDesign(int channel, int section);
    void addKernelDesign(int channel);
    void addMinimumDesign(int channel);
    void runMinimumStep(const Step& step);
    void runStep(const Step& step, const ffft::FFTReal<float>& fft, const BlockConvolver& convolver);
    float* sectionSpectrum(int channel, int section);
    // The responses' slots turn round three: the one in use, the next, and the one
    // before, which a fade still reads while the next hop is designed.
    float* nextKernel(int channel) { return kernels_[channel][(inUse_[channel] + 1) % 3].data(); }

    Phase phase_ = Phase::Linear;
    const MinimumConvolver* minimum_ = nullptr;
    const LaneMath* math_ = nullptr;
    std::unique_ptr<ffft::FFTReal<float>> longFft_; // of cepstrumLength() points
    std::vector<float> longTime_, longSpectrum_; // its work array is its own, and the shorter one's
    std::vector<int32_t> longForwardCost_, longInverseCost_;
    // The linear taps are its input, zero past them: where they are no more than
    // a sixteenth of it, the transform reads only them; else they are padded.
    bool readsTapsAlone() const { return longFft_->get_length() / 16 >= size_.half(); }
    // Of kExponentialFactor N points: the long transform where that is as long.
    std::unique_ptr<ffft::FFTReal<float>> expFft_;
    const ffft::FFTReal<float>& exponentialFft() const { return expFft_ ? *expFft_ : *longFft_; }
    std::vector<int32_t> expForwardCost_, expInverseCost_;

    int32_t sampleRate_ = 44100;
    TransformSize size_;
    WindowCache windows_;
    // In linear phase these own their arrays; in minimum phase they point into the long ones.
    std::vector<float> scratchStore_, workStore_, partitionStore_, combinedStore_[kNumChannels];
    float* scratch_ = nullptr;
    float* work_ = nullptr;                     // the transforms' work array
    float* partitionInput_ = nullptr;           // a partition's taps, then zeros
    float* combined_[kNumChannels] = {};        // a channel's spectrum being combined
    std::vector<float> shiftSpectrum_;
    std::vector<float> sectionSpectra_; // one spectrum per channel and non-spare section
    BandSettings designedFrom_[kNumChannels][kNumSections];
    bool designed_[kNumChannels][kNumSections] = {};
    std::vector<float> kernels_[kNumChannels][3];
    int inUse_[kNumChannels] = {0, 0};
    bool changes_[kNumChannels] = {false, false};
    ResponseSettings inUseSettings_, target_;
    bool inUseValid_ = false;
    bool sharedInUse_ = false; // the second channel's response in use is a copy of the first's
    HopResponses responses_;

    SectionPlan plan_; // of the section whose taps are being written
    // Values per step, and their costs in values passed through a butterfly, as
    // measured: a sine or cosine costs about as much as 64 of those, a tap pair
    // two sines and its windowing, a combined bin two complex products out of
    // cache. In minimum phase, with what the sections' arrays leave its
    // convolution's cache, a window value takes 112 and a tap pair 500. Costs
    // that match the time keep every call's share alike; small steps keep what a
    // call runs past its share small.
    static constexpr int32_t kWindowChunk = 256;
    static constexpr int32_t kTapChunk = 128;
    static constexpr int32_t kCombineBins = 1024;
    static constexpr int32_t kTrigCost = 64;
    static constexpr int32_t kTapCost = 2 * kTrigCost + 16;
    static constexpr int32_t kMinimumWindowCost = 112;
    static constexpr int32_t kMinimumTapCost = 500;
    int32_t windowCost_ = kTrigCost, tapCost_ = kTapCost;
    static constexpr int32_t kCombineBinCost = 9;
    static constexpr int kDesignedSections = kNumSections - 2;
    std::vector<Step> steps_; // room for a design of everything
    int32_t stepCount_ = 0;
    int32_t nextStep_ = 0;
    int64_t workLeft_ = 0;
    int32_t forwardParts_ = 0, inverseParts_ = 0, partitionParts_ = 0;
    std::vector<int32_t> forwardCost_, inverseCost_, partitionCost_;
    int64_t designsBegun_ = 0;
};

} // namespace vosk
