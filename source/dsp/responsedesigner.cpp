// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "responsedesigner.h"

#include "lanemath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

namespace {

// Whether two settings of one section give the same kernel.
bool sameKernel(const BandSettings& a, const BandSettings& b, int section)
{
    if (a.shape != b.shape || a.freqHz != b.freqHz) return false;
    if (section != kLowCutSection && section != kHighCutSection && a.q != b.q) return false; // the length
    return (a.shape != ShapeBell && a.shape != ShapeBellRegion) || (a.gain == b.gain && a.width == b.width);
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

// Values per step of the minimum-phase design's passes over the long arrays, and
// bins per step of its logarithms and exponentials.
constexpr int32_t kLongChunk = 4096;
constexpr int32_t kLogBins = 2048;
constexpr int32_t kExpBins = 2048;
// The magnitude's floor before its logarithm, as a power: -80 dB, far below the
// -40 dB the magnitude must hold to, and shallow enough that the cepstrum's
// aliasing stays below -100 dB of its largest value (at -90 dB it reached -99 dB
// at 16384 points and 44.1 kHz). A low cut's bass moves by 0.004 dB at most.
constexpr float kFloorPower = 1e-8f;

} // namespace

void ResponseDesigner::allocate(int32_t sampleRate, TransformSize size, const ffft::FFTReal<float>& fft,
                                const ffft::FFTReal<float>& partitionFft, Phase phase,
                                const MinimumConvolver* minimum)
{
    phase_ = minimum ? phase : Phase::Linear;
    math_ = &laneMath(fft.lanes());
    minimum_ = minimum;
    sampleRate_ = sampleRate;
    size_ = size;
    const size_t n = static_cast<size_t>(size.n);
    windows_.allocate(size.maxSectionLength());
    shiftSpectrum_.assign(n, 0.0f);
    fillShiftSpectrum(shiftSpectrum_.data(), size.n);
    sectionSpectra_.assign(kNumChannels * kDesignedSections * n, 0.0f);
    auto costs = [](std::vector<int32_t>& to, int32_t count, auto cost) {
        to.resize(static_cast<size_t>(count));
        for (int32_t part = 0; part < count; ++part) to[static_cast<size_t>(part)] = cost(part);
    };
    // Linear phase keeps the costs its layout was measured with; minimum phase's
    // are measured beside its convolution, whose cache the sections' arrays share:
    // there a forward transform's part takes about 11/8 of what an inverse part of
    // the same count does.
    const bool minimumCosts = minimum && phase == Phase::Minimum;
    windowCost_ = minimumCosts ? kMinimumWindowCost : kTrigCost;
    tapCost_ = minimumCosts ? kMinimumTapCost : kTapCost;
    auto forwardCost = [minimumCosts](const ffft::FFTReal<float>& transform, int32_t part) {
        return minimumCosts ? transform.forward_part_cost(part) * 11 / 8 : transform.forward_part_cost(part);
    };
    costs(forwardCost_, fft.forward_part_count(), [&](int32_t part) { return forwardCost(fft, part); });
    costs(inverseCost_, fft.inverse_part_count(), [&](int32_t part) { return fft.inverse_part_cost(part); });
    costs(partitionCost_, partitionFft.forward_part_count(),
          [&](int32_t part) { return partitionFft.forward_part_cost(part); });

    const int32_t longest = size.maxSectionLength();
    const int32_t forward = fft.forward_part_count();
    const int32_t sectionSteps =
        1 + (longest + kWindowChunk - 1) / kWindowChunk + (longest / 2 + kTapChunk) / kTapChunk + forward;
    const int32_t combineSteps = (size.n / 2 + kCombineBins) / kCombineBins;
    int32_t kernelSteps = 1 + forward + fft.inverse_part_count() + 2 * partitionFft.forward_part_count();
    size_t kernelSize = n;
    if (phase_ == Phase::Minimum) {
        const int32_t m = cepstrumLength(size);
        // Exact twiddles in both long transforms: the recursion's drift would turn
        // the phase by hundredths of a radian near the high cut, and the response
        // cut to N/2 taps would then miss its steep slope by up to 0.02 dB.
        if (!longFft_ || longFft_->get_length() != m)
            longFft_ = std::make_unique<ffft::FFTReal<float>>(m, ffft::widest_lanes(), true, true);
        for (auto* v : {&longTime_, &longSpectrum_}) v->assign(static_cast<size_t>(m), 0.0f);
        costs(longForwardCost_, longFft_->forward_part_count(), [&](int32_t part) {
            return readsTapsAlone() ? longFft_->forward_padded_part_cost(part) * 11 / 8
                                    : forwardCost(*longFft_, part);
        });
        costs(longInverseCost_, longFft_->inverse_part_count(),
              [&](int32_t part) { return longFft_->inverse_part_cost(part); });
        const int32_t e = kExponentialFactor * size.n;
        // Where it is shorter, its parts run on the long transform's work array,
        // idle while they do; else the long transform is the same one.
        if (e == m)
            expFft_.reset();
        else if (!expFft_ || expFft_->get_length() != e)
            expFft_ = std::make_unique<ffft::FFTReal<float>>(e, ffft::widest_lanes(), false, true);
        const ffft::FFTReal<float>& exponential = exponentialFft();
        costs(expForwardCost_, exponential.forward_part_count(),
              [&](int32_t part) { return forwardCost(exponential, part); });
        costs(expInverseCost_, exponential.inverse_part_count(),
              [&](int32_t part) { return exponential.inverse_part_cost(part); });
        const MinimumLayout& layout = minimum->layout();
        kernelSteps += 2 * (m / kLongChunk + 1) + 2 * (longFft_->forward_part_count() + longFft_->inverse_part_count()) +
                       (m / 2 / kLogBins + 1) + (m / 2 / kExpBins + 1) + (size.half() / kLongChunk + 1);
        for (int s = 0; s < layout.count; ++s)
            kernelSteps += layout.segments[s].partitions * (1 + minimum->segmentFft(s).forward_part_count());
        kernelSize = static_cast<size_t>(layout.size);
        // The long arrays are idle while a channel's sections and its linear taps
        // are designed, and between channels: the shorter arrays live in them.
        for (auto* v : {&scratchStore_, &workStore_, &partitionStore_, &combinedStore_[0], &combinedStore_[1]})
            std::vector<float>().swap(*v);
        scratch_ = longTime_.data();
        work_ = longFft_->use_buffer();
        combined_[0] = combined_[1] = partitionInput_ = longSpectrum_.data();
    } else {
        longFft_.reset();
        expFft_.reset();
        for (auto* v : {&longTime_, &longSpectrum_}) std::vector<float>().swap(*v);
        scratchStore_.assign(n, 0.0f);
        workStore_.assign(n, 0.0f);
        partitionStore_.assign(n / 2, 0.0f);
        scratch_ = scratchStore_.data();
        work_ = workStore_.data();
        partitionInput_ = partitionStore_.data();
        for (int c = 0; c < kNumChannels; ++c) {
            combinedStore_[c].assign(n, 0.0f);
            combined_[c] = combinedStore_[c].data();
        }
    }
    steps_.resize(static_cast<size_t>(kNumChannels *
                                      (kDesignedSections * (sectionSteps + combineSteps) + kernelSteps)));
    for (int c = 0; c < kNumChannels; ++c) {
        for (bool& d : designed_[c]) d = false;
        for (auto& kernel : kernels_[c]) kernel.assign(kernelSize, 0.0f);
        inUse_[c] = 0;
        changes_[c] = false;
    }
    inUseValid_ = false;
    sharedInUse_ = false;
    stepCount_ = nextStep_ = 0;
    workLeft_ = 0;
    responses_ = HopResponses{};
}

float* ResponseDesigner::sectionSpectrum(int channel, int section)
{
    const size_t index = static_cast<size_t>(channel * kDesignedSections + storedIndex(section));
    return sectionSpectra_.data() + index * static_cast<size_t>(size_.n);
}

void ResponseDesigner::add(StepKind kind, int channel, int section, int32_t from, int32_t to, int32_t cost)
{
    steps_[static_cast<size_t>(stepCount_++)] =
        Step{kind, static_cast<int8_t>(channel), static_cast<int8_t>(section), from, to, cost};
    workLeft_ += cost;
}

void ResponseDesigner::addTransform(StepKind kind, int channel, int section,
                                    const std::vector<int32_t>& costs)
{
    for (size_t part = 0; part < costs.size(); ++part)
        add(kind, channel, section, static_cast<int32_t>(part), 0, costs[part]);
}

void ResponseDesigner::addSectionDesign(int channel, int section)
{
    const int32_t length = sectionLength(target_.sections[channel][section], section, sampleRate_, size_);
    add(StepKind::Plan, channel, section, length, 0, size_.n);
    for (int32_t from = 0; from < length; from += kWindowChunk)
        add(StepKind::Window, channel, section, length, 0, kWindowChunk * windowCost_);
    const int32_t offsets = length / 2 + 1;
    for (int32_t from = 0; from < offsets; from += kTapChunk) {
        const int32_t to = std::min(offsets, from + kTapChunk);
        add(StepKind::Taps, channel, section, from, to, (to - from) * tapCost_);
    }
    addTransform(StepKind::SectionSpectrum, channel, section, forwardCost_);
}

// The steps after the sections' spectra: N/2 taps at most, and their partitions' spectra.
void ResponseDesigner::addKernelDesign(int channel)
{
    addTransform(StepKind::Truncate, channel, 0, inverseCost_);
    steps_[static_cast<size_t>(stepCount_ - 1)].cost += size_.n;
    workLeft_ += size_.n;
    if (phase_ == Phase::Minimum) {
        addMinimumDesign(channel);
        return;
    }
    for (int partition = 0; partition < 2; ++partition) {
        addTransform(StepKind::Partition, channel, partition, partitionCost_);
        steps_[static_cast<size_t>(stepCount_ - static_cast<int32_t>(partitionCost_.size()))].cost +=
            size_.n / 8;
        workLeft_ += size_.n / 8;
    }
}

// The minimum-phase response with the linear one's magnitude, by its real
// cepstrum: the linear taps' log magnitude, transformed back, folded onto the
// causal half and exponentiated is the minimum phase's spectrum.
void ResponseDesigner::addMinimumDesign(int channel)
{
    const int32_t m = longFft_->get_length();
    auto chunks = [&](StepKind kind, int32_t first, int32_t count, int32_t chunk, int32_t cost) {
        for (int32_t from = first; from < count; from += chunk) {
            const int32_t to = std::min(count, from + chunk);
            add(kind, channel, 0, from, to, (to - from) * cost);
        }
    };
    const int32_t bins = m / 2 + 1;
    // Costs as measured: a value padded takes about one butterfly value, one
    // folded six, a logarithm in lanes eight and an exponential with its cosine
    // and sine twelve.
    if (!readsTapsAlone()) chunks(StepKind::Pad, size_.half(), m, kLongChunk, 1);
    addTransform(StepKind::LongForward, channel, 0, longForwardCost_);
    chunks(StepKind::LogMagnitude, 0, bins, kLogBins, 8);
    addTransform(StepKind::LongInverse, channel, 0, longInverseCost_);
    // Section 0 marks the cepstrum's transforms, 1 the shorter exponential's.
    const int32_t e = exponentialFft().get_length();
    chunks(StepKind::Fold, 0, e, kLongChunk, 6);
    addTransform(StepKind::LongForward, channel, 1, expForwardCost_);
    chunks(StepKind::Exponential, 0, e / 2 + 1, kExpBins, 12);
    addTransform(StepKind::LongInverse, channel, 1, expInverseCost_);
    chunks(StepKind::MinimumTaps, 0, size_.half(), kLongChunk, 3);
    const MinimumLayout& layout = minimum_->layout();
    for (int s = 0; s < layout.count; ++s) {
        const ffft::FFTReal<float>& fft = minimum_->segmentFft(s);
        const int32_t b = layout.segments[s].block;
        for (int32_t j = 0; j < layout.segments[s].partitions; ++j) {
            add(StepKind::PartitionTaps, channel, s, j, 0, 2 * b);
            for (int32_t part = 0; part < fft.forward_part_count(); ++part)
                add(StepKind::PartitionSpectrum, channel, s, part, j, fft.forward_part_cost(part));
        }
    }
}

void ResponseDesigner::runMinimumStep(const Step& step)
{
    const int c = step.channel;
    const int32_t m = longFft_->get_length();
    float* time = longTime_.data();
    float* spectrum = longSpectrum_.data();
    switch (step.kind) {
    case StepKind::Pad:
        // The linear taps fill the first N/2 values of `time`, the array they were made in.
        std::fill(time + step.from, time + step.to, 0.0f);
        break;
    case StepKind::LongForward:
        if (step.section == 1)
            exponentialFft().forward_part(step.from, spectrum, time, work_);
        else if (readsTapsAlone())
            longFft_->forward_padded_part(step.from, spectrum, time, work_);
        else
            longFft_->forward_part(step.from, spectrum, time, work_);
        break;
    case StepKind::LongInverse: {
        const ffft::FFTReal<float>& fft = step.section == 0 ? *longFft_ : exponentialFft();
        fft.inverse_part(step.from, spectrum, time, work_);
        break;
    }
    case StepKind::LogMagnitude:
        math_->logMagnitude(spectrum, m, step.from, step.to, kFloorPower);
        break;
    case StepKind::Fold: {
        // The inverse gave m times the cepstrum; it is kept to N (see
        // kExponentialFactor).
        const float scale = 1.0f / static_cast<float>(m);
        const int32_t kept = size_.n;
        for (int32_t i = step.from; i < step.to; ++i) {
            const float weight = i == 0 ? 1.0f : i < kept ? 2.0f : 0.0f;
            time[i] = time[i] * (weight * scale);
        }
        break;
    }
    case StepKind::Exponential:
        math_->exponential(spectrum, exponentialFft().get_length(), step.from, step.to);
        break;
    case StepKind::MinimumTaps: {
        const float scale = 1.0f / static_cast<float>(exponentialFft().get_length());
        float* taps = nextKernel(c);
        for (int32_t i = step.from; i < step.to; ++i) taps[i] = time[i] * scale;
        break;
    }
    case StepKind::PartitionTaps: {
        // Partition j of segment s: B taps from its first tap + j B, then B zeros.
        const MinimumLayout::Segment& segment = minimum_->layout().segments[step.section];
        const int32_t b = segment.block;
        const float* taps = nextKernel(c) + segment.firstTap + step.from * b;
        std::copy(taps, taps + b, partitionInput_);
        std::fill(partitionInput_ + b, partitionInput_ + 2 * b, 0.0f);
        break;
    }
    case StepKind::CopyChannel: {
        const float* from = changes_[0] ? nextKernel(0) : kernelInUse(0);
        std::copy(from + step.from, from + step.to, nextKernel(c) + step.from);
        break;
    }
    case StepKind::PartitionSpectrum: {
        const MinimumLayout::Segment& segment = minimum_->layout().segments[step.section];
        float* to = nextKernel(c) + segment.spectra + static_cast<size_t>(step.to) * 2 * segment.block;
        minimum_->segmentFft(step.section).forward_part(step.from, to, partitionInput_, work_);
        break;
    }
    default:
        break;
    }
}

void ResponseDesigner::begin(const ResponseSettings& target, bool fade)
{
    target_ = target;
    stepCount_ = nextStep_ = 0;
    workLeft_ = 0;
    bool any = false;
    bool copied = false;
    for (int c = 0; c < kNumChannels; ++c) {
        const bool silent = target.silent[c];
        changes_[c] = !inUseValid_ || silent != inUseSettings_.silent[c] ||
                      (!silent && !sameResponse(target.sections[c], inUseSettings_.sections[c]));
        any = any || changes_[c];
        if (!changes_[c]) continue;
        if (silent) {
            add(StepKind::Silence, c, 0, 0, 0, static_cast<int32_t>(kernels_[c][0].size() / 4));
            continue;
        }
        if (phase_ == Phase::Minimum && c == 1 && !target.silent[0] &&
            sameResponse(target.sections[1], target.sections[0])) {
            // Linked channels: the long design once, its result copied.
            copied = true;
            const auto size = static_cast<int32_t>(kernels_[c][0].size());
            for (int32_t from = 0; from < size; from += kLongChunk)
                add(StepKind::CopyChannel, c, 0, from, std::min(size, from + kLongChunk),
                    2 * (std::min(size, from + kLongChunk) - from));
            continue;
        }
        bool anyOn = false;
        for (int s = 0; s < kNumSections; ++s) {
            const BandSettings& section = target.sections[c][s];
            if (isSpareSection(s) || !section.on) continue;
            anyOn = true;
            if (!designed_[c][s] || !sameKernel(designedFrom_[c][s], section, s)) addSectionDesign(c, s);
            const int32_t bins = size_.n / 2 + 1;
            for (int32_t from = 0; from < bins; from += kCombineBins) {
                const int32_t to = std::min(bins, from + kCombineBins);
                add(StepKind::Combine, c, s, from, to, (to - from) * kCombineBinCost);
            }
        }
        if (!anyOn) {
            // A pure delay.
            add(StepKind::Impulse, c, 0, 0, 0, size_.n / 4);
            addTransform(StepKind::ImpulseSpectrum, c, 0, forwardCost_);
        }
        addKernelDesign(c);
    }

    responses_.previousMidSide = inUseValid_ ? inUseSettings_.midSide : target.midSide;
    responses_.nextMidSide = target.midSide;
    for (int c = 0; c < kNumChannels; ++c) {
        responses_.previous[c] = kernelInUse(c);
        responses_.next[c] = changes_[c] ? nextKernel(c) : kernelInUse(c);
    }
    responses_.previousShared = sharedInUse_;
    responses_.nextShared = copied || (sharedInUse_ && !changes_[0] && !changes_[1]);
    responses_.fade = fade && inUseValid_ && (any || responses_.domainChanges());
    if (any) ++designsBegun_;
}

void ResponseDesigner::run(int64_t budget, const ffft::FFTReal<float>& fft, const BlockConvolver& convolver)
{
    int64_t spent = 0;
    while (nextStep_ < stepCount_ && spent < budget) {
        const Step& step = steps_[static_cast<size_t>(nextStep_++)];
        runStep(step, fft, convolver);
        spent += step.cost;
        workLeft_ -= step.cost;
    }
}

void ResponseDesigner::runStep(const Step& step, const ffft::FFTReal<float>& fft, const BlockConvolver& convolver)
{
    const int c = step.channel;
    const int s = step.section;
    float* scratch = scratch_;
    const int32_t n = size_.n;
    const int32_t half = size_.half();
    switch (step.kind) {
    case StepKind::Plan:
        plan_ = planSection(target_.sections[c][s], step.from, sampleRate_);
        std::fill(scratch, scratch + n, 0.0f);
        break;
    case StepKind::Window:
        windows_.fill(step.from, kWindowChunk);
        break;
    case StepKind::Taps:
        writeTaps(plan_, windows_.window(plan_.length), scratch, size_.centre(), step.from, step.to);
        break;
    case StepKind::SectionSpectrum:
        fft.forward_part(step.from, sectionSpectrum(c, s), scratch, work_);
        if (step.from + 1 == fft.forward_part_count()) {
            designedFrom_[c][s] = target_.sections[c][s];
            designed_[c][s] = true;
        }
        break;
    case StepKind::Combine: {
        // Sections combine in order; each product but the first is moved back to the centre.
        float* combined = combined_[c];
        int first = 0;
        while (isSpareSection(first) || !target_.sections[c][first].on) ++first;
        if (s == first) {
            const float* spectrum = sectionSpectrum(c, s);
            const int32_t reEnd = std::min(step.to, half + 1);
            std::copy(spectrum + step.from, spectrum + reEnd, combined + step.from);
            const int32_t imFrom = half + std::max(step.from, 1);
            const int32_t imEnd = half + std::min(step.to, half);
            if (imFrom < imEnd) std::copy(spectrum + imFrom, spectrum + imEnd, combined + imFrom);
        } else {
            multiplySpectrum(combined, sectionSpectrum(c, s), n, step.from, step.to);
            multiplySpectrum(combined, shiftSpectrum_.data(), n, step.from, step.to);
        }
        break;
    }
    case StepKind::Impulse:
        std::fill(scratch, scratch + n, 0.0f);
        scratch[size_.centre()] = 1.0f;
        break;
    case StepKind::ImpulseSpectrum:
        fft.forward_part(step.from, combined_[c], scratch, work_);
        break;
    case StepKind::Truncate:
        // N/2 taps at most, so that the convolution cannot wrap around.
        fft.inverse_part(step.from, combined_[c], scratch, work_);
        if (step.from + 1 == fft.inverse_part_count()) {
            fft.rescale_by_length(scratch);
            std::fill(scratch + half, scratch + n, 0.0f);
        }
        break;
    case StepKind::Partition: {
        // Partition s holds taps [s N/4, (s + 1) N/4), followed by zeros.
        const int32_t quarter = n / 4;
        if (step.from == 0)
            std::copy(scratch + s * quarter, scratch + (s + 1) * quarter, partitionInput_);
        convolver.partitionFft().forward_part(step.from, nextKernel(c) + s * half, partitionInput_,
                                              work_);
        break;
    }
    case StepKind::Silence:
        std::fill(nextKernel(c), nextKernel(c) + kernels_[c][0].size(), 0.0f);
        break;
    default:
        runMinimumStep(step);
        break;
    }
}

void ResponseDesigner::commit()
{
    for (int c = 0; c < kNumChannels; ++c) {
        if (changes_[c]) inUse_[c] = (inUse_[c] + 1) % 3;
        changes_[c] = false;
        responses_.previous[c] = responses_.next[c] = kernelInUse(c);
    }
    sharedInUse_ = responses_.nextShared;
    responses_.previousShared = sharedInUse_;
    inUseSettings_ = target_;
    inUseValid_ = true;
    stepCount_ = nextStep_ = 0;
    workLeft_ = 0;
    responses_.previousMidSide = responses_.nextMidSide = target_.midSide;
    responses_.fade = false;
}

void ResponseDesigner::designNow(const ResponseSettings& target, const ffft::FFTReal<float>& fft,
                                 const BlockConvolver& convolver)
{
    begin(target, false);
    run(INT64_MAX, fft, convolver);
    commit();
}

} // namespace vosk
