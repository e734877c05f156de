// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "blockconvolver.h"

#include "lanekernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

namespace {

// Bins per product step and samples per output step, and their costs in values
// passed through a butterfly (a bin's two complex products, as measured).
constexpr int32_t kBinsPerStep = 2048;
constexpr int32_t kBinCost = 16;
constexpr int32_t kSamplesPerStep = 4096;

void zero(std::vector<float>& v)
{
    std::fill(v.begin(), v.end(), 0.0f);
}

} // namespace

void BlockConvolver::allocate(TransformSize size)
{
    n_ = size.n;
    b_ = size.n / 4;
    const int32_t m = 2 * b_;
    if (!fft_ || fft_->get_length() != m) fft_ = std::make_unique<ffft::FFTReal<float>>(m);
    kernels_ = &laneKernels(fft_->lanes());
    const auto length = static_cast<size_t>(m);
    for (int c = 0; c < kNumChannels; ++c) {
        for (auto& frame : frame_[c]) frame.assign(length, 0.0f);
        for (auto& x : x_[c]) x.assign(length, 0.0f);
        for (auto& y : y_[c]) y.assign(length, 0.0f);
        old_[c].assign(length, 0.0f);
        extra_[c].assign(length, 0.0f);
        out_[c].assign(length, 0.0f);
    }
    sum_.assign(length, 0.0f);
    for (auto& converted : convert_) converted.assign(length, 0.0f);
    work_.assign(length, 0.0f);
    // Raised-cosine weights over a hop: the old and the new output always sum to
    // one, and the change has no corner to splatter from.
    const int32_t hop = size.half();
    fadeIn_.resize(static_cast<size_t>(hop));
    for (int32_t i = 0; i < hop; ++i) {
        const double s = std::sin(0.5 * kPi * (i + 0.5) / hop);
        fadeIn_[static_cast<size_t>(i)] = static_cast<float>(s * s);
    }
    // The most a block lays out: per channel a forward transform, three streams
    // of products and inverse transforms (a fade's first block) and the outputs;
    // or the zeros of a silent block.
    const int32_t bins = (m / 2 + kBinsPerStep) / kBinsPerStep;
    const int32_t outputs = (b_ + kSamplesPerStep - 1) / kSamplesPerStep;
    const int32_t perChannel =
        fft_->forward_part_count() + 3 * (bins + fft_->inverse_part_count()) + outputs + 4;
    steps_.resize(static_cast<size_t>(kNumChannels * perChannel));
    stepCount_ = nextStep_ = 0;
    workLeft_ = 0;
    blockPos_ = 0;
    second_ = false;
    block_ = 0;
    window_ = 0;
    blockSilent_ = windowSilent_ = true;
    productsPending_ = false;
    outputMidSide_ = nextOutputMidSide_ = false;
    hop_ = HopResponses{};
    hopChannels_ = 0;
    fading_[0] = fading_[1] = false;
    fadeDomain_ = false;
}

void BlockConvolver::exchange(int channel, const float* x, float* y, int32_t count)
{
    // The input is taken before the output overwrites it (x may be y).
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memmove(frame_[channel][second_ ? 1 : 0].data() + blockPos_, x, bytes);
    std::memmove(y, out_[channel].data() + (second_ ? b_ : 0) + blockPos_, bytes);
    blockSilent_ = false;
}

void BlockConvolver::skipSilence(int32_t count)
{
    for (auto& frames : frame_)
        std::memset(frames[second_ ? 1 : 0].data() + blockPos_, 0,
                    sizeof(float) * static_cast<size_t>(count));
    blockPos_ += count;
}

void BlockConvolver::add(Op op, int channel, int stream, int32_t part, int32_t end, int32_t cost)
{
    steps_[static_cast<size_t>(stepCount_++)] =
        Step{op, static_cast<int8_t>(channel), static_cast<uint8_t>(stream), part, end, cost};
    workLeft_ += cost;
}

void BlockConvolver::addTransform(Op op, int channel, int stream)
{
    const ffft::FFTReal<float>& fft = *fft_;
    if (op == Op::Forward) {
        for (int32_t part = 0; part < fft.forward_part_count(); ++part)
            add(op, channel, stream, part, 0, fft.forward_part_cost(part));
    } else {
        const int32_t parts = fft.inverse_part_count();
        for (int32_t part = 0; part < parts; ++part)
            add(op, channel, stream, part, 0, fft.inverse_part_cost(part) + (part == parts - 1 ? 2 * b_ : 0));
    }
}

