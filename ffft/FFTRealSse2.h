// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// SSE2 passes of FFTReal<float>. Each vector lane performs exactly the
// operations of the scalar passes on the same operands, in the same order, so
// the results are identical bit for bit; only the memory traffic differs.
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

// Bit-reversed offsets of the four lanes: reversing 0, 1, 2, 3 gives
// 0, N/2, N/4, 3N/4.
struct QuarterOffsets
{
    explicit QuarterOffsets(std::int32_t length) : o{0, length / 2, length / 4, 3 * (length / 4)} {}
    std::int32_t o[4];
};

// Where the 16 rows of x that one step of the fused first stages reads (or,
// inverse, writes) start: row r at the half (r & 4), the sixteenth (r & 8) and
// the quarter offset r % 4. They lie N/16 values apart, so they share one cache
// set, and the steps stage them 16 values (one 64-byte line) at a time.
struct SixteenRows
{
    SixteenRows(const QuarterOffsets& off, std::int32_t eighth, std::int32_t sixteenth)
    {
        for (int r = 0; r < 16; ++r)
            start[r] = ((r & 8) ? sixteenth : 0) + ((r & 4) ? eighth : 0) + off.o[r & 3];
    }
    std::int32_t start[16];
};

// Columns of four groups of 8 values after the first stage and the 8-point
// stage, the groups' inputs starting at x[q] (four consecutive lanes).
struct Columns8
{
    __m128 v[8];
};

inline Columns8 direct_group_columns(__m128 x0, __m128 x1, __m128 x2, __m128 x3, __m128 y0, __m128 y1,
                                     __m128 y2, __m128 y3)
{
    const __m128 k = _mm_set1_ps(0.70710677f);
    const __m128 a1 = _mm_sub_ps(x0, x1);
    const __m128 a3 = _mm_sub_ps(x2, x3);
    const __m128 as0 = _mm_add_ps(x0, x1);
    const __m128 as2 = _mm_add_ps(x2, x3);
    const __m128 a0 = _mm_add_ps(as0, as2);
    const __m128 a2 = _mm_sub_ps(as0, as2);
    const __m128 b1 = _mm_sub_ps(y0, y1);
    const __m128 b3 = _mm_sub_ps(y2, y3);
    const __m128 bs0 = _mm_add_ps(y0, y1);
    const __m128 bs2 = _mm_add_ps(y2, y3);
    const __m128 b0 = _mm_add_ps(bs0, bs2);
    const __m128 b2 = _mm_sub_ps(bs0, bs2);
    Columns8 d;
    d.v[0] = _mm_add_ps(a0, b0);
    d.v[4] = _mm_sub_ps(a0, b0);
    d.v[2] = a2;
    d.v[6] = b2;
    const __m128 v = _mm_mul_ps(_mm_sub_ps(b1, b3), k);
    d.v[1] = _mm_add_ps(a1, v);
    d.v[3] = _mm_sub_ps(a1, v);
    const __m128 w = _mm_mul_ps(_mm_add_ps(b1, b3), k);
    d.v[5] = _mm_add_ps(w, a3);
    d.v[7] = _mm_sub_ps(w, a3);
    return d;
}

inline Columns8 direct_group_columns(const float* xa, const QuarterOffsets& off, std::int32_t eighth)
{
    const float* const xb = xa + eighth;
    return direct_group_columns(_mm_loadu_ps(xa + off.o[0]), _mm_loadu_ps(xa + off.o[1]),
                                _mm_loadu_ps(xa + off.o[2]), _mm_loadu_ps(xa + off.o[3]),
                                _mm_loadu_ps(xb + off.o[0]), _mm_loadu_ps(xb + off.o[1]),
                                _mm_loadu_ps(xb + off.o[2]), _mm_loadu_ps(xb + off.o[3]));
}

// The same from a staged block: row r of `rows` (16 values each) at column i.
inline Columns8 direct_group_columns(const float (*rows)[16], std::int32_t i)
{
    return direct_group_columns(_mm_load_ps(rows[0] + i), _mm_load_ps(rows[1] + i), _mm_load_ps(rows[2] + i),
                                _mm_load_ps(rows[3] + i), _mm_load_ps(rows[4] + i), _mm_load_ps(rows[5] + i),
                                _mm_load_ps(rows[6] + i), _mm_load_ps(rows[7] + i));
}

