// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "minimumconvolver.h"

#include "lanekernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

namespace {

// Bins per product step, and a bin's cost per partition in values passed through
// a butterfly (as the block convolution measures it).
constexpr int32_t kBinsPerStep = 1024;
constexpr int32_t kBinCost = 8;

// The direct taps' input holds this many smallest blocks after their history.
constexpr int32_t kHistoryRoom = 8;

void copy(float* to, const float* from, int32_t count)
{
    std::memcpy(to, from, sizeof(float) * static_cast<size_t>(count));
}

} // namespace

MinimumLayout MinimumLayout::forTaps(int32_t taps)
{
    MinimumLayout layout;
    layout.taps = taps;
    for (const Head& head : kHeads) {
        layout.headTaps = head.headTaps;
        if (head.responseTaps == taps) break;
    }
    int32_t block = layout.headTaps;
    int32_t first = layout.headTaps;
    int32_t spectra = taps;
    while (first < taps && layout.count < kMaxSegments) {
        const bool firstSegment = layout.count == 0;
        const int32_t lag = firstSegment ? 1 : 2;
        // A later segment that can end the response as one of the first's growth does:
        // a segment fewer is fewer transforms per sample.
        const bool ends = first + (2 * kFirstGrowth - lag) * block >= taps;
        const int32_t growth = firstSegment || ends ? kFirstGrowth : kGrowth;
        const int32_t partitions = std::min(2 * growth - lag, (taps - first + block - 1) / block);
        layout.segments[layout.count++] = Segment{block, partitions, first, lag, spectra};
        spectra += partitions * 2 * block;
        first += partitions * block;
        block *= growth;
    }
    layout.size = spectra;
    return layout;
}

void MinimumConvolver::allocate(TransformSize size)
{
    layout_ = MinimumLayout::forTaps(size.half());
    hop_ = size.half();
    time_ = 0;
    hops_[0] = hops_[1] = HopResponses{};
    kernels_ = &laneKernels();
    const int32_t smallest = layout_.smallestBlock();
    for (int s = 0; s < layout_.count; ++s) {
        Segment& segment = segments_[s];
        segment.shape = layout_.segments[s];
        const int32_t b = segment.shape.block;
        const auto m = static_cast<size_t>(2 * b);
        if (!segment.fft || segment.fft->get_length() != 2 * b)
            segment.fft = std::make_unique<ffft::FFTReal<float>>(2 * b);
        for (int c = 0; c < kNumChannels; ++c) {
            segment.gather[c].assign(m, 0.0f);
            // The first segment transforms its gathered blocks in place.
            segment.frame[c].assign(segment.shape.lag == 2 ? m : 0, 0.0f);
            segment.spectra[c].assign(m * static_cast<size_t>(segment.shape.partitions), 0.0f);
            for (auto& out : segment.out) out[c].assign(m, 0.0f);
        }
        for (auto& sum : segment.sum) sum.assign(m, 0.0f);
        segment.inverse.assign(m, 0.0f);
        segment.converted.assign(m, 0.0f);
        segment.work.assign(m, 0.0f);
        segment.latest = 0;
        segment.responses = HopResponses{};
        segment.window = -1;
        segment.channels = 0;
        const ffft::FFTReal<float>& fft = *segment.fft;
        const int32_t bins = (b + kBinsPerStep) / kBinsPerStep;
        const int32_t perStream = bins + fft.inverse_part_count() + 1;
        segment.steps.resize(static_cast<size_t>(kNumChannels * (fft.forward_part_count() + 2 * perStream)));
        segment.stepCount = segment.nextStep = 0;
        segment.workLeft = 0;
    }
    for (auto& domain : history_)
        for (auto& history : domain) history.assign(static_cast<size_t>(layout_.headTaps - 1 + kHistoryRoom * smallest), 0.0f);
    historyAt_ = 0;
    midSideHistory_ = false;
    for (auto& stream : streams_)
        for (auto& channel : stream) channel.assign(static_cast<size_t>(smallest), 0.0f);
    zeros_.assign(static_cast<size_t>(smallest), 0.0f);
    // The same weights as the block convolution's fades.
    fadeIn_.resize(static_cast<size_t>(hop_));
    for (int32_t i = 0; i < hop_; ++i) {
        const double s = std::sin(0.5 * kPi * (i + 0.5) / hop_);
        fadeIn_[static_cast<size_t>(i)] = static_cast<float>(s * s);
    }
}

