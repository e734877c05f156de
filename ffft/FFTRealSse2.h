// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// SSE2 level passes of FFTReal<float>, and the groups of four butterflies that
// the wider passes start their blocks with. Each vector lane performs exactly
// the operations of the scalar passes on the same operands, in the same order,
// so the results are identical bit for bit; only the memory traffic differs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <emmintrin.h>

namespace ffft {
namespace detail {
namespace sse2 {

inline __m128 reversed(__m128 v)
{
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3));
}

// Lanes (v0, v3, v2, v1): the values of i = 1, 2, 3 in mirrored order, lane 0
// left for the caller to ignore or overwrite.
inline __m128 mirrored_1_to_3(__m128 v)
{
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 2, 3, 0));
}

// Twiddle source of one level: cosines cos_i[i]; sines either mirrored from
// the cosines (cos_i[h - i]) or read in order from sin_i[i].
template <bool kMirroredSine> struct Twiddles
{
    const float* cos_i;
    const float* sin_i;
    std::int32_t h;

    float sine(std::int32_t i) const { return kMirroredSine ? cos_i[h - i] : sin_i[i]; }
    __m128 cosines(std::int32_t i0) const { return _mm_loadu_ps(cos_i + i0); }
    __m128 sines(std::int32_t i0) const
    {
        return kMirroredSine ? reversed(_mm_loadu_ps(cos_i + h - i0 - 3)) : _mm_loadu_ps(sin_i + i0);
    }
    // Lanes i = 0 .. 3; lane 0 (i = 0) is never used.
    __m128 first_cosines() const { return _mm_set_ps(cos_i[3], cos_i[2], cos_i[1], 1.0f); }
    __m128 first_sines() const { return _mm_set_ps(sine(3), sine(2), sine(1), 0.0f); }
};

// One block of a level pass: the two halves read and the two halves written.
struct Block
{
    const float* s1;
    const float* s2;
    float* d1;
    float* d2;
    std::int32_t h;
    std::int32_t m;
};

// Forward butterflies i = 0 .. 3. Lane 0 takes the i = 0 values; the mirrored
// lane 0 lands on index m - 4, which the group at 4 or d1[h] overwrites later.
inline void direct_first_group(const Block& k, __m128 c_first, __m128 s_first)
{
    const __m128 p = _mm_loadu_ps(k.s1);
    const __m128 e = _mm_loadu_ps(k.s1 + k.h);
    const __m128 a = _mm_loadu_ps(k.s2);
    const __m128 b = _mm_loadu_ps(k.s2 + k.h);
    const __m128 v = _mm_sub_ps(_mm_mul_ps(a, c_first), _mm_mul_ps(b, s_first));
    const __m128 w = _mm_add_ps(_mm_mul_ps(a, s_first), _mm_mul_ps(b, c_first));
    _mm_storeu_ps(k.d1, _mm_move_ss(_mm_add_ps(p, v), _mm_add_ps(p, a)));
    _mm_storeu_ps(k.d2, _mm_move_ss(_mm_add_ps(w, e), _mm_sub_ps(p, a)));
    _mm_storeu_ps(k.d1 + k.m - 4, mirrored_1_to_3(_mm_sub_ps(p, v)));
    _mm_storeu_ps(k.d2 + k.m - 4, mirrored_1_to_3(_mm_sub_ps(w, e)));
}

// Forward butterflies i0 .. i0 + 3, 4 <= i0 <= h - 4.
template <bool kMirroredSine>
inline void direct_group(const Block& k, const Twiddles<kMirroredSine>& tw, std::int32_t i0)
{
    const __m128 ci = tw.cosines(i0);
    const __m128 si = tw.sines(i0);
    const __m128 p = _mm_loadu_ps(k.s1 + i0);
    const __m128 e = _mm_loadu_ps(k.s1 + k.h + i0);
    const __m128 a = _mm_loadu_ps(k.s2 + i0);
    const __m128 b = _mm_loadu_ps(k.s2 + k.h + i0);
    const __m128 v = _mm_sub_ps(_mm_mul_ps(a, ci), _mm_mul_ps(b, si));
    const __m128 w = _mm_add_ps(_mm_mul_ps(a, si), _mm_mul_ps(b, ci));
    _mm_storeu_ps(k.d1 + i0, _mm_add_ps(p, v));
    _mm_storeu_ps(k.d1 + k.m - i0 - 3, reversed(_mm_sub_ps(p, v)));
    _mm_storeu_ps(k.d2 + i0, _mm_add_ps(w, e));
    _mm_storeu_ps(k.d2 + k.m - i0 - 3, reversed(_mm_sub_ps(w, e)));
}

inline void direct_middle(const Block& k)
{
    k.d1[k.h] = k.s1[k.h];
    k.d2[k.h] = k.s2[k.h];
}

