// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// AVX variants of the level passes of FFTReal<float>, chosen at run time when
// the processor has AVX. Eight lanes run the scalar operations in the scalar
// order (AVX has no fused multiply-add), so results stay identical bit for bit.
#pragma once

#include "ffft/FFTRealSse2.h"

#include <immintrin.h>

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__)) &&               \
    !defined(FFFT_NO_AVX)
#define FFFT_USE_AVX 1
#define FFFT_TARGET_AVX __attribute__((target("avx")))

namespace ffft {
namespace detail {
namespace avx {

inline bool available()
{
    // Also checks that the operating system saves the wide registers.
    return __builtin_cpu_supports("avx");
}

FFFT_TARGET_AVX inline __m256 reversed(__m256 v)
{
    const __m256 halves_swapped = _mm256_permute2f128_ps(v, v, 0x01);
    return _mm256_permute_ps(halves_swapped, _MM_SHUFFLE(0, 1, 2, 3));
}

template <bool kMirroredSine>
FFFT_TARGET_AVX inline __m256 sines(const sse2::Twiddles<kMirroredSine>& tw, std::int32_t i0)
{
    return kMirroredSine ? reversed(_mm256_loadu_ps(tw.cos_i + tw.h - i0 - 7))
                         : _mm256_loadu_ps(tw.sin_i + i0);
}

// Forward level pass with h >= 8, butterflies from .. to - 1 of each block
// (multiples of 8): butterflies 0 .. 7 in two four-lane groups, the rest eight
// at a time.
template <bool kWhole, bool kMirroredSine>
FFFT_TARGET_AVX void direct_level(float* df, const float* sf, std::int32_t length,
                                  sse2::Twiddles<kMirroredSine> tw, std::int32_t from, std::int32_t to)
{
    if constexpr (kWhole) {
        from = 0;
        to = tw.h;
    }
    const std::int32_t h = tw.h;
    const std::int32_t m = h * 2;
    const __m128 c_first = tw.first_cosines();
    const __m128 s_first = tw.first_sines();
    for (std::int32_t c = 0; c < length; c += 2 * m) {
        const sse2::Block k{sf + c, sf + c + m, df + c, df + c + m, h, m};
        if (from == 0) {
            sse2::direct_first_group(k, c_first, s_first);
            sse2::direct_group(k, tw, 4);
        }
        for (std::int32_t i0 = std::max(from, std::int32_t(8)); i0 < to; i0 += 8) {
            const __m256 ci = _mm256_loadu_ps(tw.cos_i + i0);
            const __m256 si = sines(tw, i0);
            const __m256 p = _mm256_loadu_ps(k.s1 + i0);
            const __m256 e = _mm256_loadu_ps(k.s1 + h + i0);
            const __m256 a = _mm256_loadu_ps(k.s2 + i0);
            const __m256 b = _mm256_loadu_ps(k.s2 + h + i0);
            const __m256 v = _mm256_sub_ps(_mm256_mul_ps(a, ci), _mm256_mul_ps(b, si));
            const __m256 w = _mm256_add_ps(_mm256_mul_ps(a, si), _mm256_mul_ps(b, ci));
            _mm256_storeu_ps(k.d1 + i0, _mm256_add_ps(p, v));
            _mm256_storeu_ps(k.d1 + m - i0 - 7, reversed(_mm256_sub_ps(p, v)));
            _mm256_storeu_ps(k.d2 + i0, _mm256_add_ps(w, e));
            _mm256_storeu_ps(k.d2 + m - i0 - 7, reversed(_mm256_sub_ps(w, e)));
        }
        if (from == 0) sse2::direct_middle(k);
    }
}

// Inverse level pass with h >= 8, butterflies from .. to - 1 of each block
// (multiples of 8), as the four-lane pass.
template <bool kWhole, bool kMirroredSine>
FFFT_TARGET_AVX void inverse_level(float* df, const float* sf, std::int32_t length,
                                   sse2::Twiddles<kMirroredSine> tw, std::int32_t from, std::int32_t to)
{
    if constexpr (kWhole) {
        from = 0;
        to = tw.h;
    }
    const std::int32_t h = tw.h;
    const std::int32_t m = h * 2;
    const __m128 c_first = tw.first_cosines();
    const __m128 s_first = tw.first_sines();
    for (std::int32_t c = 0; c < length; c += 2 * m) {
        const sse2::Block k{sf + c, sf + c + m, df + c, df + c + m, h, m};
        if (from == 0) {
            sse2::inverse_first_group(k, c_first, s_first);
            sse2::inverse_group(k, tw, 4);
        }
        for (std::int32_t i0 = std::max(from, std::int32_t(8)); i0 < to; i0 += 8) {
            const __m256 ci = _mm256_loadu_ps(tw.cos_i + i0);
            const __m256 si = sines(tw, i0);
            const __m256 p = _mm256_loadu_ps(k.s1 + i0);
            const __m256 q = reversed(_mm256_loadu_ps(k.s1 + m - i0 - 7));
            const __m256 r = _mm256_loadu_ps(k.s2 + i0);
            const __m256 t = reversed(_mm256_loadu_ps(k.s2 + m - i0 - 7));
            const __m256 vr = _mm256_sub_ps(p, q);
            const __m256 vi = _mm256_add_ps(r, t);
            _mm256_storeu_ps(k.d1 + i0, _mm256_add_ps(p, q));
            _mm256_storeu_ps(k.d1 + h + i0, _mm256_sub_ps(r, t));
            _mm256_storeu_ps(k.d2 + i0, _mm256_add_ps(_mm256_mul_ps(vr, ci), _mm256_mul_ps(vi, si)));
            _mm256_storeu_ps(k.d2 + h + i0, _mm256_sub_ps(_mm256_mul_ps(vi, ci), _mm256_mul_ps(vr, si)));
        }
    }
}

} // namespace avx
} // namespace detail
} // namespace ffft

#endif
