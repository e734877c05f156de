#include "signalpath.h"

#include "denormals.h"

#include "source/parameterids.h"
#include "source/statecodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vosk {

namespace {

constexpr int32_t kMinChunk = 64;
constexpr int32_t kMaxChunk = 8192;

void fillZeros(float* data, int32_t count)
{
    if (data && count > 0) std::memset(data, 0, sizeof(float) * static_cast<size_t>(count));
}

// The largest magnitude of x, at least `peak`; not-a-number samples are passed over.
float peakMagnitude(const float* x, int32_t count, float peak)
{
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128 magnitudeMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 lanes = _mm_set1_ps(peak);
    for (; i + 4 <= count; i += 4) {
        // maxps answers its second operand when either is not a number.
        lanes = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(x + i), magnitudeMask), lanes);
    }
    alignas(16) float lane[4];
    _mm_store_ps(lane, lanes);
    for (float v : lane) peak = v > peak ? v : peak;
#endif
    for (; i < count; ++i) {
        const float magnitude = std::fabs(x[i]);
        peak = magnitude > peak ? magnitude : peak;
    }
    return peak;
}

} // namespace

SignalPath::SignalPath() : fft_(kFftSize) {}

void SignalPath::prepare(double sampleRate, int32_t maxSamplesPerBlock)
{
    ScopedFlushDenormals flushDenormals;

    sampleRateInt_ = (std::isfinite(sampleRate) && sampleRate >= 1.0 && sampleRate < 2147483647.0)
                         ? static_cast<int32_t>(sampleRate)
                         : 44100;
    chunkSize_ = std::clamp(maxSamplesPerBlock, kMinChunk, kMaxChunk);

    for (int c = 0; c < kNumChannels; ++c) {
        convolver_[c].allocate();
        kernelSpectrum_[c].assign(kFftSize, 0.0f);
        bypassDelay_[c].assign(kLatency, 0.0f);
        source_[c].assign(static_cast<size_t>(chunkSize_), 0.0f);
        work_[c].assign(static_cast<size_t>(chunkSize_), 0.0f);
    }
    bypassPos_ = 0;

    int stored = 0;
    for (int s = 0; s < kNumSections; ++s) stored += isSpareSection(s) ? 0 : 1;
    sectionSpectra_.assign(static_cast<size_t>(kNumChannels) * stored * kFftSize, 0.0f);
    float* next = sectionSpectra_.data();
    for (int c = 0; c < kNumChannels; ++c) {
        for (int s = 0; s < kNumSections; ++s) {
            FilterSection& sec = settings_.sections[c][s];
            if (isSpareSection(s)) {
                sec.spectrum = nullptr;
            } else {
                sec.spectrum = next;
                next += kFftSize;
            }
            sec.length = s == kHighCutSection ? kHighCutLength : kMaxSectionLength;
            sec.dirty = true;
        }
        settings_.responseStale[c] = true;
    }

    shiftSpectrum_.assign(kFftSize, 0.0f);
    fillShiftSpectrum(shiftSpectrum_.data());
    designScratch_.assign(kFftSize, 0.0f);
    windows_.allocate();

    samplesSinceConvolutionInput_ = kDrainSamples;
    samplesSinceDelayInput_ = kDrainSamples;
    prepared_ = true;
    rebuildKernels(Rebuild::ChangedOnly);
}

void SignalPath::rebuildKernels(Rebuild mode)
{
    if (!prepared_) return;
    ScopedFlushDenormals flushDenormals;
    bool rebuilt = false;
    for (int c = 0; c < kNumChannels; ++c) {
        if (mode == Rebuild::Everything || settings_.responseStale[c]) {
            recombine(c, mode);
            rebuilt = true;
        }
    }
    if (rebuilt) ++rebuildCount_;
}