// Forward level pass with h = m/2 >= 4, butterflies from .. to - 1 of each
// block (multiples of 4). The part with butterfly 0 runs its first group first,
// so that its stray lane is overwritten by the group at 4 or the middle.
// kWhole: every butterfly, the bounds known to the compiler (the short levels'
// blocks are many and small).
template <bool kWhole, bool kMirroredSine>
inline void direct_level(float* df, const float* sf, std::int32_t length, Twiddles<kMirroredSine> tw,
                         std::int32_t from, std::int32_t to)
{
    if constexpr (kWhole) {
        from = 0;
        to = tw.h;
    }
    const std::int32_t m = tw.h * 2;
    const __m128 c_first = tw.first_cosines();
    const __m128 s_first = tw.first_sines();
    for (std::int32_t c = 0; c < length; c += 2 * m) {
        const Block k{sf + c, sf + c + m, df + c, df + c + m, tw.h, m};
        if (from == 0) direct_first_group(k, c_first, s_first);
        for (std::int32_t i0 = std::max(from, std::int32_t(4)); i0 < to; i0 += 4) direct_group(k, tw, i0);
        if (from == 0) direct_middle(k);
    }
}

// Inverse butterflies i = 0 .. 3; lane 0 is replaced by the i = 0 and i = h
// values.
inline void inverse_first_group(const Block& k, __m128 c_first, __m128 s_first)
{
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 p = _mm_loadu_ps(k.s1);
    const __m128 q = mirrored_1_to_3(_mm_loadu_ps(k.s1 + k.m - 4));
    const __m128 r = _mm_loadu_ps(k.s2);
    const __m128 t = mirrored_1_to_3(_mm_loadu_ps(k.s2 + k.m - 4));
    const __m128 u1h = _mm_load_ss(k.s1 + k.h);
    const __m128 u2h = _mm_load_ss(k.s2 + k.h);
    const __m128 vr = _mm_sub_ps(p, q);
    const __m128 vi = _mm_add_ps(r, t);
    _mm_storeu_ps(k.d1, _mm_move_ss(_mm_add_ps(p, q), _mm_add_ps(p, r)));
    _mm_storeu_ps(k.d1 + k.h, _mm_move_ss(_mm_sub_ps(r, t), _mm_mul_ss(u1h, two)));
    _mm_storeu_ps(
        k.d2, _mm_move_ss(_mm_add_ps(_mm_mul_ps(vr, c_first), _mm_mul_ps(vi, s_first)), _mm_sub_ps(p, r)));
    _mm_storeu_ps(k.d2 + k.h, _mm_move_ss(_mm_sub_ps(_mm_mul_ps(vi, c_first), _mm_mul_ps(vr, s_first)),
                                          _mm_mul_ss(u2h, two)));
}

// Inverse butterflies i0 .. i0 + 3, 4 <= i0 <= h - 4.
template <bool kMirroredSine>
inline void inverse_group(const Block& k, const Twiddles<kMirroredSine>& tw, std::int32_t i0)
{
    const __m128 ci = tw.cosines(i0);
    const __m128 si = tw.sines(i0);
    const __m128 p = _mm_loadu_ps(k.s1 + i0);
    const __m128 q = reversed(_mm_loadu_ps(k.s1 + k.m - i0 - 3));
    const __m128 r = _mm_loadu_ps(k.s2 + i0);
    const __m128 t = reversed(_mm_loadu_ps(k.s2 + k.m - i0 - 3));
    const __m128 vr = _mm_sub_ps(p, q);
    const __m128 vi = _mm_add_ps(r, t);
    _mm_storeu_ps(k.d1 + i0, _mm_add_ps(p, q));
    _mm_storeu_ps(k.d1 + k.h + i0, _mm_sub_ps(r, t));
    _mm_storeu_ps(k.d2 + i0, _mm_add_ps(_mm_mul_ps(vr, ci), _mm_mul_ps(vi, si)));
    _mm_storeu_ps(k.d2 + k.h + i0, _mm_sub_ps(_mm_mul_ps(vi, ci), _mm_mul_ps(vr, si)));
}

// Inverse level pass with h = m/2 >= 4, butterflies from .. to - 1 of each
// block (multiples of 4), as direct_level.
template <bool kWhole, bool kMirroredSine>
inline void inverse_level(float* df, const float* sf, std::int32_t length, Twiddles<kMirroredSine> tw,
                          std::int32_t from, std::int32_t to)
{
    if constexpr (kWhole) {
        from = 0;
        to = tw.h;
    }
    const std::int32_t m = tw.h * 2;
    const __m128 c_first = tw.first_cosines();
    const __m128 s_first = tw.first_sines();
    for (std::int32_t c = 0; c < length; c += 2 * m) {
        const Block k{sf + c, sf + c + m, df + c, df + c + m, tw.h, m};
        if (from == 0) inverse_first_group(k, c_first, s_first);
        for (std::int32_t i0 = std::max(from, std::int32_t(4)); i0 < to; i0 += 4) inverse_group(k, tw, i0);
    }
}

} // namespace sse2
} // namespace detail
} // namespace ffft