void BlockConvolver::addMultiply(int channel, int stream)
{
    const int32_t bins = b_ + 1; // of 2B points
    for (int32_t from = 0; from < bins; from += kBinsPerStep) {
        const int32_t to = std::min(bins, from + kBinsPerStep);
        add(Op::Multiply, channel, stream, from, to, (to - from) * kBinCost);
    }
    addTransform(Op::Inverse, channel, stream);
}

void BlockConvolver::endBlock(int channels)
{
    run(INT64_MAX);
    const bool first = !second_;
    if (first) hopChannels_ = std::clamp(channels, 0, kNumChannels);
    window_ = block_;
    windowSilent_ = blockSilent_;
    stepCount_ = nextStep_ = 0;
    workLeft_ = 0;
    if (windowSilent_) {
        // Everything this block's steps would write is zero.
        for (int c = 0; c < hopChannels_; ++c) {
            for (int buffer = 0; buffer < 4; ++buffer) add(Op::Zero, c, buffer, 0, 0, b_ / 4);
        }
    } else {
        for (int c = 0; c < hopChannels_; ++c) addTransform(Op::Forward, c, kSteady);
    }
    if (first) {
        productsPending_ = true;
    } else {
        addProducts();
    }

    ++block_;
    second_ = !second_;
    blockPos_ = 0;
    blockSilent_ = true;
    if (!first) outputMidSide_ = nextOutputMidSide_;
}

void BlockConvolver::startProducts(const HopResponses& responses)
{
    // The hop's responses are final from here to its end.
    hop_ = responses;
    bool fade = false;
    for (int c = 0; c < kNumChannels; ++c) {
        fading_[c] = c < hopChannels_ && responses.fade && responses.changes(c);
        fade = fade || fading_[c];
    }
    // Where the domain changes, both streams meet in left/right.
    fadeDomain_ = fade && responses.domainChanges() && hopChannels_ == kNumChannels;
    nextOutputMidSide_ = fadeDomain_ ? false : responses.nextMidSide;
    productsPending_ = false;
    addProducts();
}

void BlockConvolver::addProducts()
{
    if (windowSilent_) return;
    const bool first = (window_ & 1) == 0;
    for (int c = 0; c < hopChannels_; ++c) {
        if (!fading_[c]) {
            addMultiply(c, kSteady);
        } else if (first) {
            addMultiply(c, kOldFirst);
            addMultiply(c, kNewBefore);
            addMultiply(c, kNewFirst);
        } else {
            addMultiply(c, kOldSecond);
            addMultiply(c, kSteady);
        }
    }
    for (int32_t from = 0; from < b_; from += kSamplesPerStep) {
        const int32_t to = std::min(b_, from + kSamplesPerStep);
        if (fadeDomain_) {
            add(Op::Output, -1, 0, from, to, 16 * (to - from));
            continue;
        }
        for (int c = 0; c < hopChannels_; ++c)
            add(Op::Output, c, 0, from, to, (fading_[c] ? 8 : 2) * (to - from));
    }
}

void BlockConvolver::run(int64_t budget)
{
    int64_t spent = 0;
    while (nextStep_ < stepCount_ && spent < budget) {
        const Step& step = steps_[static_cast<size_t>(nextStep_++)];
        runStep(step);
        spent += step.cost;
        workLeft_ -= step.cost;
    }
}

float* BlockConvolver::result(int channel, int stream)
{
    switch (stream) {
    case kOldFirst:
        return old_[channel].data();
    case kNewBefore:
    case kOldSecond:
        return extra_[channel].data();
    default:
        return y_[channel][window_ & 1].data();
    }
}

void BlockConvolver::runStep(const Step& step)
{
    const int c = step.channel;
    switch (step.op) {
    case Op::Zero: {
        const bool first = (window_ & 1) == 0;
        std::vector<float>* buffers[4] = {&x_[c][window_ & 3], &y_[c][window_ & 1], &out_[c],
                                          first ? &old_[c] : &extra_[c]};
        if (step.stream != 2) {
            zero(*buffers[step.stream]);
        } else {
            std::memset(out_[c].data() + (first ? 0 : b_), 0, sizeof(float) * static_cast<size_t>(b_));
        }
        break;
    }
    case Op::Forward:
        fft_->forward_part(step.part, spectrum(window_, c), frame_[c][window_ & 1].data(), work_.data());
        break;
    case Op::Multiply:
        multiply(c, step.stream, step.part, step.end);
        break;
    case Op::Inverse: {
        float* to = result(c, step.stream);
        fft_->inverse_part(step.part, sum_.data(), to, work_.data());
        if (step.part == fft_->inverse_part_count() - 1) fft_->rescale_by_length(to);
        break;
    }
    case Op::Output:
        output(c, step.part, step.end);
        break;
    }
}

