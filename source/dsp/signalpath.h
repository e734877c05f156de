// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's whole signal path: settings and their intake, the response
// design, the block convolution of both channels, the channel matrix, gains,
// bypass delay, silence handling and metering. Plain C++, driven by the plug-in
// glue (or by tests and benchmarks directly).
#pragma once

#include "source/dsp/blockconvolver.h"
#include "source/dsp/intake.h"
#include "source/dsp/listening.h"
#include "source/dsp/loudness.h"
#include "source/dsp/minimumconvolver.h"
#include "source/dsp/responsedesigner.h"
#include "source/dsp/settings.h"

#include "ffft/FFTReal.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vosk {

struct LaneKernels;
struct ProcessorState;

// Receives the block's output parameter changes; answers whether the value
// could be queued (the host may run out of queues).
class OutputReports
{
public:
    virtual bool report(uint32_t id, double value) = 0;

protected:
    ~OutputReports() = default;
};

// One parameter change: a normalised value that holds from sample `offset` of
// the block on.
struct ParameterPoint
{
    int32_t offset;
    uint32_t id;
    double value;
};

struct AudioBlock
{
    const float* const* inputs = nullptr;
    int32_t numInputChannels = 0;
    uint64_t inputSilenceFlags = 0;
    float* const* outputs = nullptr;
    int32_t numOutputChannels = 0;
    int32_t numSamples = 0;
    // The block's parameter changes in the order they apply (by offset, ties in
    // the order given); offsets beyond the block apply after its last sample.
    const ParameterPoint* points = nullptr;
    int32_t numPoints = 0;
};

// When the response follows the settings: the settings in force at the first
// sample of each hop (half a transform, counted from the setup) are designed
// while the hop is gathered, in small steps spread over its process calls, and
// filter that hop's input. Where they differ from the previous hop's, the output
// crossfades over the hop that comes out next. Gains, mutes and bypass apply
// from the sample their change names. In minimum phase, at zero latency, the
// response designed from a hop's settings filters the next hop's output (the
// input before it included), fading in over that hop.
class SignalPath
{
public:
    static constexpr float kMatrixGain = BlockConvolver::kMatrixGain;

    // Allocates every buffer for the setup and the transform length (nothing is
    // allocated later), clears all history and designs both responses.
    void prepare(double sampleRate, int32_t maxSamplesPerBlock, int32_t fftSize = kDefaultFftSize,
                 Phase phase = Phase::Linear);
    bool isPrepared() const { return prepared_; }

    // The transform length in use and the delay it gives, in every state.
    int32_t fftSize() const { return size_.n; }
    Phase phase() const { return phase_; }
    int32_t latency() const { return phase_ == Phase::Minimum ? 0 : size_.latency(); }
    // How long the output rings past the latency once the input stops.
    int32_t tail() const { return phase_ == Phase::Minimum ? size_.half() : size_.tail(); }

    ProcessingSettings& settings() { return settings_; }
    const ProcessingSettings& settings() const { return settings_; }

    // A change between blocks: as a point at the next block's first sample.
    void applyParameter(uint32_t id, double value) { vosk::applyParameter(settings_, id, value); }

    // Designs the present settings at once and filters with them from now on,
    // with no crossfade (for setups and tools, not for the audio thread).
    void designNow();

    // Processes one host block of any length with its parameter changes and
    // returns the output's silence flags.
    uint64_t process(const AudioBlock& block, OutputReports* reports);

    void resetMeters() { lastMeter_[0] = lastMeter_[1] = 0.0f; }

    // Whether the audio itself changed what the state holds since the last call
    // (a lamp lit, a reported switch held), with no parameter change to say so.
    bool takeStateChange()
    {
        const bool changed = lampLit_ || valueHeld_;
        lampLit_ = valueHeld_ = false;
        return changed;
    }

    // What the output plays instead of the processed signal, from the next block
    // on: a solo from the next hop, as a change of the response; delta and
    // compare fading in and out over 10 ms. Bypass plays the dry signal whatever
    // is asked.
    void setListening(const ListeningRequest& listening) { listening_ = listening; }
    // Whether the loudnesses that a comparison matches are measured: while
    // something shows them or may compare. Each start measures afresh.
    void setMeasuring(bool on);
    // The processed signal's loudness over the last 10 seconds less the input's
    // (LoudnessMatch::differenceLu); any thread may ask.
    float loudnessDifferenceLu() const { return loudness_.differenceLu(); }

