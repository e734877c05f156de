// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The first stages of FFTReal<float> (the first stage, the 8-point stage and,
// from 64 points, level 3) fused in registers, forward and inverse, written
// once over a lane type (ffft/Lanes.h). Each lane runs the scalar operations
// in the scalar order, so the results are identical bit for bit; only the
// memory traffic differs.
//
// A step handles W consecutive q (W the lanes' width, q a multiple of W). Lane
// 4j + k of its vectors is step q + 4j + k, whose outputs start at bit_rev[q] +
// the quarter offset of k (0, N/2, N/4, 3N/4) + the quad offset of j (N/8 for
// bit 0 of j, N/16 for bit 1): a transpose of each group of four lanes turns
// the columns into those rows.
#pragma once

#include "ffft/Lanes.h"

#include <cstdint>

#if defined(FFFT_USE_SSE2)

namespace ffft {
namespace detail {
namespace stages {

using lanes::Lanes4;

// Where the outputs of step q + 4j + k lie, relative to bit_rev[q].
struct RowOffsets
{
    explicit RowOffsets(std::int32_t length)
        : quarter{0, length / 2, length / 4, 3 * (length / 4)}, quad{0, length / 8, length / 16,
                                                                     3 * (length / 16)}
    {
    }
    std::int32_t quarter[4];
    std::int32_t quad[4];
};

// Where the 16 rows of x that one step of the fused first stages reads (or,
// inverse, writes) start: row r at the half (r & 4), the sixteenth (r & 8) and
// the quarter offset r % 4. They lie N/16 values apart, so they share one cache
// set, and the steps stage them 16 values (one 64-byte line) at a time.
struct SixteenRows
{
    explicit SixteenRows(const RowOffsets& off)
    {
        const std::int32_t eighth = off.quad[1];
        const std::int32_t sixteenth = off.quad[2];
        for (int r = 0; r < 16; ++r)
            start[r] = ((r & 8) ? sixteenth : 0) + ((r & 4) ? eighth : 0) + off.quarter[r & 3];
    }
    std::int32_t start[16];
};

// Columns of W groups of 8 values after the first stage and the 8-point stage.
template <class L> struct Columns8
{
    typename L::V v[8];
};

template <class L, class V>
FFFT_LANES_INLINE Columns8<L> direct_group_columns(V x0, V x1, V x2, V x3, V y0, V y1, V y2, V y3)
{
    const V k = L::splat(0.70710677f);
    const V a1 = x0 - x1;
    const V a3 = x2 - x3;
    const V as0 = x0 + x1;
    const V as2 = x2 + x3;
    const V a0 = as0 + as2;
    const V a2 = as0 - as2;
    const V b1 = y0 - y1;
    const V b3 = y2 - y3;
    const V bs0 = y0 + y1;
    const V bs2 = y2 + y3;
    const V b0 = bs0 + bs2;
    const V b2 = bs0 - bs2;
    Columns8<L> d;
    d.v[0] = a0 + b0;
    d.v[4] = a0 - b0;
    d.v[2] = a2;
    d.v[6] = b2;
    const V v = (b1 - b3) * k;
    d.v[1] = a1 + v;
    d.v[3] = a1 - v;
    const V w = (b1 + b3) * k;
    d.v[5] = w + a3;
    d.v[7] = w - a3;
    return d;
}

// The group columns of rows first .. first + 7, row r read at row(r).
template <class L, class Row> FFFT_LANES_INLINE Columns8<L> direct_group_columns(int first, Row row)
{
    return direct_group_columns<L>(L::load(row(first + 0)), L::load(row(first + 1)), L::load(row(first + 2)),
                                   L::load(row(first + 3)), L::load(row(first + 4)), L::load(row(first + 5)),
                                   L::load(row(first + 6)), L::load(row(first + 7)));
}

// Where the outputs (or, inverse, the inputs) of the lanes of a step start:
// those of lane 4j + k at at[k][j].
template <class L, class T> struct StepRows
{
    FFFT_LANES_INLINE StepRows(T* base, const RowOffsets& off)
    {
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < L::quads; ++j) at[k][j] = base + off.quarter[k] + off.quad[j];
    }
    T* at[4][L::quads];
};

// Stores columns c0 .. c3 of a step as the rows of its lanes, at `column` of
// each lane's outputs.
template <class L, class V>
FFFT_LANES_INLINE void store_transposed(const StepRows<L, float>& rows, std::int32_t column, V c0, V c1, V c2,
                                        V c3)
{
    L::transpose_quads(c0, c1, c2, c3);
    const V transposed[4] = {c0, c1, c2, c3};
    for (int k = 0; k < 4; ++k) {
        float* to[L::quads];
        for (int j = 0; j < L::quads; ++j) to[j] = rows.at[k][j] + column;
        L::store_quads(to, transposed[k]);
    }
}

// Loads the rows of a step's lanes at `column` of their inputs as columns.
template <class L, class V>
FFFT_LANES_INLINE void load_transposed(const StepRows<L, const float>& rows, std::int32_t column, V* c)
{
    for (int k = 0; k < 4; ++k) {
        const float* from[L::quads];
        for (int j = 0; j < L::quads; ++j) from[j] = rows.at[k][j] + column;
        c[k] = L::load_quads(from);
    }
    L::transpose_quads(c[0], c[1], c[2], c[3]);
}

// The step after q, W at a time in runs of 16 that start q_stride apart.
template <int W> FFFT_LANES_INLINE std::int32_t next_step(std::int32_t q, std::int32_t q_stride)
{
    return q % 16 == 16 - W ? q - (16 - W) + q_stride : q + W;
}

// First stage, 8-point stage and the level-3 pass in registers, length >= 64
// with N/16 >= W. Lanes hold blocks of 16 outputs; their halves come from
// x[q ..] and x[q + N/16 ..]. cos_3 holds the level-3 cosines cos(i pi / 8),
// i = 0 .. 3. Steps q_begin .. q_end - 1 only (multiples of 16, or the whole
// range), so that the work can be split; every step is independent of the
// others. With a stride, only the runs of 16 steps that start q_stride apart (16
// times a power of two): those write stretches of neighbouring lines, where a
// range of steps would write single lines spread over the whole array.
template <class L>
FFFT_LANES_INLINE void direct_stages_to_level_3(float* df, const float* x, const std::int32_t* bit_rev,
                                                std::int32_t length, const float* cos_3, std::int32_t q_begin,
                                                std::int32_t q_end, std::int32_t q_stride)
{
    using V = typename L::V;
    const RowOffsets off(length);
    const std::int32_t sixteenth = length / 16;
    const V c1 = L::splat(cos_3[1]);
    const V c2 = L::splat(cos_3[2]);
    const V c3 = L::splat(cos_3[3]);
    // Sine i is cosine 4 - i.
    const V cs[4] = {c1, c1, c2, c3};
    const V sn[4] = {c3, c3, c2, c1};
    // Each input line is read whole into the staging block before the other
    // rows of its cache set can evict it.
    alignas(64) float stage[16][16];
    const SixteenRows rows(off);
    const bool staged = sixteenth % 16 == 0;
    for (std::int32_t q = q_begin; q < q_end; q = next_step<L::width>(q, q_stride)) {
        if (staged && q % 16 == 0) {
            for (int r = 0; r < 16; ++r)
                for (int i = 0; i < 16; i += 4)
                    Lanes4::store(stage[r] + i, Lanes4::load(x + rows.start[r] + q + i));
        }
        auto columns = [&](int first) FFFT_LANES_BODY {
            const std::int32_t col = q % 16;
            return staged
                       ? direct_group_columns<L>(first, [&](int r) FFFT_LANES_BODY { return stage[r] + col; })
                       : direct_group_columns<L>(
                             first, [&](int r) FFFT_LANES_BODY { return x + rows.start[r] + q; });
        };
        const Columns8<L> lo = columns(0);
        const Columns8<L> hi = columns(8);
        const V* const s1 = lo.v;
        const V* const s2 = hi.v;
        V d1[8], d2[8];
        d1[0] = s1[0] + s2[0];
        d2[0] = s1[0] - s2[0];
        d1[4] = s1[4];
        d2[4] = s2[4];
        for (int i = 1; i < 4; ++i) {
            const V v = s2[i] * cs[i] - s2[4 + i] * sn[i];
            d1[i] = s1[i] + v;
            d1[8 - i] = s1[i] - v;
            const V w = s2[i] * sn[i] + s2[4 + i] * cs[i];
            d2[i] = w + s1[4 + i];
            d2[8 - i] = w - s1[4 + i];
        }
        const StepRows<L, float> to(df + bit_rev[q], off);
        store_transposed<L>(to, 0, d1[0], d1[1], d1[2], d1[3]);
        store_transposed<L>(to, 4, d1[4], d1[5], d1[6], d1[7]);
        store_transposed<L>(to, 8, d2[0], d2[1], d2[2], d2[3]);
        store_transposed<L>(to, 12, d2[4], d2[5], d2[6], d2[7]);
    }
}

// Inverse 8-point stage and inverse first stage of W groups held as columns;
// store(r, v) writes row r (the half r / 4, the quarter offset r % 4).
template <class L, class V, class Store> FFFT_LANES_INLINE void inverse_group_columns(const V* s, Store store)
{
    const V k = L::splat(0.70710677f);
    const V two = L::splat(2.0f);
    const V d0 = s[0] + s[4];
    const V d4 = s[0] - s[4];
    const V d2 = s[2] * two;
    const V d6 = s[6] * two;
    const V d1 = s[1] + s[3];
    const V d3 = s[5] - s[7];
    const V vr = s[1] - s[3];
    const V vi = s[5] + s[7];
    const V d5 = (vr + vi) * k;
    const V d7 = (vi - vr) * k;

    const V a_b0 = d0 + d2;
    const V a_b2 = d0 - d2;
    const V a_b1 = d1 * two;
    const V a_b3 = d3 * two;
    store(0, a_b0 + a_b1);
    store(1, a_b0 - a_b1);
    store(2, a_b2 + a_b3);
    store(3, a_b2 - a_b3);
    const V b_b0 = d4 + d6;
    const V b_b2 = d4 - d6;
    const V b_b1 = d5 * two;
    const V b_b3 = d7 * two;
    store(4, b_b0 + b_b1);
    store(5, b_b0 - b_b1);
    store(6, b_b2 + b_b3);
    store(7, b_b2 - b_b3);
}

// Inverse level-3 pass, inverse 8-point stage and inverse first stage in
// registers, length >= 64 with N/16 >= W; the mirror image of
// direct_stages_to_level_3, with its steps.
template <class L>
FFFT_LANES_INLINE void inverse_stages_from_level_3(float* x, const float* sf, const std::int32_t* bit_rev,
                                                   std::int32_t length, const float* cos_3,
                                                   std::int32_t q_begin, std::int32_t q_end,
                                                   std::int32_t q_stride)
{
    using V = typename L::V;
    const RowOffsets off(length);
    const std::int32_t sixteenth = length / 16;
    const V two = L::splat(2.0f);
    const V cs[4] = {L::splat(cos_3[1]), L::splat(cos_3[1]), L::splat(cos_3[2]), L::splat(cos_3[3])};
    const V sn[4] = {cs[3], cs[3], cs[2], cs[1]};
    // Output lines are gathered whole in the staging block and written at once.
    alignas(64) float stage[16][16];
    const SixteenRows rows(off);
    const bool staged = sixteenth % 16 == 0;
    for (std::int32_t q = q_begin; q < q_end; q = next_step<L::width>(q, q_stride)) {
        const StepRows<L, const float> from(sf + bit_rev[q], off);
        V u1[8], u2[8];
        load_transposed<L>(from, 0, u1);
        load_transposed<L>(from, 4, u1 + 4);
        load_transposed<L>(from, 8, u2);
        load_transposed<L>(from, 12, u2 + 4);
        V d1[8], d2[8];
        d1[0] = u1[0] + u2[0];
        d2[0] = u1[0] - u2[0];
        d1[4] = u1[4] * two;
        d2[4] = u2[4] * two;
        for (int i = 1; i < 4; ++i) {
            d1[i] = u1[i] + u1[8 - i];
            d1[4 + i] = u2[i] - u2[8 - i];
            const V vr = u1[i] - u1[8 - i];
            const V vi = u2[i] + u2[8 - i];
            d2[i] = vr * cs[i] + vi * sn[i];
            d2[4 + i] = vi * cs[i] - vr * sn[i];
        }
        if (!staged) {
            inverse_group_columns<L>(d1,
                                     [&](int r, V v) FFFT_LANES_BODY { L::store(x + rows.start[r] + q, v); });
            inverse_group_columns<L>(d2, [&](int r, V v)
                                             FFFT_LANES_BODY { L::store(x + rows.start[8 + r] + q, v); });
            continue;
        }
        const std::int32_t col = q % 16;
        inverse_group_columns<L>(d1, [&](int r, V v) FFFT_LANES_BODY { L::store(stage[r] + col, v); });
        inverse_group_columns<L>(d2, [&](int r, V v) FFFT_LANES_BODY { L::store(stage[8 + r] + col, v); });
        if (col == 16 - L::width) {
            for (int r = 0; r < 16; ++r) {
                float* const to = x + rows.start[r] + q - col;
                for (int i = 0; i < 16; i += 4) Lanes4::store(to + i, Lanes4::load(stage[r] + i));
            }
        }
    }
}

// First stage fused with the 8-point stage, length 32: four groups of 8
// outputs.
FFFT_LANES_INLINE void direct_stages_1_to_3(float* df, const float* x, const std::int32_t* bit_rev,
                                            std::int32_t length)
{
    const RowOffsets off(length);
    const SixteenRows rows(off);
    for (std::int32_t q = 0; q < length / 8; q += 4) {
        const Columns8<Lanes4> d =
            direct_group_columns<Lanes4>(0, [&](int r) { return x + rows.start[r] + q; });
        const StepRows<Lanes4, float> to(df + bit_rev[q], off);
        store_transposed<Lanes4>(to, 0, d.v[0], d.v[1], d.v[2], d.v[3]);
        store_transposed<Lanes4>(to, 4, d.v[4], d.v[5], d.v[6], d.v[7]);
    }
}

// Inverse 8-point stage fused with the inverse first stage, length 32.
FFFT_LANES_INLINE void inverse_stages_3_to_1(float* x, const float* sf, const std::int32_t* bit_rev,
                                             std::int32_t length)
{
    const RowOffsets off(length);
    const SixteenRows rows(off);
    for (std::int32_t q = 0; q < length / 8; q += 4) {
        const StepRows<Lanes4, const float> from(sf + bit_rev[q], off);
        Lanes4::V s[8];
        load_transposed<Lanes4>(from, 0, s);
        load_transposed<Lanes4>(from, 4, s + 4);
        inverse_group_columns<Lanes4>(s,
                                      [&](int r, Lanes4::V v) { Lanes4::store(x + rows.start[r] + q, v); });
    }
}

inline void direct_stages(Lanes lanes, float* df, const float* x, const std::int32_t* bit_rev,
                          std::int32_t length, const float* cos_3, std::int32_t q_begin, std::int32_t q_end,
                          std::int32_t q_stride)
{
    lanes::with_lanes(lanes, length / 16, [&](auto lane_type) {
        using L = decltype(lane_type);
        L::template run<&direct_stages_to_level_3<L>>(df, x, bit_rev, length, cos_3, q_begin, q_end,
                                                      q_stride);
    });
}

inline void inverse_stages(Lanes lanes, float* x, const float* sf, const std::int32_t* bit_rev,
                           std::int32_t length, const float* cos_3, std::int32_t q_begin, std::int32_t q_end,
                           std::int32_t q_stride)
{
    lanes::with_lanes(lanes, length / 16, [&](auto lane_type) {
        using L = decltype(lane_type);
        L::template run<&inverse_stages_from_level_3<L>>(x, sf, bit_rev, length, cos_3, q_begin, q_end,
                                                         q_stride);
    });
}

} // namespace stages
} // namespace detail
} // namespace ffft

#endif