void SignalPath::recombine(int channel, Rebuild mode)
{
    FilterSection* sections = settings_.sections[channel];
    float* kernel = kernelSpectrum_[channel].data();
    float* scratch = designScratch_.data();

    const bool allOff = !sections[0].on && !sections[1].on && !sections[2].on && !sections[3].on &&
                        !sections[4].on && !sections[7].on;
    if (allOff) {
        std::fill(designScratch_.begin(), designScratch_.end(), 0.0f);
        scratch[kKernelCentre] = 1.0f;
        fft_.forward_transform(kernel, scratch);
    }

    bool first = true;
    for (int s = 0; s < kNumSections; ++s) {
        FilterSection& sec = sections[s];
        if (!sec.spectrum) continue; // spare sections never take part
        // A section that is off need not be designed until it is switched on:
        // its spectrum depends on its settings alone.
        if (sec.dirty && (sec.on || mode == Rebuild::Everything)) {
            if (s != kLowCutSection && s != kHighCutSection) {
                sec.length = bandSectionLength(sec.freqHz, sec.q, sampleRateInt_);
            }
            std::fill(designScratch_.begin(), designScratch_.end(), 0.0f);
            designSection(sec, scratch, sampleRateInt_, windows_);
            fft_.forward_transform(sec.spectrum, scratch);
        }
        if (!sec.on) continue;
        if (first) {
            std::memcpy(kernel, sec.spectrum, sizeof(float) * kFftSize);
            first = false;
        } else {
            multiplySpectrum(kernel, sec.spectrum);
            multiplySpectrum(kernel, shiftSpectrum_.data());
        }
    }

    // Truncate to N/2 taps so that the block convolution cannot wrap around.
    fft_.inverse_transform(kernel, scratch);
    fft_.rescale_by_length(scratch);
    std::fill(designScratch_.begin() + kHalfFft, designScratch_.end(), 0.0f);
    fft_.forward_transform(kernel, scratch);
    settings_.responseStale[channel] = false;
}

uint64_t SignalPath::process(const AudioBlock& block, OutputReports* reports)
{
    ScopedFlushDenormals flushDenormals;
    const int32_t numIn = std::min(block.numInputChannels, kNumChannels);
    const int32_t numOut = block.numOutputChannels;
    if (!block.outputs || numOut <= 0) return 0;
    const uint64_t allOutputs = numOut >= 64 ? ~uint64_t{0} : (uint64_t{1} << numOut) - 1;

    // Without input there is nothing to play: what the host left in the outputs must not sound.
    const int32_t n = std::max(block.numSamples, 0);
    if (!prepared_ || !block.inputs || numIn <= 0) {
        for (int32_t c = 0; c < numOut; ++c) fillZeros(block.outputs[c], n);
        return allOutputs;
    }
    if (settings_.anyResponseStale()) rebuildKernels(Rebuild::ChangedOnly);

    const uint64_t inputMask = (uint64_t{1} << numIn) - 1;
    const bool inputSilent = (block.inputSilenceFlags & inputMask) == inputMask;
    const bool gainSilent = static_cast<double>(settings_.inputGain) < 0.0000001;
    const bool convolutionSilent = inputSilent || gainSilent;
    const bool convolutionDrained = convolutionSilent && samplesSinceConvolutionInput_ >= kDrainSamples;
    const bool delayDrained = inputSilent && samplesSinceDelayInput_ >= kLatency;

    float peak[kNumChannels] = {0.0f, 0.0f};
    uint64_t outputFlags = 0;
    if (convolutionDrained && (delayDrained || !settings_.bypass)) {
        // Everything that entered has left: the work would only produce zeros.
        if (!delayDrained) {
            for (int32_t c = 0; c < numIn; ++c) {
                const bool flagged = (block.inputSilenceFlags >> c) & 1u;
                pushBypassDelay(c, flagged ? nullptr : block.inputs[c], n);
            }
            advanceBypassDelay(n);
        }
        for (int32_t c = 0; c < numOut; ++c) fillZeros(block.outputs[c], n);
        for (int32_t c = 0; c < numIn; ++c) convolver_[c].skipSilence(n);
        outputFlags = allOutputs;
    } else {
        for (int32_t offset = 0; offset < n; offset += chunkSize_) {
            processChunk(block, offset, std::min(chunkSize_, n - offset), gainSilent, peak);
        }
    }
    samplesSinceConvolutionInput_ =
        convolutionSilent ? std::min<int64_t>(samplesSinceConvolutionInput_ + n, kDrainSamples) : 0;
    samplesSinceDelayInput_ = inputSilent ? std::min<int64_t>(samplesSinceDelayInput_ + n, kDrainSamples) : 0;

    if (reports && !settings_.bypass) writeReports(*reports, peak);
    return outputFlags;
}

