// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "loudness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vosk {

namespace {

// The standard's K-weighting at 48 kHz: the shelf, then the high-pass.
constexpr double kShelfB[3] = {1.53512485958697, -2.69169618940638, 1.19839281085285};
constexpr double kShelfA[3] = {1.0, -1.69065929318241, 0.73248077421585};
constexpr double kHighPassB[3] = {1.0, -2.0, 1.0};
constexpr double kHighPassA[3] = {1.0, -1.99004745483398, 0.99007225036621};
constexpr double kStandardRate = 48000.0;

constexpr double kBoxRate = 750.0; // at least, of the low band
constexpr double kSubBlockSeconds = 0.1;
constexpr int64_t kWindowSubBlocks = 100; // 10 seconds
constexpr int kSubBlocksPerBlock = 4;     // 400 ms

// A second-order section as a polynomial in u = s / (2 * 48000), the variable
// in which the bilinear transform at 48 kHz gives the standard's coefficients:
// c[2] u^2 + c[1] u + c[0].
struct Analog
{
    double c[3];
};

// Undoes the bilinear transform of a polynomial in z^-1 (b0 + b1 z^-1 + b2 z^-2).
Analog analogOf(const double (&b)[3])
{
    return {{b[0] + b[1] + b[2], 2.0 * (b[0] - b[2]), b[0] - b[1] + b[2]}};
}

// The bilinear transform of an analog polynomial at `rate`.
void digitalOf(const Analog& p, double rate, double (&b)[3])
{
    const double r = rate / kStandardRate;
    const double c2 = p.c[2] * r * r, c1 = p.c[1] * r, c0 = p.c[0];
    b[0] = c2 + c1 + c0;
    b[1] = 2.0 * (c0 - c2);
    b[2] = c2 - c1 + c0;
}

// A biquad at `rate` from its analog numerator and denominator, normalised.
void biquadAt(const Analog& numerator, const Analog& denominator, double rate, double (&b)[3], double (&a)[2])
{
    double d[3];
    digitalOf(numerator, rate, b);
    digitalOf(denominator, rate, d);
    for (double& v : b) v /= d[0];
    a[0] = d[1] / d[0];
    a[1] = d[2] / d[0];
}

double runBiquad(const double (&b)[3], const double (&a)[2], double (&state)[2], double x)
{
    const double y = b[0] * x + state[0];
    state[0] = b[1] * x - a[0] * y + state[1];
    state[1] = b[2] * x - a[1] * y;
    return y;
}

// Where within stretch k its instant lies, scattered.
uint64_t scramble(uint64_t k)
{
    k += 0x9E3779B97F4A7C15ull;
    k = (k ^ (k >> 30)) * 0xBF58476D1CE4E5B9ull;
    k = (k ^ (k >> 27)) * 0x94D049BB133111EBull;
    return k ^ (k >> 31);
}

// Sums of a box in four parts at a time, so that no addition waits for the one before.
#if defined(__SSE2__)
using Partials = __m128;
inline Partials zeroPartials()
{
    return _mm_setzero_ps();
}
inline Partials addPartials(Partials sum, const float* x, int32_t count)
{
    int32_t i = 0;
    __m128 b = _mm_setzero_ps();
    for (; i + 8 <= count; i += 8) {
        sum = _mm_add_ps(sum, _mm_loadu_ps(x + i));
        b = _mm_add_ps(b, _mm_loadu_ps(x + i + 4));
    }
    for (; i + 4 <= count; i += 4) sum = _mm_add_ps(sum, _mm_loadu_ps(x + i));
    for (; i < count; ++i) sum = _mm_add_ss(sum, _mm_load_ss(x + i));
    return _mm_add_ps(sum, b);
}
// The total of each lane's partial sums, lane by lane.
inline void sumAcross(const Partials (&lanes)[4], float* totals)
{
    __m128 a = lanes[0], b = lanes[1], c = lanes[2], d = lanes[3];
    _MM_TRANSPOSE4_PS(a, b, c, d);
    _mm_store_ps(totals, _mm_add_ps(_mm_add_ps(a, b), _mm_add_ps(c, d)));
}
#else
struct Partials
{
    float v[4];
};
inline Partials zeroPartials()
{
    return Partials{};
}
inline Partials addPartials(Partials sum, const float* x, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) sum.v[i & 3] += x[i];
    return sum;
}
inline void sumAcross(const Partials (&lanes)[4], float* totals)
{
    for (int l = 0; l < 4; ++l) totals[l] = (lanes[l].v[0] + lanes[l].v[1]) + (lanes[l].v[2] + lanes[l].v[3]);
}
#endif

