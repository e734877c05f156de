// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalpath.h"

#include "denormals.h"
#include "lanekernels.h"

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

void SignalPath::prepare(double sampleRate, int32_t maxSamplesPerBlock, int32_t fftSize, Phase phase)
{
    ScopedFlushDenormals flushDenormals;

    sampleRateInt_ = (std::isfinite(sampleRate) && sampleRate >= 1.0 && sampleRate < 2147483647.0)
                         ? static_cast<int32_t>(sampleRate)
                         : 44100;
    chunkSize_ = std::clamp(maxSamplesPerBlock, kMinChunk, kMaxChunk);
    phase_ = phase;
    if (!fft_ || fftSize != size_.n) {
        size_ = TransformSize{fftSize};
        fft_ = std::make_unique<ffft::FFTReal<float>>(fftSize);
    }
    kernels_ = &laneKernels(fft_->lanes());

    // Each phase holds only its own convolution.
    const bool minimum = phase_ == Phase::Minimum;
    if (minimum) {
        convolver_ = BlockConvolver{};
        minimum_.allocate(size_);
    } else {
        minimum_ = MinimumConvolver{};
        convolver_.allocate(size_);
    }
    designer_.allocate(sampleRateInt_, size_, *fft_, minimum ? *fft_ : convolver_.partitionFft(), phase_,
                       &minimum_);
    responsesGiven_ = false;
    for (int c = 0; c < kNumChannels; ++c) {
        bypassDelay_[c].assign(static_cast<size_t>(latency()), 0.0f);
        source_[c].assign(static_cast<size_t>(chunkSize_), 0.0f);
        work_[c].assign(static_cast<size_t>(chunkSize_), 0.0f);
        delayed_[c].assign(static_cast<size_t>(chunkSize_), 0.0f);
    }
    listeningMix_.prepare(sampleRateInt_);
    loudness_.prepare(sampleRateInt_);
    soloHeard_ = 0;
    bypassPos_ = 0;
    samplesSinceConvolutionInput_ = drainSamples();
    samplesSinceDelayInput_ = drainSamples();
    prepared_ = true;
    designNow();
}

ResponseSettings SignalPath::responseSettings(int channels) const
{
    ResponseSettings target;
    for (int c = 0; c < kNumChannels; ++c)
        for (int s = 0; s < kNumSections; ++s) target.sections[c][s] = settings_.sections[c][s];
    // The matrix needs both channels.
    target.midSide = settings_.midSide && channels == kNumChannels;
    applySolo(listening_, target);
    return target;
}

void SignalPath::designNow()
{
    if (!prepared_) return;
    ScopedFlushDenormals flushDenormals;
    designer_.designNow(responseSettings(kNumChannels), *fft_, convolver_);
    if (phase_ == Phase::Minimum) {
        // From the hop being played on; a hop already begun is designed afresh.
        const int64_t hop = minimum_.time() / size_.half();
        minimum_.setResponses(designer_.responses(), hop);
        minimum_.setResponses(designer_.responses(), hop + 1);
        // Past the hand-over the next hop keeps these; before it, the hop's design comes on time.
        responsesGiven_ = minimumInHop() >= size_.half() - minimum_.responsesLead();
    }
    hopStarted_ = false;
    firstHop_ = true;
}

void SignalPath::startHop(int channels)
{
    // At zero latency the hop before has always been heard, with the responses in use.
    designer_.begin(responseSettings(channels), !firstHop_ || phase_ == Phase::Minimum);
    hopStarted_ = true;
    // This hop comes out after the latency and fades out over the hop after it.
    if (listening_.solo()) soloHeard_ = latency() + 2 * size_.half();
}

void SignalPath::endBlock(int channels)
{
    const bool hopEnds = convolver_.secondBlock();
    convolver_.endBlock(channels);
    shared_ = false;
    if (!hopEnds) return;
    hopStarted_ = false;
    firstHop_ = false;
}

// The hop's design is due at three quarters of it, where the products of its
// first block begin.
void SignalPath::startProducts()
{
    designer_.run(INT64_MAX, *fft_, convolver_);
    convolver_.startProducts(designer_.responses());
    designer_.commit();
    shared_ = false;
}

// Minimum phase: the hop's design is due where the largest segment lays out
// the first block that the next hop hears.
void SignalPath::giveMinimumResponses()
{
    designer_.run(INT64_MAX, *fft_, convolver_);
    minimum_.setResponses(designer_.responses(), minimum_.time() / size_.half() + 1);
    designer_.commit();
    responsesGiven_ = true;
    shared_ = false;
}