// Stores columns c0 .. c3 as four rows of four values at row[0 .. 3] + offset.
inline void store_transposed(float* const row[4], std::int32_t offset, __m128 c0, __m128 c1, __m128 c2,
                             __m128 c3)
{
    _MM_TRANSPOSE4_PS(c0, c1, c2, c3);
    _mm_storeu_ps(row[0] + offset, c0);
    _mm_storeu_ps(row[1] + offset, c1);
    _mm_storeu_ps(row[2] + offset, c2);
    _mm_storeu_ps(row[3] + offset, c3);
}

// The step after q, four at a time in runs of 16 that start q_stride apart.
inline std::int32_t next_step(std::int32_t q, std::int32_t q_stride)
{
    return q % 16 == 12 ? q - 12 + q_stride : q + 4;
}

// First stage, 8-point stage and the level-3 pass in registers, length >= 64.
// Lanes hold four blocks of 16 outputs at bit_rev[q] + (0, N/2, N/4, 3N/4);
// their halves come from x[q ..] and x[q + N/16 ..]. cos_3 holds the level-3
// cosines cos(i pi / 8), i = 0 .. 3.
// Steps q_begin .. q_end - 1 only (multiples of 16, or the whole range), so that
// the work can be split; every step is independent of the others. With a stride,
// only the runs of 16 steps that start q_stride apart (16 times a power of two):
// those write stretches of neighbouring lines, where a range of steps would write
// single lines spread over the whole array.
inline void direct_stages_to_level_3(float* df, const float* x, const std::int32_t* bit_rev,
                                     std::int32_t length, const float* cos_3, std::int32_t q_begin,
                                     std::int32_t q_end, std::int32_t q_stride = 16)
{
    const QuarterOffsets off(length);
    const std::int32_t eighth = length / 8;
    const std::int32_t sixteenth = length / 16;
    const __m128 c1 = _mm_set1_ps(cos_3[1]);
    const __m128 c2 = _mm_set1_ps(cos_3[2]);
    const __m128 c3 = _mm_set1_ps(cos_3[3]);
    // Sine i is cosine 4 - i.
    const __m128 sn1 = c3;
    const __m128 sn2 = c2;
    const __m128 sn3 = c1;
    // Each input line is read whole into the staging block before the other
    // rows of its cache set can evict it.
    alignas(16) float stage[16][16];
    const SixteenRows rows(off, eighth, sixteenth);
    const bool staged = sixteenth % 16 == 0;
    for (std::int32_t q = q_begin; q < q_end; q = next_step(q, q_stride)) {
        if (staged && q % 16 == 0) {
            for (int r = 0; r < 16; ++r) {
                const float* const from = x + rows.start[r] + q;
                _mm_store_ps(stage[r] + 0, _mm_loadu_ps(from + 0));
                _mm_store_ps(stage[r] + 4, _mm_loadu_ps(from + 4));
                _mm_store_ps(stage[r] + 8, _mm_loadu_ps(from + 8));
                _mm_store_ps(stage[r] + 12, _mm_loadu_ps(from + 12));
            }
        }
        const Columns8 lo =
            staged ? direct_group_columns(stage, q % 16) : direct_group_columns(x + q, off, eighth);
        const Columns8 hi = staged ? direct_group_columns(stage + 8, q % 16)
                                   : direct_group_columns(x + q + sixteenth, off, eighth);
        const __m128* const s1 = lo.v;
        const __m128* const s2 = hi.v;
        __m128 d1[8], d2[8];
        d1[0] = _mm_add_ps(s1[0], s2[0]);
        d2[0] = _mm_sub_ps(s1[0], s2[0]);
        d1[4] = s1[4];
        d2[4] = s2[4];
        const __m128 cs[4] = {c1, c1, c2, c3};
        const __m128 sn[4] = {sn1, sn1, sn2, sn3};
        for (int i = 1; i < 4; ++i) {
            const __m128 v = _mm_sub_ps(_mm_mul_ps(s2[i], cs[i]), _mm_mul_ps(s2[4 + i], sn[i]));
            d1[i] = _mm_add_ps(s1[i], v);
            d1[8 - i] = _mm_sub_ps(s1[i], v);
            const __m128 w = _mm_add_ps(_mm_mul_ps(s2[i], sn[i]), _mm_mul_ps(s2[4 + i], cs[i]));
            d2[i] = _mm_add_ps(w, s1[4 + i]);
            d2[8 - i] = _mm_sub_ps(w, s1[4 + i]);
        }
        float* const base = df + bit_rev[q];
        float* const row[4] = {base + off.o[0], base + off.o[1], base + off.o[2], base + off.o[3]};
        store_transposed(row, 0, d1[0], d1[1], d1[2], d1[3]);
        store_transposed(row, 4, d1[4], d1[5], d1[6], d1[7]);
        store_transposed(row, 8, d2[0], d2[1], d2[2], d2[3]);
        store_transposed(row, 12, d2[4], d2[5], d2[6], d2[7]);
    }
}