// Taps and values both of a length that is a multiple of 4.
float dot(const float* taps, const float* x, int32_t count)
{
#if defined(__SSE2__)
    __m128 a = _mm_setzero_ps(), b = a;
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        a = _mm_add_ps(a, _mm_mul_ps(_mm_loadu_ps(taps + i), _mm_loadu_ps(x + i)));
        b = _mm_add_ps(b, _mm_mul_ps(_mm_loadu_ps(taps + i + 4), _mm_loadu_ps(x + i + 4)));
    }
    if (i < count) a = _mm_add_ps(a, _mm_mul_ps(_mm_loadu_ps(taps + i), _mm_loadu_ps(x + i)));
    __m128 lanes = _mm_add_ps(a, b);
    lanes = _mm_add_ps(lanes, _mm_movehl_ps(lanes, lanes));
    lanes = _mm_add_ss(lanes, _mm_shuffle_ps(lanes, lanes, 1));
    return _mm_cvtss_f32(lanes);
#else
    float sum = 0.0f;
    for (int32_t i = 0; i < count; ++i) sum += taps[i] * x[i];
    return sum;
#endif
}

} // namespace

void LoudnessMatch::prepare(int32_t sampleRate)
{
    const double rate = std::max(sampleRate, 1);
    box_ = 1;
    while (box_ * 2 <= rate / kBoxRate) box_ *= 2;
    stretch_ = kBoxesPerStretch * box_;
    boxScale_ = 1.0f / static_cast<float>(box_);
    boxesPerSubBlock_ = std::max<int32_t>(1, static_cast<int32_t>(std::lround(kSubBlockSeconds * rate / box_)));

    // R tends to R(inf) at high frequencies: K = R(inf) S (1 - L), L = 1 - R / R(inf).
    const Analog highPassB = analogOf(kHighPassB), highPassA = analogOf(kHighPassA);
    const double passband = highPassB.c[2] / highPassA.c[2];
    Analog lowB{};
    for (int k = 0; k < 3; ++k) lowB.c[k] = highPassA.c[k] - highPassB.c[k] / passband;
    double b[3], a[2];
    biquadAt(lowB, highPassA, rate / box_, b, a);
    for (int k = 0; k < 3; ++k) lowB_[k] = static_cast<float>(b[k]);
    for (int k = 0; k < 2; ++k) lowA_[k] = static_cast<float>(a[k]);

    // The shelf's impulse response, long enough to have decayed below -40 dB.
    taps_ = 4 * std::max<int32_t>(1, static_cast<int32_t>(std::ceil(8.0 * rate / kStandardRate)));
    taps_ = std::min(taps_, stretch_);
    double shelfB[3], shelfA[2], state[2] = {0, 0};
    biquadAt(analogOf(kShelfB), analogOf(kShelfA), rate, shelfB, shelfA);
    shelf_.assign(static_cast<size_t>(taps_), 0.0f);
    for (int32_t n = 0; n < taps_; ++n)
        shelf_[static_cast<size_t>(taps_ - 1 - n)] =
            static_cast<float>(passband * runBiquad(shelfB, shelfA, state, n == 0 ? 1.0 : 0.0));
    weighLowBand();

    for (auto& lane : lanes_) lane.assign(static_cast<size_t>(taps_ - 1 + stretch_), 0.0f);
    ring_.assign(static_cast<size_t>(kWindowSubBlocks + kSubBlocksPerBlock), SubBlock{});
    for (auto& block : blockMeanSquare_) block.assign(ring_.size(), -1.0f);
    restart();
}