// A call whose audio does not reach the next deadline does its share of the work
// due there: what is left, divided among it and the calls of the same size that
// still end before the deadline. The call that reaches it finishes the rest.
void SignalPath::spreadWork(int32_t callSamples, int32_t position)
{
    if (shared_) return;
    shared_ = true;
    const int64_t restOfCall = callSamples - position;
    auto share = [&](int64_t left, int64_t toDeadline) -> int64_t {
        if (left <= 0 || toDeadline < 0 || restOfCall >= toDeadline) return 0;
        const int64_t calls = 1 + (toDeadline - restOfCall - 1) / callSamples;
        return (left + calls - 1) / calls;
    };
    const bool minimum = phase_ == Phase::Minimum;
    const int64_t toResponses = minimum ? minimumSamplesToResponses() : convolver_.samplesToResponses();
    const int64_t design = share(designer_.workLeft(), toResponses);
    if (design > 0) designer_.run(design, *fft_, convolver_);
    if (minimum) return; // the convolution spreads its own work
    const int64_t convolution = share(convolver_.workLeft(), convolver_.samplesToEvent());
    if (convolution > 0) convolver_.run(convolution);
}

std::vector<float> SignalPath::kernelTaps(int channel) const
{
    if (phase_ == Phase::Minimum) {
        std::vector<float> taps(static_cast<size_t>(size_.n), 0.0f);
        std::copy(kernelSpectrum(channel), kernelSpectrum(channel) + size_.half(), taps.begin());
        return taps;
    }
    const ffft::FFTReal<float>& fft = convolver_.partitionFft();
    const int32_t length = fft.get_length();
    std::vector<float> taps(static_cast<size_t>(2 * length), 0.0f), partition(static_cast<size_t>(length));
    const int32_t quarter = length / 2;
    for (int p = 0; p < 2; ++p) {
        fft.inverse_transform(kernelSpectrum(channel) + p * length, partition.data());
        fft.rescale_by_length(partition.data());
        std::copy(partition.begin(), partition.begin() + quarter, taps.begin() + p * quarter);
    }
    return taps;
}

uint64_t SignalPath::process(const AudioBlock& block, OutputReports* reports)
{
    ScopedFlushDenormals flushDenormals;
    const int32_t numIn = std::min(block.numInputChannels, kNumChannels);
    const int32_t numOut = block.numOutputChannels;
    const int32_t n = std::max(block.numSamples, 0);
    const ParameterPoint* points = block.points;
    const int32_t numPoints = points ? std::max(block.numPoints, 0) : 0;
    int32_t nextPoint = 0;
    auto applyPointsUpTo = [&](int64_t offset) {
        for (; nextPoint < numPoints && points[nextPoint].offset <= offset; ++nextPoint)
            applyParameter(points[nextPoint].id, points[nextPoint].value);
    };

    if (!block.outputs || numOut <= 0) {
        applyPointsUpTo(INT64_MAX);
        return 0;
    }
    const uint64_t allOutputs = numOut >= 64 ? ~uint64_t{0} : (uint64_t{1} << numOut) - 1;

    // Without input there is nothing to play: what the host left in the outputs must not sound.
    if (!prepared_ || !block.inputs || numIn <= 0) {
        applyPointsUpTo(INT64_MAX);
        for (int32_t c = 0; c < numOut; ++c) fillZeros(block.outputs[c], n);
        return allOutputs;
    }

    float peak[kNumChannels] = {0.0f, 0.0f};
    bool silent = n > 0;
    shared_ = false;
    listeningMix_.setTargets(listening_.delta, listening_.compare);
    const bool minimum = phase_ == Phase::Minimum;
    for (int32_t position = 0;;) {
        applyPointsUpTo(position);
        if (position >= n) break;
        if (!hopStarted_) startHop(numIn);
        if (minimum) {
            int32_t end = std::min(n, position + minimumSamplesToEvent());
            if (nextPoint < numPoints) end = std::min(end, points[nextPoint].offset);
            spreadWork(n, position);
            const bool drained = processSegment(block, position, end - position, peak);
            silent = silent && drained;
            position = end;
            if (minimumSamplesToResponses() == 0) giveMinimumResponses();
            if (minimumInHop() == 0) {
                hopStarted_ = responsesGiven_ = shared_ = false;
                firstHop_ = false;
            }
            continue;
        }
        int32_t end = std::min<int64_t>(n, position + convolver_.samplesToEvent());
        if (nextPoint < numPoints) end = std::min(end, points[nextPoint].offset);
        spreadWork(n, position);
        const bool drained = processSegment(block, position, end - position, peak);
        silent = silent && drained;
        position = end;
        if (convolver_.responsesDue()) startProducts();
        if (convolver_.blockComplete()) endBlock(numIn);
    }
    applyPointsUpTo(INT64_MAX);

    // Bypassed, the meters rest; the host is still told what the link and the mutes set
    // and whether a lamp is lit, so that its values stay those the processor holds.
    if (reports) writeReports(*reports, settings_.bypass ? nullptr : peak);
    return silent ? allOutputs : 0;
}