const float* BlockConvolver::converted(int64_t block, int channel, int slot, int32_t from, int32_t to)
{
    // The matrix is linear: applied bin by bin it converts the spectra as it would
    // the samples.
    const int32_t half = b_;
    const float* a = spectrum(block, 0);
    const float* b = spectrum(block, 1);
    float* out = convert_[slot].data();
    const float sign = channel == 0 ? 1.0f : -1.0f;
    auto convert = [&](int32_t first, int32_t end) {
        if (first < end)
            kernels_->signedSumScaled(out + first, a + first, b + first, sign, kMatrixGain, end - first);
    };
    convert(from, std::min(to, half + 1));
    convert(half + std::max(from, 1), half + std::min(to, half));
    return out;
}

void BlockConvolver::multiply(int channel, int stream, int32_t from, int32_t to)
{
    const int64_t m = window_;
    const int32_t length = 2 * b_;
    const float* previousHead = hop_.previous[channel];
    const float* previousTail = previousHead + length;
    const float* nextHead = hop_.next[channel];
    const float* nextTail = nextHead + length;
    // A fade's other stream works in the other hop's domain.
    auto other = [&](int64_t block, int slot) -> const float* {
        return fadeDomain_ ? converted(block, channel, slot, from, to) : spectrum(block, channel);
    };
    float* sum = sum_.data();
    switch (stream) {
    case kSteady: {
        // The previous block's products use the response of its own hop.
        const float* tail = (m & 1) == 0 ? previousTail : nextTail;
        kernels_->multiplyAdd(sum, spectrum(m, channel), nextHead, spectrum(m - 1, channel), tail, length,
                              from, to);
        break;
    }
    case kOldFirst:
        kernels_->multiplyAdd(sum, other(m, 0), previousHead, spectrum(m - 1, channel), previousTail, length,
                              from, to);
        break;
    case kNewBefore:
        kernels_->multiplyAdd(sum, other(m - 1, 0), nextHead, other(m - 2, 1), nextTail, length, from, to);
        break;
    case kNewFirst:
        kernels_->multiplyAdd(sum, spectrum(m, channel), nextHead, other(m - 1, 0), nextTail, length, from,
                              to);
        break;
    case kOldSecond:
        kernels_->multiplyAdd(sum, other(m, 0), previousHead, other(m - 1, 1), previousTail, length, from,
                              to);
        break;
    }
}

void BlockConvolver::output(int channel, int32_t from, int32_t to)
{
    const int64_t m = window_;
    const bool first = (m & 1) == 0;
    const int32_t b = b_;
    const float* w = fadeIn_.data() + (first ? 0 : b) + from;
    const int32_t count = to - from;
    // The old and the new stream of one channel, from sample `from` of the block.
    auto streams = [&](int c) {
        const float* y = y_[c][m & 1].data() + from;
        const float* yPrevious = y_[c][(m - 1) & 1].data() + from;
        const float* old = old_[c].data() + from;
        const float* extra = extra_[c].data() + from;
        return first ? FadeStreams{{old, yPrevious + b}, {y, extra + b}}
                     : FadeStreams{{extra, old + b}, {y, yPrevious + b}};
    };
    float* slot[kNumChannels] = {out_[0].data() + (first ? 0 : b) + from,
                                 out_[1].data() + (first ? 0 : b) + from};
    if (channel < 0) {
        // Both channels fade and meet in left/right.
        const FadeStreams both[kNumChannels] = {streams(0), streams(1)};
        kernels_->crossfadePair(slot, both, hop_.previousMidSide, hop_.nextMidSide, kMatrixGain, w, count);
        return;
    }
    if (!fading_[channel]) {
        const float* y = y_[channel][m & 1].data() + from;
        const float* tail = y_[channel][(m - 1) & 1].data() + b + from;
        kernels_->add(slot[channel], tail, y, count);
        return;
    }
    kernels_->crossfade(slot[channel], streams(channel), w, count);
}

} // namespace vosk
