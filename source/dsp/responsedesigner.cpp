#include "responsedesigner.h"

#include <algorithm>
#include <cstring>

namespace vosk {

namespace {

// Whether two settings of one section give the same kernel.
bool sameKernel(const BandSettings& a, const BandSettings& b, int section)
{
    if (a.shape != b.shape || a.freqHz != b.freqHz) return false;
    if (section != kLowCutSection && section != kHighCutSection && a.q != b.q) return false; // the length
    return a.shape != ShapeBell || (a.gain == b.gain && a.width == b.width);
}

bool sameResponse(const BandSettings (&a)[kNumSections], const BandSettings (&b)[kNumSections])
{
    for (int s = 0; s < kNumSections; ++s) {
        if (isSpareSection(s)) continue; // never on
        if (a[s].on != b[s].on) return false;
        if (a[s].on && !sameKernel(a[s], b[s], s)) return false;
    }
    return true;
}

int storedIndex(int section)
{
    return section < 5 ? section : section - 2; // the spares own no spectrum
}

} // namespace

void ResponseDesigner::allocate(int32_t sampleRate, TransformSize size)
{
    sampleRate_ = sampleRate;
    size_ = size;
    const size_t n = static_cast<size_t>(size.n);
    windows_.allocate(size.maxSectionLength());
    scratch_.assign(n, 0.0f);
    shiftSpectrum_.assign(n, 0.0f);
    fillShiftSpectrum(shiftSpectrum_.data(), size.n);
    sectionSpectra_.assign(kNumChannels * kDesignedSections * n, 0.0f);
    const int32_t longest = size.maxSectionLength();
    const int32_t sectionSteps =
        2 + (longest + kWindowChunk - 1) / kWindowChunk + (longest / 2 + kTapChunk) / kTapChunk;
    steps_.resize(static_cast<size_t>(kNumChannels * (kDesignedSections * (sectionSteps + 1) + 3)));
    for (int c = 0; c < kNumChannels; ++c) {
        for (bool& d : designed_[c]) d = false;
        kernels_[c][0].assign(n, 0.0f);
        kernels_[c][1].assign(n, 0.0f);
        inUse_[c] = 0;
        changes_[c] = false;
    }
    inUseValid_ = false;
    stepCount_ = nextStep_ = 0;
    responses_ = HopResponses{};
}

float* ResponseDesigner::sectionSpectrum(int channel, int section)
{
    const size_t index = static_cast<size_t>(channel * kDesignedSections + storedIndex(section));
    return sectionSpectra_.data() + index * static_cast<size_t>(size_.n);
}

void ResponseDesigner::add(StepKind kind, int channel, int section, int32_t from, int32_t to)
{
    steps_[static_cast<size_t>(stepCount_++)] = Step{kind, static_cast<int8_t>(channel), static_cast<int8_t>(section), from, to};
}

void ResponseDesigner::addSectionDesign(int channel, int section)
{
    const int32_t length = sectionLength(target_.sections[channel][section], section, sampleRate_, size_);
    add(StepKind::Plan, channel, section, length);
    for (int32_t from = 0; from < length; from += kWindowChunk) add(StepKind::Window, channel, section, length);
    const int32_t offsets = length / 2 + 1;
    for (int32_t from = 0; from < offsets; from += kTapChunk)
        add(StepKind::Taps, channel, section, from, std::min(offsets, from + kTapChunk));
    add(StepKind::SectionSpectrum, channel, section);
}

void ResponseDesigner::begin(const ResponseSettings& target, bool fade)
{
    target_ = target;
    stepCount_ = nextStep_ = 0;
    bool any = false;
    for (int c = 0; c < kNumChannels; ++c) {
        changes_[c] = !inUseValid_ || !sameResponse(target.sections[c], inUseSettings_.sections[c]);
        any = any || changes_[c];
        if (!changes_[c]) continue;
        bool anyOn = false;
        for (int s = 0; s < kNumSections; ++s) {
            const BandSettings& section = target.sections[c][s];
            if (isSpareSection(s) || !section.on) continue;
            anyOn = true;
            if (!designed_[c][s] || !sameKernel(designedFrom_[c][s], section, s)) addSectionDesign(c, s);
            add(StepKind::Combine, c, s);
        }
        if (!anyOn) add(StepKind::Combine, c, -1); // a pure delay
        add(StepKind::Truncate, c);
        add(StepKind::KernelSpectrum, c);
    }

    responses_.previousMidSide = inUseValid_ ? inUseSettings_.midSide : target.midSide;
    responses_.nextMidSide = target.midSide;
    for (int c = 0; c < kNumChannels; ++c) {
        responses_.previous[c] = kernelInUse(c);
        responses_.next[c] = changes_[c] ? nextKernel(c) : kernelInUse(c);
    }
    responses_.fade = fade && inUseValid_ && (any || responses_.domainChanges());
    if (responses_.fade) {
        for (int c = 0; c < kNumChannels; ++c)
            if (responses_.changes(c)) add(StepKind::Tail, c);
    }
    if (any) ++designsBegun_;
}

void ResponseDesigner::run(int32_t steps, const ffft::FFTReal<float>& fft, BlockConvolver& convolver)
{
    for (; steps > 0 && nextStep_ < stepCount_; --steps)
        runStep(steps_[static_cast<size_t>(nextStep_++)], fft, convolver);
}

void ResponseDesigner::runStep(const Step& step, const ffft::FFTReal<float>& fft, BlockConvolver& convolver)
{
    const int c = step.channel;
    const int s = step.section;
    float* scratch = scratch_.data();
    switch (step.kind) {
    case StepKind::Plan:
        plan_ = planSection(target_.sections[c][s], step.from, sampleRate_);
        std::fill(scratch_.begin(), scratch_.end(), 0.0f);
        break;
    case StepKind::Window:
        windows_.fill(step.from, kWindowChunk);
        break;
    case StepKind::Taps:
        writeTaps(plan_, windows_.window(plan_.length), scratch, size_.centre(), step.from, step.to);
        break;
    case StepKind::SectionSpectrum:
        fft.forward_transform(sectionSpectrum(c, s), scratch);
        designedFrom_[c][s] = target_.sections[c][s];
        designed_[c][s] = true;
        break;
    case StepKind::Combine: {
        float* kernel = nextKernel(c);
        if (s < 0) {
            std::fill(scratch_.begin(), scratch_.end(), 0.0f);
            scratch[size_.centre()] = 1.0f;
            fft.forward_transform(kernel, scratch);
            break;
        }
        // Sections combine in order; each product but the first is moved back to the centre.
        int first = 0;
        while (isSpareSection(first) || !target_.sections[c][first].on) ++first;
        if (s == first) {
            std::memcpy(kernel, sectionSpectrum(c, s), sizeof(float) * static_cast<size_t>(size_.n));
        } else {
            multiplySpectrum(kernel, sectionSpectrum(c, s), size_.n);
            multiplySpectrum(kernel, shiftSpectrum_.data(), size_.n);
        }
        break;
    }
    case StepKind::Truncate:
        // N/2 taps at most, so that the block convolution cannot wrap around.
        fft.inverse_transform(nextKernel(c), scratch);
        fft.rescale_by_length(scratch);
        std::fill(scratch_.begin() + size_.half(), scratch_.end(), 0.0f);
        break;
    case StepKind::KernelSpectrum:
        fft.forward_transform(nextKernel(c), scratch);
        break;
    case StepKind::Tail:
        convolver.prepareTail(c, responses_, fft);
        break;
    }
}

void ResponseDesigner::commit()
{
    for (int c = 0; c < kNumChannels; ++c) {
        if (changes_[c]) inUse_[c] = 1 - inUse_[c];
        changes_[c] = false;
        responses_.previous[c] = responses_.next[c] = kernelInUse(c);
    }
    inUseSettings_ = target_;
    inUseValid_ = true;
    stepCount_ = nextStep_ = 0;
    responses_.previousMidSide = responses_.nextMidSide = target_.midSide;
    responses_.fade = false;
}

void ResponseDesigner::designNow(const ResponseSettings& target, const ffft::FFTReal<float>& fft,
                                 BlockConvolver& convolver)
{
    begin(target, false);
    run(stepsLeft(), fft, convolver);
    commit();
}

} // namespace vosk