// One stretch of the block with the same settings, within one hop; answers
// whether it took the short way of drained silence.
bool SignalPath::processSegment(const AudioBlock& block, int32_t offset, int32_t count,
                                float peak[kNumChannels])
{
    const int32_t numIn = std::min(block.numInputChannels, kNumChannels);
    const int32_t numOut = block.numOutputChannels;
    const uint64_t inputMask = (uint64_t{1} << numIn) - 1;
    const bool inputSilent = (block.inputSilenceFlags & inputMask) == inputMask;
    const bool gainSilent = static_cast<double>(settings_.inputGain) < 0.0000001;
    const bool convolutionSilent = inputSilent || gainSilent;
    const int64_t drain = drainSamples();
    const bool convolutionDrained = convolutionSilent && samplesSinceConvolutionInput_ >= drain;
    const bool delayDrained = inputSilent && samplesSinceDelayInput_ >= latency();

    // Bypass, delta and compare play the delayed input too, and the measure reads it.
    const bool delayHeard = settings_.bypass || listeningMix_.active() || measuring_;
    const bool drained = convolutionDrained && (delayDrained || !delayHeard);
    if (drained) {
        // Everything that entered has left: the work would only produce zeros.
        if (!delayDrained && latency() > 0) {
            for (int32_t c = 0; c < numIn; ++c) {
                const bool flagged = (block.inputSilenceFlags >> c) & 1u;
                pushBypassDelay(c, flagged || !block.inputs[c] ? nullptr : block.inputs[c] + offset, count);
            }
            advanceBypassDelay(count);
        }
        for (int32_t c = 0; c < numOut; ++c)
            fillZeros(block.outputs[c] ? block.outputs[c] + offset : nullptr, count);
        if (phase_ == Phase::Minimum) {
            minimum_.skipSilence(count);
        } else {
            convolver_.skipSilence(count);
        }
        listen(block, offset, count, nullptr);
    } else {
        for (int32_t done = 0; done < count; done += chunkSize_) {
            processChunk(block, offset + done, std::min(chunkSize_, count - done), gainSilent, peak);
        }
    }
    samplesSinceConvolutionInput_ =
        convolutionSilent ? std::min<int64_t>(samplesSinceConvolutionInput_ + count, drain) : 0;
    samplesSinceDelayInput_ = inputSilent ? std::min<int64_t>(samplesSinceDelayInput_ + count, drain) : 0;
    return drained;
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

    // Each hop is encoded, filtered and decoded in the domain of its own settings.
    const bool midSide = designer_.nextMidSide() && numIn == kNumChannels;
    const bool minimum = phase_ == Phase::Minimum;
    const LaneKernels& kernels = *kernels_;
    if (midSide) {
        kernels.sumScaled(work[0], src[0], src[1], kMatrixGain, count);
        kernels.differenceScaled(work[1], src[0], src[1], kMatrixGain, count);
    }

    for (int32_t c = 0; c < numIn; ++c) {
        float* w = work[c];
        const float* from = midSide ? work[c] : src[c];
        if (gainSilent) {
            fillZeros(w, count);
        } else {
            const float enabled = static_cast<float>(s.channelEnabled[c]);
            kernels.gain(w, from, enabled, s.inputGain, s.channelGain[c], count);
        }
        if (!minimum) convolver_.exchange(c, w, w, count);
    }
    if (minimum) {
        // The responses of a zero-latency hop filter all the input before it, so the
        // convolution takes left/right and each response works in its own domain.
        if (midSide) {
            float* right = delayed_[0].data();
            kernels.differenceScaled(right, work[0], work[1], kMatrixGain, count);
            kernels.sumScaled(work[0], work[0], work[1], kMatrixGain, count);
            std::memcpy(work[1], right, sizeof(float) * static_cast<size_t>(count));
        }
        minimum_.process(work, work, numIn, count);
    } else {
        convolver_.advance(count);
    }
    const bool outputMidSide = !minimum && convolver_.outputMidSide() && numIn == kNumChannels;

    for (int32_t c = 0; c < numOut; ++c) {
        if (!block.outputs[c]) continue;
        float* out = block.outputs[c] + offset;
        if (c >= numIn || c >= kNumChannels) {
            fillZeros(out, count);
            continue;
        }
        if (s.bypass) {
            readBypassDelay(c, out, count, src[c]);
            continue;
        }
        if (outputMidSide) {
            const float* mid = work[0];
            const float* side = work[1];
            if (c == 0) {
                kernels.sumScaled(out, mid, side, kMatrixGain, count);
            } else {
                kernels.differenceScaled(out, mid, side, kMatrixGain, count);
            }
        } else {
            std::memcpy(out, work[c], sizeof(float) * static_cast<size_t>(count));
        }
        // Any sample of magnitude 1 or more clips, but only from this stretch on: a
        // clear inside the block came before it, and the samples before the clear
        // must not light the lamp again.
        const float stretchPeak = peakMagnitude(out, count, 0.0f);
        peak[c] = std::max(peak[c], stretchPeak);
        if (stretchPeak >= 1.0f && !settings_.clip[c]) {
            settings_.clip[c] = true;
            lampLit_ = true;
        }
    }

    listen(block, offset, count, src);

    // The bypass delay always runs so that switching bypass never jumps in time.
    if (latency() == 0) return;
    for (int32_t c = 0; c < numIn; ++c) pushBypassDelay(c, src[c], count);
    advanceBypassDelay(count);
}