void SignalPath::processChunk(const AudioBlock& block, int32_t offset, int32_t count, bool gainSilent,
                              float peak[kNumChannels])
{
    const int32_t numIn = std::min(block.numInputChannels, kNumChannels);
    const int32_t numOut = block.numOutputChannels;
    const ProcessingSettings& s = settings_;

    float* src[kNumChannels] = {source_[0].data(), source_[1].data()};
    float* work[kNumChannels] = {work_[0].data(), work_[1].data()};

    for (int32_t c = 0; c < numIn; ++c) {
        const float* in = block.inputs[c];
        const bool flagged = (block.inputSilenceFlags >> c) & 1u;
        if (in && !flagged) {
            std::memcpy(src[c], in + offset, sizeof(float) * static_cast<size_t>(count));
        } else {
            fillZeros(src[c], count); // a channel flagged silent reads as zeros
        }
    }

    const bool midSide = s.midSide && numIn == kNumChannels;
    if (midSide) {
        for (int32_t i = 0; i < count; ++i) {
            work[0][i] = (src[0][i] + src[1][i]) * kMatrixGain;
            work[1][i] = (src[0][i] - src[1][i]) * kMatrixGain;
        }
    }

    for (int32_t c = 0; c < numIn; ++c) {
        float* w = work[c];
        const float* from = midSide ? work[c] : src[c];
        if (gainSilent) {
            fillZeros(w, count);
        } else {
            const float enabled = static_cast<float>(s.channelEnabled[c]);
            const float inputGain = s.inputGain;
            const float channelGain = s.channelGain[c];
            for (int32_t i = 0; i < count; ++i) w[i] = enabled * from[i] * inputGain * channelGain;
        }
        convolver_[c].process(w, w, count, kernelSpectrum_[c].data(), fft_);
    }

    for (int32_t c = 0; c < numOut; ++c) {
        if (!block.outputs[c]) continue;
        float* out = block.outputs[c] + offset;
        if (c >= numIn || c >= kNumChannels) {
            fillZeros(out, count);
            continue;
        }
        if (s.bypass) {
            const float* line = bypassDelay_[c].data();
            const int32_t first = std::min(count, kLatency - bypassPos_);
            std::memcpy(out, line + bypassPos_, sizeof(float) * static_cast<size_t>(first));
            std::memcpy(out + first, line, sizeof(float) * static_cast<size_t>(count - first));
            continue;
        }
        if (midSide) {
            const float* mid = work[0];
            const float* side = work[1];
            if (c == 0) {
                for (int32_t i = 0; i < count; ++i) out[i] = (mid[i] + side[i]) * kMatrixGain;
            } else {
                for (int32_t i = 0; i < count; ++i) out[i] = (mid[i] - side[i]) * kMatrixGain;
            }
        } else {
            std::memcpy(out, work[c], sizeof(float) * static_cast<size_t>(count));
        }
        // Any sample of magnitude 1 or more clips: exactly when the peak reaches 1.
        peak[c] = peakMagnitude(out, count, peak[c]);
        if (peak[c] >= 1.0f) settings_.clip[c] = true;
    }

    // The bypass delay always runs so that switching bypass never jumps in time.
    for (int32_t c = 0; c < numIn; ++c) pushBypassDelay(c, src[c], count);
    advanceBypassDelay(count);
}