void LoudnessMatch::restart()
{
    for (auto& lane : lanes_) std::fill(lane.begin(), lane.end(), 0.0f);
    gathered_ = 0;
    stretchIndex_ = 0;
    for (auto& lane : lowState_) std::fill(std::begin(lane), std::end(lane), 0.0f);
    for (auto& box : low_) std::fill(std::begin(box), std::end(box), 0.0f);
    boxIndex_ = 0;
    pending_ = false;
    channels_ = 1;
    boxesInSubBlock_ = 0;
    current_ = SubBlock{};
    completed_ = 0;
    std::fill(ring_.begin(), ring_.end(), SubBlock{});
    for (auto& block : blockMeanSquare_) std::fill(block.begin(), block.end(), -1.0f);
    frozen_ = false;
    gain_ = 1.0f;
    difference_.store(std::numeric_limits<float>::quiet_NaN(), std::memory_order_relaxed);
}

// The low band between the centres of its boxes, linearly, goes through the
// shelf with the rest. For an instant at a given place in its box that is a
// weighted sum of the latest few boxes' values: the weights, by place.
void LoudnessMatch::weighLowBand()
{
    std::vector<double> sums(shelf_.size() + 1, 0.0), moments(shelf_.size() + 1, 0.0);
    for (size_t j = 0; j < shelf_.size(); ++j) {
        sums[j + 1] = sums[j] + shelf_[j];
        moments[j + 1] = moments[j] + static_cast<double>(j) * shelf_[j];
    }
    const int64_t half = box_ / 2; // the first sample at or after a box's centre
    const double centre = 0.5 * (box_ - 1);
    lowTaps_ = std::min((taps_ + box_ - 1) / box_ + 3, kLowKept);
    lowWeights_.assign(static_cast<size_t>(box_) * lowTaps_, 0.0f);
    for (int32_t place = 0; place < box_; ++place) {
        // An instant in box `own`, far enough from the start; the weights are of boxes own + 1, own, ...
        const int64_t own = lowTaps_ + 1, at = own * box_ + place, start = at - (taps_ - 1);
        float* weights = lowWeights_.data() + static_cast<size_t>(place) * lowTaps_;
        for (int64_t k = (start - half) / box_; k * box_ + half <= at; ++k) {
            const auto from = static_cast<size_t>(std::max(k * box_ + half, start) - start);
            const auto to = static_cast<size_t>(std::min((k + 1) * box_ + half, at + 1) - start);
            // Between the centres of boxes k and k + 1: low(k) + (low(k + 1) - low(k)) (t - c_k) / box.
            const double a = sums[to] - sums[from];
            const double d = (moments[to] - moments[from] + (static_cast<double>(start - k * box_) - centre) * a) / box_;
            weights[own + 1 - k] += static_cast<float>(a - d);
            weights[own - k] += static_cast<float>(d);
        }
    }
}

void LoudnessMatch::add(const float* const* input, const float* const* output, int numChannels, int32_t count,
                        bool real)
{
    numChannels = std::clamp(numChannels, 0, 2);
    channels_ = std::max(numChannels, 1);
    const int64_t completed = completed_;
    for (int32_t done = 0; done < count;) {
        const int32_t take = std::min(count - done, stretch_ - gathered_);
        for (int lane = 0; lane < kLanes; ++lane) {
            const float* const* signal = lane < 2 ? input : output;
            const int channel = lane & 1;
            const float* x = signal && channel < numChannels ? signal[channel] : nullptr;
            float* to = lanes_[lane].data() + (taps_ - 1) + gathered_;
            if (x)
                std::memcpy(to, x + done, sizeof(float) * static_cast<size_t>(take));
            else
                std::fill(to, to + take, 0.0f);
        }
        if (!real) current_.real = false;
        gathered_ += take;
        done += take;
        if (gathered_ == stretch_) {
            measureStretch();
            gathered_ = 0;
            // A stretch that did not count may end in the sub-block after.
            if (!real) current_.real = false;
        }
    }
    if (completed_ != completed && !frozen_) integrate();
}