// The loudness of the input and of the processed output, then what the engineer
// asked to hear instead; `source` null: both silent.
void SignalPath::listen(const AudioBlock& block, int32_t offset, int32_t count, const float* const* source)
{
    const int32_t numIn = std::min(block.numInputChannels, kNumChannels);
    const int heard = std::min(numIn, block.numOutputChannels);
    float* outputs[kNumChannels] = {nullptr, nullptr};
    const float* delayed[kNumChannels] = {nullptr, nullptr};
    for (int c = 0; c < heard; ++c) outputs[c] = block.outputs[c] ? block.outputs[c] + offset : nullptr;
    const bool processed = !settings_.bypass && soloHeard_ == 0 && !listening_.solo();
    soloHeard_ = std::max<int64_t>(soloHeard_ - count, 0);
    const bool mixing = !settings_.bypass && listeningMix_.active();
    if (measuring_) {
        // The input as the output has it, delayed by the latency: read where the
        // bypass delay holds it, in the two stretches of its ring.
        loudness_.setFrozen(listeningMix_.comparing());
        // At zero latency it is the input itself.
        const int32_t first = latency() == 0 ? count : std::min(count, latency() - bypassPos_);
        const float* ring[kNumChannels] = {nullptr, nullptr};
        for (int c = 0; c < numIn && source; ++c)
            ring[c] = latency() == 0 ? source[c] : bypassDelay_[c].data() + bypassPos_;
        loudness_.add(source ? ring : nullptr, source ? outputs : nullptr, numIn, first, processed);
        if (first < count) {
            const float* more[kNumChannels] = {nullptr, nullptr};
            float* after[kNumChannels] = {nullptr, nullptr};
            for (int c = 0; c < numIn && source; ++c) more[c] = bypassDelay_[c].data();
            for (int c = 0; c < heard; ++c) after[c] = outputs[c] ? outputs[c] + first : nullptr;
            loudness_.add(source ? more : nullptr, source ? after : nullptr, numIn, count - first, processed);
        }
    }
    if (!mixing) return;
    if (source) {
        for (int c = 0; c < numIn; ++c) {
            readBypassDelay(c, delayed_[c].data(), count, source[c]);
            delayed[c] = delayed_[c].data();
        }
    }
    if (!source) {
        // Drained: the processed signal and the delayed input are both silent.
        listeningMix_.advance(count);
        return;
    }
    float* mixed[kNumChannels];
    const float* inputs[kNumChannels];
    int channels = 0;
    for (int c = 0; c < heard; ++c) {
        if (!outputs[c]) continue;
        mixed[channels] = outputs[c];
        inputs[channels++] = delayed[c];
    }
    listeningMix_.mix(mixed, inputs, channels, count, loudness_.inputToOutputGain());
}

void SignalPath::setMeasuring(bool on)
{
    if (on && !measuring_) loudness_.restart();
    measuring_ = on;
}