    void captureState(ProcessorState& state) const;
    void restoreState(const ProcessorState& state);

    int32_t sampleRate() const { return sampleRateInt_; }
    // A channel's response in use: the spectra of its two partitions (N values; in
    // minimum phase its taps, then its segments' spectra), and its taps (N values,
    // the first half in use; for tools and tests: allocates).
    const float* kernelSpectrum(int channel) const { return designer_.kernelInUse(channel); }
    std::vector<float> kernelTaps(int channel) const;
    // How many redesigns have begun since construction (one per hop whose settings changed).
    int64_t designCount() const { return designer_.designsBegun(); }

private:
    ResponseSettings responseSettings(int channels) const;
    void startHop(int channels);
    void endBlock(int channels);
    void startProducts();
    void spreadWork(int32_t callSamples, int32_t position);
    // Minimum phase: samples into the hop, and where its designed responses are handed over.
    int32_t minimumInHop() const { return static_cast<int32_t>(minimum_.time() % size_.half()); }
    int32_t minimumSamplesToResponses() const
    {
        return responsesGiven_ ? -1 : size_.half() - minimum_.responsesLead() - minimumInHop();
    }
    // Samples to the hop's end or, before it, to where its responses are handed over.
    int32_t minimumSamplesToEvent() const
    {
        const int32_t toResponses = minimumSamplesToResponses();
        return toResponses > 0 ? toResponses : size_.half() - minimumInHop();
    }
    void giveMinimumResponses();
    bool processSegment(const AudioBlock& block, int32_t offset, int32_t count, float peak[kNumChannels]);
    void processChunk(const AudioBlock& block, int32_t offset, int32_t count, bool gainSilent,
                      float peak[kNumChannels]);
    void listen(const AudioBlock& block, int32_t offset, int32_t count, const float* const* source);
    // At zero latency the bypass plays `source`, the input as read.
    void readBypassDelay(int32_t channel, float* to, int32_t count, const float* source) const;
    void pushBypassDelay(int32_t channel, const float* samples, int32_t count); // null: zeros
    void advanceBypassDelay(int32_t count);
    // Without peaks (bypassed) the meters are not reported.
    void writeReports(OutputReports& reports, const float* peak);

    // Zero input for this long empties both the convolution and the bypass delay.
    int64_t drainSamples() const { return 3 * size_.half(); }

    TransformSize size_;
    Phase phase_ = Phase::Linear;
    std::unique_ptr<ffft::FFTReal<float>> fft_; // of size_.n, made by the setup
    const LaneKernels* kernels_ = nullptr;      // in the transform's lanes
    ProcessingSettings settings_;
    bool prepared_ = false;
    int32_t sampleRateInt_ = 0;
    int32_t chunkSize_ = 0;
    float lastMeter_[kNumChannels] = {0.0f, 0.0f};
    bool lampLit_ = false;
    bool valueHeld_ = false;
    int64_t samplesSinceConvolutionInput_ = 0;
    int64_t samplesSinceDelayInput_ = 0;

    BlockConvolver convolver_;
    MinimumConvolver minimum_;
    bool responsesGiven_ = false; // minimum phase: the next hop's responses are with the convolver
    ResponseDesigner designer_;
    bool hopStarted_ = false; // the settings of the hop being gathered are sampled
    bool firstHop_ = true;    // no hop has come out since the setup: nothing to fade from
    bool shared_ = false;     // this call has done its share of the work due at the block's end

    std::vector<float> bypassDelay_[kNumChannels];
    int32_t bypassPos_ = 0;

    std::vector<float> source_[kNumChannels]; // the input as read (silent channels as zeros)
    std::vector<float> work_[kNumChannels];   // encoded, gained and convolved channels

    ListeningRequest listening_;
    ListeningMix listeningMix_;
    LoudnessMatch loudness_;
    bool measuring_ = false;
    std::vector<float> delayed_[kNumChannels]; // the input as the bypass plays it, for the mix
    // While a solo's responses may still be heard, the output is not the settings'.
    int64_t soloHeard_ = 0;
};

} // namespace vosk