void MinimumConvolver::setResponses(const HopResponses& responses, int64_t hop)
{
    hops_[hop & 1] = responses;
}

void MinimumConvolver::add(Segment& segment, Op op, int channel, int stream, int32_t part, int32_t end,
                           int32_t cost)
{
    segment.steps[static_cast<size_t>(segment.stepCount++)] =
        Step{op, static_cast<int8_t>(channel), static_cast<int8_t>(stream), part, end, cost};
    segment.workLeft += cost;
}

void MinimumConvolver::layOut(Segment& segment, int64_t block, int channels)
{
    const int32_t b = segment.shape.block;
    const ffft::FFTReal<float>& fft = *segment.fft;
    segment.window = block;
    segment.channels = channels;
    // The block's output lands one or two blocks on, in one hop.
    segment.responses = responsesAt((block + segment.shape.lag) * b);
    segment.stepCount = segment.nextStep = 0;
    segment.workLeft = 0;
    segment.latest = (segment.latest + 1) % segment.shape.partitions;
    for (int c = 0; c < channels; ++c) {
        // A transform spread over the next block reads a copy, as the next block gathers.
        if (segment.shape.lag == 2) copy(segment.frame[c].data(), segment.gather[c].data(), 2 * b);
        for (int32_t part = 0; part < fft.forward_part_count(); ++part)
            add(segment, Op::Forward, c, 0, part, 0, fft.forward_part_cost(part));
    }
    const int streams = segment.responses.fade ? 2 : 1;
    const int32_t bins = b + 1;
    const int32_t partitions = segment.shape.partitions;
    for (int stream = 0; stream < streams; ++stream) {
        const bool shared = sharesKernel(segment, stream);
        for (int c = 0; c < channels; ++c) {
            for (int32_t from = 0; from < bins && !(shared && c == 1); from += kBinsPerStep) {
                const int32_t to = std::min(bins, from + kBinsPerStep);
                add(segment, Op::Multiply, c, stream, from, to,
                    (to - from) * kBinCost * partitions * (shared ? 2 : 1));
            }
            const int32_t parts = fft.inverse_part_count();
            for (int32_t part = 0; part < parts; ++part)
                add(segment, Op::Inverse, c, stream, part, 0, fft.inverse_part_cost(part));
            add(segment, Op::Output, c, stream, 0, 0, 2 * b);
        }
    }
}

void MinimumConvolver::run(Segment& segment, int64_t budget)
{
    int64_t spent = 0;
    while (segment.nextStep < segment.stepCount && spent < budget) {
        const Step& step = segment.steps[static_cast<size_t>(segment.nextStep++)];
        runStep(segment, step);
        spent += step.cost;
        segment.workLeft -= step.cost;
    }
}

void MinimumConvolver::runStep(Segment& segment, const Step& step)
{
    const int c = step.channel;
    const int32_t b = segment.shape.block;
    const ffft::FFTReal<float>& fft = *segment.fft;
    switch (step.op) {
    case Op::Forward:
        fft.forward_part(step.part, segment.spectra[c].data() + static_cast<size_t>(segment.latest) * 2 * b,
                         (segment.shape.lag == 1 ? segment.gather[c] : segment.frame[c]).data(), segment.work.data());
        break;
    case Op::Multiply:
        multiply(segment, c, step.stream, step.part, step.end);
        break;
    case Op::Inverse:
        fft.inverse_part(step.part, segment.sum[c].data(), segment.inverse.data(), segment.work.data());
        if (step.part == fft.inverse_part_count() - 1) fft.rescale_by_length(segment.inverse.data());
        break;
    case Op::Output: {
        // Overlap-save: the second half is the block's linear convolution.
        float* out = segment.out[step.stream][c].data() + ((segment.window + segment.shape.lag) & 1) * b;
        const HopResponses& r = segment.responses;
        const float* kernel = step.stream == 0 ? r.next[c] : r.previous[c];
        if (kernel) {
            copy(out, segment.inverse.data() + b, b);
        } else {
            std::memset(out, 0, sizeof(float) * static_cast<size_t>(b));
        }
        break;
    }
    }
}

bool MinimumConvolver::sharesKernel(const Segment& segment, int stream)
{
    const HopResponses& r = segment.responses;
    const bool midSide = stream == 0 ? r.nextMidSide : r.previousMidSide;
    const bool shared = stream == 0 ? r.nextShared : r.previousShared;
    const float* const* kernels = stream == 0 ? r.next : r.previous;
    return shared && !midSide && segment.channels == kNumChannels && kernels[0] && kernels[1];
}