// The stretch's instant through the shelf, then its boxes.
void LoudnessMatch::measureStretch()
{
    const int32_t reach = taps_ - 1;
    const auto place = static_cast<int32_t>(scramble(static_cast<uint64_t>(stretchIndex_)) &
                                            static_cast<uint64_t>(stretch_ - 1));
    // The previous stretch's instant, if it lay in its last box, waits for this stretch's first.
    const bool earlier = pending_;
    const int64_t earlierAt = pendingAt_;
    float earlierShelf[kLanes];
    std::copy(std::begin(pendingShelf_), std::end(pendingShelf_), earlierShelf);
    float shelf[kLanes];
    for (int lane = 0; lane < kLanes; ++lane) shelf[lane] = dot(shelf_.data(), lanes_[lane].data() + place, taps_);
    const int64_t at = stretchIndex_ * stretch_ + place;
    const int32_t ownBox = place / box_;

    for (int32_t b = 0; b < kBoxesPerStretch; ++b) {
        Partials partials[kLanes];
        for (int lane = 0; lane < kLanes; ++lane)
            partials[lane] = addPartials(zeroPartials(), lanes_[lane].data() + reach + b * box_, box_);
        alignas(16) float sums[kLanes];
        sumAcross(partials, sums);
        // The instant due at this box's end: the earlier one at the first, this one after its own box.
        pending_ = false;
        if (b == 0 && earlier) {
            pending_ = true;
            pendingAt_ = earlierAt;
            std::copy(earlierShelf, earlierShelf + kLanes, pendingShelf_);
        } else if (b == ownBox + 1) {
            pending_ = true;
            pendingAt_ = at;
            std::copy(shelf, shelf + kLanes, pendingShelf_);
        }
        endBox(sums);
    }
    pending_ = ownBox + 1 == kBoxesPerStretch;
    if (pending_) {
        pendingAt_ = at;
        std::copy(shelf, shelf + kLanes, pendingShelf_);
    }
    // What the next stretch's instants reach back to.
    for (auto& lane : lanes_) std::copy(lane.end() - reach, lane.end(), lane.begin());
    ++stretchIndex_;
}

void LoudnessMatch::endBox(const float* sums)
{
    float* low = low_[boxIndex_ & (kLowKept - 1)];
#if defined(__SSE2__)
    const __m128 x = _mm_mul_ps(_mm_load_ps(sums), _mm_set1_ps(boxScale_));
    const __m128 state = _mm_loadu_ps(lowState_[0]), state2 = _mm_loadu_ps(lowState_[1]);
    const __m128 y = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(lowB_[0]), x), state);
    _mm_storeu_ps(lowState_[0], _mm_sub_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(lowB_[1]), x), state2),
                                           _mm_mul_ps(_mm_set1_ps(lowA_[0]), y)));
    _mm_storeu_ps(lowState_[1],
                  _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(lowB_[2]), x), _mm_mul_ps(_mm_set1_ps(lowA_[1]), y)));
    _mm_storeu_ps(low, y);
#else
    for (int lane = 0; lane < kLanes; ++lane) {
        const float x = sums[lane] * boxScale_;
        const float y = lowB_[0] * x + lowState_[0][lane];
        lowState_[0][lane] = lowB_[1] * x - lowA_[0] * y + lowState_[1][lane];
        lowState_[1][lane] = lowB_[2] * x - lowA_[1] * y;
        low[lane] = y;
    }