void SignalPath::readBypassDelay(int32_t channel, float* to, int32_t count, const float* source) const
{
    if (latency() == 0) {
        std::memcpy(to, source, sizeof(float) * static_cast<size_t>(count));
        return;
    }
    const float* line = bypassDelay_[channel].data();
    const int32_t first = std::min(count, latency() - bypassPos_);
    std::memcpy(to, line + bypassPos_, sizeof(float) * static_cast<size_t>(first));
    std::memcpy(to + first, line, sizeof(float) * static_cast<size_t>(count - first));
}

void SignalPath::pushBypassDelay(int32_t channel, const float* samples, int32_t count)
{
    float* line = bypassDelay_[channel].data();
    int32_t pos = bypassPos_;
    while (count > 0) {
        const int32_t run = std::min(count, latency() - pos);
        if (samples) {
            std::memcpy(line + pos, samples, sizeof(float) * static_cast<size_t>(run));
            samples += run;
        } else {
            fillZeros(line + pos, run);
        }
        count -= run;
        pos = (pos + run) % latency();
    }
}

void SignalPath::advanceBypassDelay(int32_t count)
{
    bypassPos_ = static_cast<int32_t>((bypassPos_ + count) % latency());
}

void SignalPath::writeReports(OutputReports& reports, const float peak[kNumChannels])
{
    // A switch told to the host is held at the value it was told, as if the host had set it.
    const auto hold = [this](uint32_t id, double value) {
        float& held = settings_.heldValues[static_cast<size_t>(heldValueIndex(id))];
        valueHeld_ = valueHeld_ || held != static_cast<float>(value);
        held = static_cast<float>(value);
    };
    static const uint32_t clipTag[kNumChannels] = {kLpeak, kRpeak};
    static const uint32_t meterTag[kNumChannels] = {VuMeterLeft, VUMeterRight};
    static const uint32_t muteTag[kNumChannels] = {kMuteMid, kMuteSide};
    for (int c = 0; c < kNumChannels; ++c) {
        reports.report(clipTag[c], settings_.clip[c] ? 1.0 : 0.0);
        // A meter is a normalised value: full scale and above read 1, the clip lamp tells the over.
        const float meter = peak ? std::min(peak[c], 1.0f) : lastMeter_[c];
        if (meter != lastMeter_[c]) {
            reports.report(meterTag[c], meter);
            lastMeter_[c] = meter;
        }
        if (settings_.enableReportPending[c] == 1 && reports.report(muteTag[c], 1.0)) {
            settings_.enableReportPending[c] = 0;
            hold(muteTag[c], 1.0);
        }
        for (int b = 1; b <= kNumBands; ++b) {
            FilterSection& sec = settings_.sections[c][kFirstBand + b - 1];
            if (!sec.reportPending) continue;
            reports.report(bandTag(kOn1R, b, c), sec.on ? 1.0 : 0.0);
            hold(bandTag(kOn1R, b, c), sec.on ? 1.0 : 0.0);
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
    for (int c = 0; c < kNumChannels; ++c) state.clip[c] = s.clip[c];
    state.hasHeldValues = true;
    state.heldValues = s.heldValues;
}

void SignalPath::restoreState(const ProcessorState& state)
{
    ProcessingSettings& s = settings_;
    s.inputGain = state.inputGain;
    s.bypass = state.bypass;
    if (!state.hasSettings) return;
    for (int c = 0; c < kNumChannels; ++c) {
        for (int b = 0; b < kNumBands; ++b) {
            static_cast<BandSettings&>(s.sections[c][kFirstBand + b]) = state.bands[c][b];
        }
        s.sections[c][kLowCutSection].on = state.lowCutOn;
        s.sections[c][kHighCutSection].on = state.highCutOn;
        s.channelEnabled[c] = state.channelEnabled[c];
        s.channelGain[c] = state.channelGain[c];
    }
    s.linked = state.linked;
    s.midSide = state.midSide;
    for (int c = 0; c < kNumChannels; ++c) s.clip[c] = state.clip[c];
    s.heldValues = state.heldValues;
    // The spare sections' shapes have no other record than their type values.
    if (state.hasHeldValues) {
        for (int c = 0; c < kNumChannels; ++c)
            for (uint32_t id : {kType5, kType6})
                s.sections[c][id - kType1 + 1].shape =
                    shapeFromTypeValue(state.heldValues[heldValueIndex(id)]);
    }
}

} // namespace vosk