// Inverse 8-point stage and inverse first stage of four groups held as
// columns, writing x[q ..] and x[q + N/8 ..] (four consecutive lanes each).
template <class Store> inline void inverse_group_columns(const __m128* s, Store store)
{
    const __m128 k = _mm_set1_ps(0.70710677f);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 d0 = _mm_add_ps(s[0], s[4]);
    const __m128 d4 = _mm_sub_ps(s[0], s[4]);
    const __m128 d2 = _mm_mul_ps(s[2], two);
    const __m128 d6 = _mm_mul_ps(s[6], two);
    const __m128 d1 = _mm_add_ps(s[1], s[3]);
    const __m128 d3 = _mm_sub_ps(s[5], s[7]);
    const __m128 vr = _mm_sub_ps(s[1], s[3]);
    const __m128 vi = _mm_add_ps(s[5], s[7]);
    const __m128 d5 = _mm_mul_ps(_mm_add_ps(vr, vi), k);
    const __m128 d7 = _mm_mul_ps(_mm_sub_ps(vi, vr), k);

    const __m128 a_b0 = _mm_add_ps(d0, d2);
    const __m128 a_b2 = _mm_sub_ps(d0, d2);
    const __m128 a_b1 = _mm_mul_ps(d1, two);
    const __m128 a_b3 = _mm_mul_ps(d3, two);
    store(0, _mm_add_ps(a_b0, a_b1));
    store(1, _mm_sub_ps(a_b0, a_b1));
    store(2, _mm_add_ps(a_b2, a_b3));
    store(3, _mm_sub_ps(a_b2, a_b3));
    const __m128 b_b0 = _mm_add_ps(d4, d6);
    const __m128 b_b2 = _mm_sub_ps(d4, d6);
    const __m128 b_b1 = _mm_mul_ps(d5, two);
    const __m128 b_b3 = _mm_mul_ps(d7, two);
    store(4, _mm_add_ps(b_b0, b_b1));
    store(5, _mm_sub_ps(b_b0, b_b1));
    store(6, _mm_add_ps(b_b2, b_b3));
    store(7, _mm_sub_ps(b_b2, b_b3));
}

// Writes the eight rows of four groups to x[q ..] + offsets (row r: the half
// r / 4, the quarter offset r % 4).
inline void inverse_group_columns(float* xa, const QuarterOffsets& off, std::int32_t eighth, const __m128* s)
{
    inverse_group_columns(
        s, [&](int r, __m128 v) { _mm_storeu_ps(xa + (r >= 4 ? eighth : 0) + off.o[r & 3], v); });
}

// Loads rows row[0 .. 3] + offset (four values each) as four columns.
inline void load_transposed(const float* const row[4], std::int32_t offset, __m128* c)
{
    c[0] = _mm_loadu_ps(row[0] + offset);
    c[1] = _mm_loadu_ps(row[1] + offset);
    c[2] = _mm_loadu_ps(row[2] + offset);
    c[3] = _mm_loadu_ps(row[3] + offset);
    _MM_TRANSPOSE4_PS(c[0], c[1], c[2], c[3]);
}