#endif
    if (pending_) {
        // The low band of the latest boxes, weighed for the instant's place in its box.
        const int64_t next = boxIndex_;
        const float* weights = lowWeights_.data() + static_cast<size_t>(pendingAt_ & (box_ - 1)) * lowTaps_;
        float lowBand[kLanes] = {0, 0, 0, 0};
        for (int m = 0; m < lowTaps_ && next - m >= 0; ++m)
            for (int lane = 0; lane < kLanes; ++lane)
                lowBand[lane] += weights[m] * low_[(next - m) & (kLowKept - 1)][lane];
        for (int lane = 0; lane < kLanes; ++lane) {
            if ((lane & 1) >= channels_) continue;
            const float weighted = pendingShelf_[lane] - lowBand[lane];
            current_.energy[lane / 2] += weighted * weighted;
        }
        ++current_.points;
    }
    ++boxIndex_;
    if (++boxesInSubBlock_ == boxesPerSubBlock_) closeSubBlock();
}

// A sub-block ends, and with it the block of the four that end there.
void LoudnessMatch::closeSubBlock()
{
    const auto held = static_cast<int64_t>(ring_.size());
    ring_[static_cast<size_t>(completed_ % held)] = current_;
    current_ = SubBlock{};
    boxesInSubBlock_ = 0;
    ++completed_;
    if (completed_ < kSubBlocksPerBlock) return;
    const int64_t first = completed_ - kSubBlocksPerBlock;
    double energy[2] = {0, 0};
    int64_t points = 0;
    bool real = true;
    for (int64_t j = first; j < completed_; ++j) {
        const SubBlock& sub = ring_[static_cast<size_t>(j % held)];
        energy[0] += sub.energy[0];
        energy[1] += sub.energy[1];
        points += sub.points;
        real = real && sub.real;
    }
    for (int s = 0; s < 2; ++s)
        blockMeanSquare_[s][static_cast<size_t>(first % held)] =
            real ? static_cast<float>(points > 0 ? energy[s] / static_cast<double>(points) : 0.0) : -1.0f;
}

// Over the blocks that lie within the last 10 seconds.
void LoudnessMatch::integrate()
{
    const int64_t firstBlock = std::max<int64_t>(completed_ - kWindowSubBlocks, 0);
    const int64_t endBlock = completed_ - kSubBlocksPerBlock + 1;
    const float gate = static_cast<float>(std::pow(10.0, (kGateLufs + 0.691) / 10.0));
    double sum[2] = {0, 0};
    int blocks[2] = {0, 0};
    bool any = false;
    auto index = static_cast<size_t>(firstBlock % static_cast<int64_t>(ring_.size()));
    for (int64_t b = firstBlock; b < endBlock; ++b, index = index + 1 == ring_.size() ? 0 : index + 1) {
        if (blockMeanSquare_[1][index] < 0.0f) continue; // not real
        any = true;
        for (int s = 0; s < 2; ++s) {
            const float z = blockMeanSquare_[s][index];
            if (z >= gate) {
                sum[s] += z;
                ++blocks[s];
            }
        }
    }
    // Nothing that counts in the window: the figures stay.
    if (!any) return;
    if (blocks[0] == 0) {
        gain_ = 1.0f;
        difference_.store(std::numeric_limits<float>::quiet_NaN(), std::memory_order_relaxed);
        return;
    }
    if (blocks[1] == 0) {
        gain_ = 0.0f;
        difference_.store(-std::numeric_limits<float>::infinity(), std::memory_order_relaxed);
        return;
    }
    const double ratio = (sum[1] / blocks[1]) / (sum[0] / blocks[0]);
    gain_ = static_cast<float>(std::sqrt(ratio));
    difference_.store(static_cast<float>(10.0 * std::log10(ratio)), std::memory_order_relaxed);
}

} // namespace vosk
