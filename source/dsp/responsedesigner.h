// Designs the responses of both channels in small steps, so that a redesign
// can be spread over the process calls of a hop instead of landing on one.
// A design starts from the settings sampled at a hop's start and must be
// finished when that hop ends; until then the responses in use stay untouched.
#pragma once

#include "blockconvolver.h"
#include "responsedesign.h"

#include "ffft/FFTReal.h"

#include <cstdint>
#include <vector>

namespace vosk {

// What one hop's responses are designed from.
struct ResponseSettings
{
    BandSettings sections[kNumChannels][kNumSections];
    bool midSide = false; // the channels are mid and side
};

class ResponseDesigner
{
public:
    void allocate(int32_t sampleRate, TransformSize size); // forgets every design

    // Designs `target` in full at once and puts it in use (setup, not the audio thread).
    void designNow(const ResponseSettings& target, const ffft::FFTReal<float>& fft, BlockConvolver& convolver);

    // Lays out the steps that design `target`; none when it gives the responses in
    // use. With `fade`, the hop's end crossfades from the responses in use.
    void begin(const ResponseSettings& target, bool fade);
    int32_t stepsLeft() const { return stepCount_ - nextStep_; }
    void run(int32_t steps, const ffft::FFTReal<float>& fft, BlockConvolver& convolver);

    // What the hop's end filters with: valid once no step is left.
    const HopResponses& responses() const { return responses_; }
    // At the hop's end: the designed responses are now the ones in use.
    void commit();

    // The domain of the hop being designed for (and gathered).
    bool nextMidSide() const { return target_.midSide; }
    const float* kernelInUse(int channel) const { return kernels_[channel][inUse_[channel]].data(); }
    int64_t designsBegun() const { return designsBegun_; }

private:
    enum class StepKind : uint8_t { Plan, Window, Taps, SectionSpectrum, Combine, Truncate, KernelSpectrum, Tail };
    struct Step
    {
        StepKind kind;
        int8_t channel;
        int8_t section;
        int32_t from, to;
    };
    void add(StepKind kind, int channel, int section = 0, int32_t from = 0, int32_t to = 0);
    void addSectionDesign(int channel, int section);
    void runStep(const Step& step, const ffft::FFTReal<float>& fft, BlockConvolver& convolver);
    float* sectionSpectrum(int channel, int section);
    float* nextKernel(int channel) { return kernels_[channel][1 - inUse_[channel]].data(); }

    int32_t sampleRate_ = 44100;
    TransformSize size_;
    WindowCache windows_;
    std::vector<float> scratch_;
    std::vector<float> shiftSpectrum_;
    std::vector<float> sectionSpectra_; // one spectrum per channel and non-spare section
    BandSettings designedFrom_[kNumChannels][kNumSections];
    bool designed_[kNumChannels][kNumSections] = {};
    std::vector<float> kernels_[kNumChannels][2];
    int inUse_[kNumChannels] = {0, 0};
    bool changes_[kNumChannels] = {false, false};
    ResponseSettings inUseSettings_, target_;
    bool inUseValid_ = false;
    HopResponses responses_;

    SectionPlan plan_; // of the section whose taps are being written
    // Values per step: each step costs about as much as a transform of 16384 points.
    static constexpr int32_t kWindowChunk = 1024;
    static constexpr int32_t kTapChunk = 768;
    static constexpr int kDesignedSections = kNumSections - 2;
    std::vector<Step> steps_; // room for a design of everything
    int32_t stepCount_ = 0;
    int32_t nextStep_ = 0;
    int64_t designsBegun_ = 0;
};

} // namespace vosk