// Inverse level-3 pass, inverse 8-point stage and inverse first stage in
// registers, length >= 64; the mirror image of direct_stages_to_level_3.
// Steps q_begin .. q_end - 1 only, in runs q_stride apart, as direct_stages_to_level_3.
inline void inverse_stages_from_level_3(float* x, const float* sf, const std::int32_t* bit_rev,
                                        std::int32_t length, const float* cos_3, std::int32_t q_begin,
                                        std::int32_t q_end, std::int32_t q_stride = 16)
{
    const QuarterOffsets off(length);
    const std::int32_t eighth = length / 8;
    const std::int32_t sixteenth = length / 16;
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 cs[4] = {_mm_set1_ps(cos_3[1]), _mm_set1_ps(cos_3[1]), _mm_set1_ps(cos_3[2]),
                          _mm_set1_ps(cos_3[3])};
    const __m128 sn[4] = {cs[3], cs[3], cs[2], cs[1]};
    // Output lines are gathered whole in the staging block and written at once.
    alignas(16) float stage[16][16];
    const SixteenRows rows(off, eighth, sixteenth);
    const bool staged = sixteenth % 16 == 0;
    for (std::int32_t q = q_begin; q < q_end; q = next_step(q, q_stride)) {
        const float* const base = sf + bit_rev[q];
        const float* const row[4] = {base + off.o[0], base + off.o[1], base + off.o[2], base + off.o[3]};
        __m128 u1[8], u2[8];
        load_transposed(row, 0, u1);
        load_transposed(row, 4, u1 + 4);
        load_transposed(row, 8, u2);
        load_transposed(row, 12, u2 + 4);
        __m128 d1[8], d2[8];
        d1[0] = _mm_add_ps(u1[0], u2[0]);
        d2[0] = _mm_sub_ps(u1[0], u2[0]);
        d1[4] = _mm_mul_ps(u1[4], two);
        d2[4] = _mm_mul_ps(u2[4], two);
        for (int i = 1; i < 4; ++i) {
            d1[i] = _mm_add_ps(u1[i], u1[8 - i]);
            d1[4 + i] = _mm_sub_ps(u2[i], u2[8 - i]);
            const __m128 vr = _mm_sub_ps(u1[i], u1[8 - i]);
            const __m128 vi = _mm_add_ps(u2[i], u2[8 - i]);
            d2[i] = _mm_add_ps(_mm_mul_ps(vr, cs[i]), _mm_mul_ps(vi, sn[i]));
            d2[4 + i] = _mm_sub_ps(_mm_mul_ps(vi, cs[i]), _mm_mul_ps(vr, sn[i]));
        }
        if (!staged) {
            inverse_group_columns(x + q, off, eighth, d1);
            inverse_group_columns(x + q + sixteenth, off, eighth, d2);
            continue;
        }
        const std::int32_t col = q % 16;
        inverse_group_columns(d1, [&](int r, __m128 v) { _mm_store_ps(stage[r] + col, v); });
        inverse_group_columns(d2, [&](int r, __m128 v) { _mm_store_ps(stage[8 + r] + col, v); });
        if (col == 12) {
            for (int r = 0; r < 16; ++r) {
                float* const to = x + rows.start[r] + q - 12;
                _mm_storeu_ps(to + 0, _mm_load_ps(stage[r] + 0));
                _mm_storeu_ps(to + 4, _mm_load_ps(stage[r] + 4));
                _mm_storeu_ps(to + 8, _mm_load_ps(stage[r] + 8));
                _mm_storeu_ps(to + 12, _mm_load_ps(stage[r] + 12));
            }
        }
    }
}

// First stage fused with the 8-point stage, length >= 32: lanes hold four
// groups of 8 outputs at bit_rev[q] + (0, N/2, N/4, 3N/4).
inline void direct_stages_1_to_3(float* df, const float* x, const std::int32_t* bit_rev, std::int32_t length)
{
    const QuarterOffsets off(length);
    const std::int32_t eighth = length / 8;
    for (std::int32_t q = 0; q < eighth; q += 4) {
        const Columns8 d = direct_group_columns(x + q, off, eighth);
        float* const base = df + bit_rev[q];
        float* const row[4] = {base + off.o[0], base + off.o[1], base + off.o[2], base + off.o[3]};
        store_transposed(row, 0, d.v[0], d.v[1], d.v[2], d.v[3]);
        store_transposed(row, 4, d.v[4], d.v[5], d.v[6], d.v[7]);
    }
}

// Inverse 8-point stage fused with the inverse first stage, length >= 32.
inline void inverse_stages_3_to_1(float* x, const float* sf, const std::int32_t* bit_rev, std::int32_t length)
{
    const QuarterOffsets off(length);
    const std::int32_t eighth = length / 8;
    for (std::int32_t q = 0; q < eighth; q += 4) {
        const float* const base = sf + bit_rev[q];
        const float* const row[4] = {base + off.o[0], base + off.o[1], base + off.o[2], base + off.o[3]};
        __m128 s[8];
        load_transposed(row, 0, s);
        load_transposed(row, 4, s + 4);
        inverse_group_columns(x + q, off, eighth, s);
    }
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

inline void rescale(float* x, std::int32_t length, float mul)
{
    const __m128 factor = _mm_set1_ps(mul);
    for (std::int32_t i = length - 4; i >= 0; i -= 4) {
        _mm_storeu_ps(x + i, _mm_mul_ps(_mm_loadu_ps(x + i), factor));
    }
}

} // namespace sse2
} // namespace detail
} // namespace ffft
