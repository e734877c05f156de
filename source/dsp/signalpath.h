// The processor's whole signal path: settings and their intake, the response
// design, the block convolution of both channels, the channel matrix, gains,
// bypass delay, silence handling and metering. Plain C++, driven by the plug-in
// glue (or by tests and benchmarks directly).
#pragma once

#include "source/dsp/blockconvolver.h"
#include "source/dsp/intake.h"
#include "source/dsp/responsedesign.h"
#include "source/dsp/settings.h"

#include "ffft/FFTReal.h"

#include <cstdint>
#include <vector>

namespace vosk {

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

struct AudioBlock
{
    const float* const* inputs = nullptr;
    int32_t numInputChannels = 0;
    uint64_t inputSilenceFlags = 0;
    float* const* outputs = nullptr;
    int32_t numOutputChannels = 0;
    int32_t numSamples = 0;
};

class SignalPath
{
public:
    static constexpr int32_t kLatency = kFftSize / 4 + kFftSize / 2;
    // Zero input for this long empties both the convolution and the bypass delay.
    static constexpr int64_t kDrainSamples = 3 * kHalfFft;
    static constexpr float kMatrixGain = 0.70710677f;

    SignalPath();

    // Allocates every buffer for the setup (nothing is allocated later), clears
    // all history and designs both responses.
    void prepare(double sampleRate, int32_t maxSamplesPerBlock);
    bool isPrepared() const { return prepared_; }

    ProcessingSettings& settings() { return settings_; }
    const ProcessingSettings& settings() const { return settings_; }

    void applyParameter(uint32_t id, double value) { vosk::applyParameter(settings_, id, value); }

    // Brings the channels' responses up to date. `Everything` recombines both
    // channels and designs every dirty section, whether or not it is on.
    enum class Rebuild { ChangedOnly, Everything };
    void rebuildKernels(Rebuild mode = Rebuild::ChangedOnly);

    // Processes one host block of any length (after the block's parameters have
    // been applied) and returns the output's silence flags.
    uint64_t process(const AudioBlock& block, OutputReports* reports);

    void resetMeters() { lastMeter_[0] = lastMeter_[1] = 0.0f; }

    void captureState(ProcessorState& state) const;
    void restoreState(const ProcessorState& state);

    int32_t sampleRate() const { return sampleRateInt_; }
    const float* kernelSpectrum(int channel) const { return kernelSpectrum_[channel].data(); }
    int64_t rebuildCount() const { return rebuildCount_; }

private:
    void recombine(int channel, Rebuild mode);
    void processChunk(const AudioBlock& block, int32_t offset, int32_t count, bool gainSilent,
                      float peak[kNumChannels]);
    void pushBypassDelay(int32_t channel, const float* samples, int32_t count); // null: zeros
    void advanceBypassDelay(int32_t count);
    void writeReports(OutputReports& reports, const float peak[kNumChannels]);

    ffft::FFTReal<float> fft_;
    ProcessingSettings settings_;
    bool prepared_ = false;
    int32_t sampleRateInt_ = 0;
    int32_t chunkSize_ = 0;
    float lastMeter_[kNumChannels] = {0.0f, 0.0f};
    int64_t samplesSinceConvolutionInput_ = kDrainSamples;
    int64_t samplesSinceDelayInput_ = kDrainSamples;
    int64_t rebuildCount_ = 0;

    BlockConvolver convolver_[kNumChannels];
    std::vector<float> kernelSpectrum_[kNumChannels];
    std::vector<float> sectionSpectra_; // one kFftSize spectrum per non-spare section
    std::vector<float> shiftSpectrum_;
    std::vector<float> designScratch_;
    WindowCache windows_;

    std::vector<float> bypassDelay_[kNumChannels];
    int32_t bypassPos_ = 0;

    std::vector<float> source_[kNumChannels]; // the input as read (silent channels as zeros)
    std::vector<float> work_[kNumChannels];   // encoded, gained and convolved channels
};

} // namespace vosk