void MinimumConvolver::multiply(Segment& segment, int channel, int stream, int32_t from, int32_t to)
{
    const int32_t b = segment.shape.block;
    const int32_t m = 2 * b;
    const HopResponses& r = segment.responses;
    const float* kernel = stream == 0 ? r.next[channel] : r.previous[channel];
    if (!kernel) return; // the output step writes zeros
    kernel += segment.shape.spectra;
    const bool midSide = (stream == 0 ? r.nextMidSide : r.previousMidSide) && segment.channels == kNumChannels;
    const int32_t partitions = segment.shape.partitions;
    const int32_t slot = segment.latest + partitions;
    if (!midSide) {
        const int channels = sharesKernel(segment, stream) ? kNumChannels : 1;
        const float* spectra[kNumChannels * MinimumLayout::kMaxPartitions];
        float* sums[kNumChannels];
        for (int c = 0; c < channels; ++c) {
            sums[c] = segment.sum[channel + c].data();
            for (int32_t j = 0; j < partitions; ++j)
                spectra[c * partitions + j] =
                    segment.spectra[channel + c].data() + static_cast<size_t>((slot - j) % partitions) * m;
        }
        kernels_->multiplySum(sums, spectra, kernel, channels, partitions, m, from, to);
        return;
    }
    // Mid/side from left/right spectra: the matrix is linear, so bin by bin it
    // converts the spectra as it would the samples.
    float* sum = segment.sum[channel].data();
    float* x = segment.converted.data();
    const float sign = channel == 0 ? 1.0f : -1.0f;
    for (int32_t j = 0; j < partitions; ++j) {
        const size_t place = static_cast<size_t>((slot - j) % partitions) * m;
        const float* left = segment.spectra[0].data() + place;
        const float* right = segment.spectra[1].data() + place;
        auto convert = [&](int32_t first, int32_t end) {
            if (first < end)
                kernels_->signedSumScaled(x + first, left + first, right + first, sign, BlockConvolver::kMatrixGain,
                                          end - first);
        };
        convert(from, std::min(to, b + 1));
        convert(b + std::max(from, 1), b + std::min(to, b));
        const float* partition = kernel + static_cast<size_t>(j) * m;
        const float* first[1] = {x};
        if (j == 0)
            kernels_->multiplySum(&sum, first, partition, 1, 1, m, from, to);
        else
            kernels_->multiplyAccumulate(sum, x, partition, m, from, to);
    }
}

void MinimumConvolver::process(const float* const x[kNumChannels], float* const y[kNumChannels], int channels,
                               int32_t count)
{
    for (int32_t done = 0; done < count;) {
        const int32_t n = std::min(count - done, samplesToBoundary());
        const float* in[kNumChannels] = {x[0] + done, channels > 1 ? x[1] + done : nullptr};
        float* out[kNumChannels] = {y[0] + done, channels > 1 ? y[1] + done : nullptr};
        processBlock(in, out, channels, n);
        done += n;
    }
}