void SignalPath::pushBypassDelay(int32_t channel, const float* samples, int32_t count)
{
    float* line = bypassDelay_[channel].data();
    int32_t pos = bypassPos_;
    while (count > 0) {
        const int32_t run = std::min(count, kLatency - pos);
        if (samples) {
            std::memcpy(line + pos, samples, sizeof(float) * static_cast<size_t>(run));
            samples += run;
        } else {
            fillZeros(line + pos, run);
        }
        count -= run;
        pos = (pos + run) % kLatency;
    }
}

void SignalPath::advanceBypassDelay(int32_t count)
{
    bypassPos_ = static_cast<int32_t>((bypassPos_ + count) % kLatency);
}

void SignalPath::writeReports(OutputReports& reports, const float peak[kNumChannels])
{
    static const uint32_t clipTag[kNumChannels] = {kLpeak, kRpeak};
    static const uint32_t meterTag[kNumChannels] = {VuMeterLeft, VUMeterRight};
    static const uint32_t muteTag[kNumChannels] = {kMuteMid, kMuteSide};
    for (int c = 0; c < kNumChannels; ++c) {
        reports.report(clipTag[c], settings_.clip[c] ? 1.0 : 0.0);
        // A meter is a normalised value: full scale and above read 1, the clip lamp tells the over.
        const float meter = std::min(peak[c], 1.0f);
        if (meter != lastMeter_[c]) {
            reports.report(meterTag[c], meter);
            lastMeter_[c] = meter;
        }
        if (settings_.enableReportPending[c] == 1 && reports.report(muteTag[c], 1.0)) {
            settings_.enableReportPending[c] = 0;
        }
        for (int b = 1; b <= kNumBands; ++b) {
            FilterSection& sec = settings_.sections[c][kFirstBand + b - 1];
            if (!sec.reportPending) continue;
            reports.report(bandTag(kOn1R, b, c), sec.on ? 1.0 : 0.0);
            for (const BandParameter& p : kBandParameters)
                reports.report(bandTag(p.firstTag, b, c), sec.*p.norm);
            sec.reportPending = false;
        }
    }
}

void SignalPath::captureState(ProcessorState& state) const
{
    const ProcessingSettings& s = settings_;
    state.inputGain = s.inputGain;
    state.bypass = s.bypass;
    state.hasSettings = true;
    for (int c = 0; c < kNumChannels; ++c) {
        for (int b = 0; b < kNumBands; ++b) {
            state.bands[c][b] = s.sections[c][kFirstBand + b]; // the band's record only
        }
        state.channelEnabled[c] = s.channelEnabled[c];
        state.channelGain[c] = s.channelGain[c];
    }
    state.lowCutOn = s.sections[0][kLowCutSection].on;
    state.highCutOn = s.sections[0][kHighCutSection].on;
    state.linked = s.linked;
    state.midSide = s.midSide;
}

void SignalPath::restoreState(const ProcessorState& state)
{
    ProcessingSettings& s = settings_;
    s.inputGain = state.inputGain;
    s.bypass = state.bypass;
    if (!state.hasSettings) return;
    for (int c = 0; c < kNumChannels; ++c) {
        for (int b = 0; b < kNumBands; ++b) {
            const int section = kFirstBand + b;
            s.setOn(c, section, state.bands[c][b].on);
            static_cast<BandSettings&>(s.sections[c][section]) = state.bands[c][b];
            s.markDirty(c, section);
        }
        s.setOn(c, kLowCutSection, state.lowCutOn);
        s.setOn(c, kHighCutSection, state.highCutOn);
        s.channelEnabled[c] = state.channelEnabled[c];
        s.channelGain[c] = state.channelGain[c];
    }
    s.linked = state.linked;
    s.midSide = state.midSide;
}

} // namespace vosk
