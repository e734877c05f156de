// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The interpolating filter is a Kaiser-windowed sinc cut off at the input's
// Nyquist frequency, kTaps input samples long: its phase 0 is the samples
// themselves, and every other phase is normalised to unity gain at DC. Each
// interpolated value is summed in tap order on every instruction set, so the
// figures do not depend on the processor.
#include "truepeak.h"

#include "simd.h"
#include "common/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vosk {
namespace {

constexpr int kTaps = TruePeakMeter::kTaps;
constexpr double kKaiserBeta = 8.0;
constexpr long long kBlockFrames = 4096;

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// Phases 1 .. factor-1: phase p gives the waveform p/factor of a sample
// after the sample in the middle of its taps.
std::vector<float> designPhases(int factor)
{
    constexpr int half = kTaps / 2;
    std::vector<float> taps;
    for (int p = 1; p < factor; ++p) {
        double phase[kTaps], sum = 0;
        for (int i = 0; i < kTaps; ++i) {
            const double t = static_cast<double>(p) / factor - (i - half + 1);
            const double r = t / half;
            const double window = besselI0(kKaiserBeta * std::sqrt(1 - r * r)) / besselI0(kKaiserBeta);
            phase[i] = std::sin(kPi * t) / (kPi * t) * window;
            sum += phase[i];
        }
        for (double tap : phase) taps.push_back(static_cast<float>(tap / sum));
    }
    return taps;
}

// NaN never wins: it fails the comparison.
inline float larger(float candidate, float peak)
{
    return candidate > peak ? candidate : peak;
}

template <int kPhases> float interpolatedPeakScalar(const float* line, size_t from, size_t to, const float* taps)
{
    float peak = 0;
    for (size_t j = from; j < to; ++j)
        for (int p = 0; p < kPhases; ++p) {
            float sum = 0;
            for (int i = 0; i < kTaps; ++i) sum += taps[p * kTaps + i] * line[j + i];
            peak = larger(std::fabs(sum), peak);
        }
    return peak;
}

#if VOSK_CLI_AVX
// Sixteen positions at a time, in two groups of eight, so that the additions
// of the six sums overlap.
template <int kPhases>
VOSK_TARGET_AVX float interpolatedPeakAvx(const float* line, size_t positions, const float* taps)
{
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    __m256 peak = _mm256_setzero_ps();
    size_t j = 0;
    for (; j + 16 <= positions; j += 16) {
        __m256 low[kPhases], high[kPhases];
        for (int p = 0; p < kPhases; ++p) low[p] = high[p] = _mm256_setzero_ps();
        for (int i = 0; i < kTaps; ++i) {
            const __m256 x0 = _mm256_loadu_ps(line + j + i);
            const __m256 x1 = _mm256_loadu_ps(line + j + 8 + i);
            for (int p = 0; p < kPhases; ++p) {
                const __m256 tap = _mm256_broadcast_ss(taps + p * kTaps + i);
                low[p] = _mm256_add_ps(low[p], _mm256_mul_ps(tap, x0));
                high[p] = _mm256_add_ps(high[p], _mm256_mul_ps(tap, x1));
            }
        }
        for (int p = 0; p < kPhases; ++p) {
            peak = _mm256_max_ps(_mm256_and_ps(low[p], magnitude), peak);
            peak = _mm256_max_ps(_mm256_and_ps(high[p], magnitude), peak);
        }
    }
    alignas(32) float lanes[8];
    _mm256_store_ps(lanes, peak);
    float result = interpolatedPeakScalar<kPhases>(line, j, positions, taps);
    for (float lane : lanes) result = larger(lane, result);
    return result;
}

// Sixty-four positions at a time, as above in four groups of sixteen lanes;
// the rest as above.
template <int kPhases>
VOSK_TARGET_AVX512 float interpolatedPeakAvx512(const float* line, size_t positions, const float* taps)
{
    constexpr int kGroups = 4;
    const __m512i magnitude = _mm512_set1_epi32(0x7fffffff);
    __m512 peak = _mm512_setzero_ps();
    size_t j = 0;
    for (; j + 16 * kGroups <= positions; j += 16 * kGroups) {
        __m512 sums[kPhases][kGroups];
        for (auto& phase : sums)
            for (auto& sum : phase) sum = _mm512_setzero_ps();
        for (int i = 0; i < kTaps; ++i) {
            __m512 x[kGroups];
            for (int g = 0; g < kGroups; ++g) x[g] = _mm512_loadu_ps(line + j + 16 * g + i);
            for (int p = 0; p < kPhases; ++p) {
                const __m512 tap = _mm512_set1_ps(taps[p * kTaps + i]);
                for (int g = 0; g < kGroups; ++g) sums[p][g] = _mm512_add_ps(sums[p][g], _mm512_mul_ps(tap, x[g]));
            }
        }
        for (const auto& phase : sums)
            for (__m512 sum : phase) {
                // As larger(): the magnitude where it is greater (NaN is not).
                const __m512 m = _mm512_castsi512_ps(_mm512_and_si512(_mm512_castps_si512(sum), magnitude));
                peak = _mm512_mask_blend_ps(_mm512_cmp_ps_mask(m, peak, _CMP_GT_OQ), peak, m);
            }
    }
    alignas(64) float lanes[16];
    _mm512_store_ps(lanes, peak);
    float result = interpolatedPeakAvx<kPhases>(line + j, positions - j, taps);
    for (float lane : lanes) result = larger(lane, result);
    return result;
}

// Eight positions at a time, as above in four lanes: every x86-64 processor.
template <int kPhases> float interpolatedPeakSse2(const float* line, size_t positions, const float* taps)
{
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 peak = _mm_setzero_ps();
    size_t j = 0;
    for (; j + 8 <= positions; j += 8) {
        __m128 low[kPhases], high[kPhases];
        for (int p = 0; p < kPhases; ++p) low[p] = high[p] = _mm_setzero_ps();
        for (int i = 0; i < kTaps; ++i) {
            const __m128 x0 = _mm_loadu_ps(line + j + i);
            const __m128 x1 = _mm_loadu_ps(line + j + 4 + i);
            for (int p = 0; p < kPhases; ++p) {
                const __m128 tap = _mm_set1_ps(taps[p * kTaps + i]);
                low[p] = _mm_add_ps(low[p], _mm_mul_ps(tap, x0));
                high[p] = _mm_add_ps(high[p], _mm_mul_ps(tap, x1));
            }
        }
        for (int p = 0; p < kPhases; ++p) {
            peak = _mm_max_ps(_mm_and_ps(low[p], magnitude), peak);
            peak = _mm_max_ps(_mm_and_ps(high[p], magnitude), peak);
        }
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, peak);
    float result = interpolatedPeakScalar<kPhases>(line, j, positions, taps);
    for (float lane : lanes) result = larger(lane, result);
    return result;
}
#endif

template <int kPhases> float interpolatedPeakOf(const float* line, size_t positions, const float* taps)
{
#if VOSK_CLI_AVX
    if (avx512Available()) return interpolatedPeakAvx512<kPhases>(line, positions, taps);
    return avxAvailable() ? interpolatedPeakAvx<kPhases>(line, positions, taps)
               : interpolatedPeakSse2<kPhases>(line, positions, taps);
#else
    return interpolatedPeakScalar<kPhases>(line, 0, positions, taps);
#endif
}

// The largest interpolated magnitude of `positions` windows of kTaps samples
// starting at line[0], line[1], ...
float interpolatedPeak(const float* line, size_t positions, const std::vector<float>& taps)
{
    switch (taps.size() / kTaps) {
    case 3:
        return interpolatedPeakOf<3>(line, positions, taps.data());
    case 1:
        return interpolatedPeakOf<1>(line, positions, taps.data());
    default:
        return 0;
    }
}

// Stereo frames into their two channels; returns the largest magnitude.
float splitStereo(const float* interleaved, long long frames, float* left, float* right)
{
    long long i = 0;
    float peak = 0;
#if VOSK_CLI_AVX
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 wide = _mm_setzero_ps();
    for (; i + 4 <= frames; i += 4) {
        const __m128 a = _mm_loadu_ps(interleaved + 2 * i), b = _mm_loadu_ps(interleaved + 2 * i + 4);
        const __m128 l = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 r = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
        _mm_storeu_ps(left + i, l);
        _mm_storeu_ps(right + i, r);
        wide = _mm_max_ps(_mm_and_ps(l, magnitude), wide);
        wide = _mm_max_ps(_mm_and_ps(r, magnitude), wide);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, wide);
    for (float lane : lanes) peak = larger(lane, peak);
#endif
    for (; i < frames; ++i) {
        left[i] = interleaved[2 * i];
        right[i] = interleaved[2 * i + 1];
        peak = larger(std::fabs(left[i]), peak);
        peak = larger(std::fabs(right[i]), peak);
    }
    return peak;
}

} // namespace