void MinimumConvolver::processBlock(const float* const x[kNumChannels], float* const y[kNumChannels],
                                    int channels, int32_t count)
{
    const LaneKernels& k = *kernels_;
    const float g = BlockConvolver::kMatrixGain;
    // Blocks that ended with the previous call: the rest of their predecessors' steps, then theirs.
    for (int s = 0; s < layout_.count; ++s) {
        Segment& segment = segments_[s];
        const int32_t b = segment.shape.block;
        if (time_ > 0 && time_ % b == 0 && segment.window != time_ / b - 1) {
            run(segment, INT64_MAX);
            layOut(segment, time_ / b - 1, channels);
            if (segment.shape.lag == 1) run(segment, INT64_MAX);
            // The block just ended is the one before the next.
            for (int c = 0; c < channels; ++c) copy(segment.gather[c].data(), segment.gather[c].data() + b, b);
        }
    }
    for (int s = 0; s < layout_.count; ++s) {
        Segment& segment = segments_[s];
        const int32_t b = segment.shape.block;
        const int32_t at = b + static_cast<int32_t>(time_ % b);
        for (int c = 0; c < channels; ++c) copy(segment.gather[c].data() + at, x[c], count);
    }
    // The input goes on after the samples before it, which move back to the start
    // only when the room is used up.
    const int32_t kept = layout_.headTaps - 1;
    if (historyAt_ + kept + count > static_cast<int32_t>(history_[0][0].size())) {
        for (auto& domain : history_)
            for (auto& history : domain)
                std::memmove(history.data(), history.data() + historyAt_, sizeof(float) * kept);
        historyAt_ = 0;
    }
    const int32_t newest = historyAt_ + kept;
    for (int c = 0; c < channels; ++c) copy(history_[0][c].data() + newest, x[c], count);
    const HopResponses& r = responsesAt(time_);
    // The mid/side history is kept while a stream reads it, and made again from the
    // left/right history when one starts to.
    const bool midSideRead = channels == kNumChannels && (r.nextMidSide || (r.fade && r.previousMidSide));
    if (midSideRead) {
        const int32_t from = midSideHistory_ ? newest : historyAt_;
        const float* left = history_[0][0].data() + from;
        const float* right = history_[0][1].data() + from;
        k.sumScaled(history_[1][0].data() + from, left, right, g, newest + count - from);
        k.differenceScaled(history_[1][1].data() + from, left, right, g, newest + count - from);
    }
    midSideHistory_ = midSideRead;
    // Each later segment's share of its steps: in proportion to the samples left to its block's end.
    for (int s = 0; s < layout_.count; ++s) {
        Segment& segment = segments_[s];
        if (segment.workLeft <= 0) continue;
        const int64_t toDeadline = segment.shape.block - time_ % segment.shape.block;
        run(segment, (segment.workLeft * count + toDeadline - 1) / toDeadline);
    }

    const int32_t inHop = static_cast<int32_t>(time_ % hop_);
    const int streams = r.fade ? 2 : 1;
    auto streamMidSide = [&](int stream) {
        return (stream == 0 ? r.nextMidSide : r.previousMidSide) && channels == kNumChannels;
    };
    // The direct taps: while fading in one domain, both streams' at once.
    for (int c = 0; c < channels; ++c) {
        const float* kernels[2] = {r.next[c], r.previous[c]};
        float* sums[2] = {streams_[0][c].data(), streams_[1][c].data()};
        const bool together = streams == 2 && kernels[0] && kernels[1] && streamMidSide(0) == streamMidSide(1);
        for (int stream = 0; stream < streams; ++stream) {
            if (!kernels[stream]) {
                std::memset(sums[stream], 0, sizeof(float) * static_cast<size_t>(count));
            } else if (!together || stream == 0) {
                k.directForm(sums + stream, history_[streamMidSide(stream) ? 1 : 0][c].data() + newest,
                             kernels + stream, together ? 2 : 1, layout_.headTaps, count);
            }
        }
    }
    // Left/right and not fading, the last sum goes straight to the output (the
    // input has been taken in by now, should the two be the same arrays).
    const bool straight = !r.fade && !streamMidSide(0) && layout_.count > 0;
    for (int stream = 0; stream < streams; ++stream) {
        const bool midSide = streamMidSide(stream);
        for (int c = 0; c < channels; ++c) {
            float* sum = streams_[stream][c].data();
            for (int s = 0; s < layout_.count; ++s) {
                const Segment& segment = segments_[s];
                const int32_t b = segment.shape.block;
                const float* out = segment.out[stream][c].data() + ((time_ / b) & 1) * b + time_ % b;
                k.add(straight && s == layout_.count - 1 ? y[c] : sum, sum, out, count);
            }
        }
        if (midSide) {
            float* mid = streams_[stream][0].data();
            float* side = streams_[stream][1].data();
            k.sumScaled(y[0], mid, side, g, count);
            k.differenceScaled(side, mid, side, g, count);
            copy(mid, y[0], count);
        }
    }
    for (int c = 0; c < channels; ++c) {
        if (r.fade) {
            const FadeStreams fade{{streams_[1][c].data(), zeros_.data()}, {streams_[0][c].data(), zeros_.data()}};
            k.crossfade(y[c], fade, fadeIn_.data() + inHop, count);
        } else if (!straight) {
            copy(y[c], streams_[0][c].data(), count);
        }
    }
    historyAt_ += count;
    time_ += count;
}

void MinimumConvolver::skipSilence(int32_t count)
{
    // Every buffer holds zeros: the steps would write zeros where zeros are.
    time_ += count;
    for (int s = 0; s < layout_.count; ++s) {
        Segment& segment = segments_[s];
        segment.stepCount = segment.nextStep = 0;
        segment.workLeft = 0;
        segment.window = std::max(segment.window, time_ / segment.shape.block - 1);
    }
}

} // namespace vosk