TruePeakMeter::TruePeakMeter(int channelCount, int rate)
    : channels(channelCount), factor(rate < 96000 ? 4 : rate < 192000 ? 2 : 1), phaseTaps(designPhases(factor)),
      lines(static_cast<size_t>(std::max(channelCount, 0)),
            std::vector<float>(static_cast<size_t>(kTaps - 1 + kBlockFrames), 0.0f))
{
}

void TruePeakMeter::add(const float* interleaved, long long frames)
{
    constexpr size_t history = kTaps - 1;
    while (frames > 0) {
        const long long n = std::min(frames, kBlockFrames);
        float peak = 0;
        if (channels == 2)
            peak = splitStereo(interleaved, n, lines[0].data() + history, lines[1].data() + history);
        else
            for (int c = 0; c < channels; ++c) {
                float* fresh = lines[static_cast<size_t>(c)].data() + history;
                for (long long i = 0; i < n; ++i) {
                    const float v = interleaved[i * channels + c];
                    fresh[i] = v;
                    peak = larger(std::fabs(v), peak);
                }
            }
        sampleMax = std::max(sampleMax, static_cast<double>(peak));
        for (auto& channel : lines) {
            float* line = channel.data();
            interpolatedMax =
                std::max(interpolatedMax, static_cast<double>(interpolatedPeak(line, static_cast<size_t>(n), phaseTaps)));
            std::copy(line + n, line + n + history, line);
        }
        interleaved += n * channels;
        frames -= n;
    }
}

double TruePeakMeter::truePeak() const
{
    constexpr size_t history = kTaps - 1;
    double peak = std::max(sampleMax, interpolatedMax);
    // The windows that reach into the silence after the end.
    std::vector<float> tail(2 * history, 0.0f);
    for (const auto& line : lines) {
        std::copy(line.begin(), line.begin() + history, tail.begin());
        peak = std::max(peak, static_cast<double>(interpolatedPeak(tail.data(), history, phaseTaps)));
    }
    return peak;
}

} // namespace vosk
