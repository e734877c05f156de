// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Implementation of FFTReal; included by FFTReal.h only.
#pragma once

#include <algorithm>
#include <cmath>
#include <utility>
#include <type_traits>

#if defined(FFFT_USE_SSE2)
#include "ffft/FFTRealWide.h"
#include "ffft/FFTRealSse2.h"
#include "ffft/FFTRealStages.h"
#endif

namespace ffft {

namespace detail {

#if defined(FFFT_USE_SSE2)
template <class DT> constexpr bool use_sse2 = std::is_same<DT, float>::value;
#else
template <class DT> constexpr bool use_sse2 = false;
#endif

constexpr double pi = 3.1415926535897932384626433832795;
constexpr float sqrt2_2 = 0.70710677f;

inline bool FFTReal_is_pow2(std::int32_t x)
{
    ffft_assert(x > 0);
    return (x & -x) == x;
}

// Number of bits needed to hold value.
inline std::int32_t bits_to_hold(std::int32_t value)
{
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    std::int32_t bits = 0;
    while (bits + 16 < 32 && (v >> (bits + 16)) != 0) bits += 16;
    while (bits + 4 < 32 && (v >> (bits + 4)) != 0) bits += 4;
    while (bits < 32 && (v >> bits) != 0) ++bits;
    return bits;
}

} // namespace detail

template <class DT> void FFTReal<DT>::TrigOscillator::set_step(double angle)
{
    step_cos = static_cast<DataType>(std::cos(angle));
    step_sin = static_cast<DataType>(std::sin(angle));
}

template <class DT>
FFTReal<DT>::FFTReal(std::int32_t length, Lanes lanes, bool own_buffer, bool exact_twiddles)
    : _length(length), _nbr_bits(0)
{
    // Checked before anything else: a length of 0 or less has no bit count.
    // clang-format off
    ffft_assert(detail::FFTReal_is_pow2 (length));
    // clang-format on
    _nbr_bits = detail::bits_to_hold(length - 1);
    if (own_buffer) _buffer.resize(length);
    ffft_assert(_nbr_bits <= MAX_BIT_DEPTH);

    init_br_lut();
    init_trigo_lut();
    init_trigo_osc();
    init_osc_sequence(exact_twiddles);
    init_parts();
    if constexpr (detail::use_sse2<DT>) _lanes = std::max(lanes_for(lanes), Lanes::Sse2);
}

template <class DT> void FFTReal<DT>::init_br_lut()
{
    bit_reversal_table.resize(_length);
    std::int32_t* table = bit_reversal_table.data();
    std::int32_t reversed = 0;
    table[0] = 0;
    for (std::int32_t index = 1; index < _length; ++index) {
        // Bit-reversed increment: propagate the carry from the top bit down.
        std::int32_t mask = _length >> 1;
        reversed ^= mask;
        while ((reversed & mask) == 0) {
            mask >>= 1;
            reversed ^= mask;
        }
        table[index] = reversed;
    }
}

template <class DT> void FFTReal<DT>::init_trigo_lut()
{
    if (_nbr_bits <= 3) return;
    trig_table.resize((std::int32_t(1) << (_nbr_bits - 1)) - 4);
    for (int level = 3; level < _nbr_bits; ++level) {
        const std::int32_t count = std::int32_t(1) << (level - 1);
        DataType* entries = trig_table.data() + count - 4;
        const double step = detail::pi / double(std::int32_t(1) << level);
        for (std::int32_t i = 0; i < count; ++i) {
            entries[i] = static_cast<DataType>(std::cos(double(i) * step));
        }
    }
}

template <class DT> void FFTReal<DT>::init_trigo_osc()
{
    const int count = _nbr_bits - TRIGO_BD_LIMIT;
    if (count <= 0) return;
    oscillators.resize(count);
    for (int k = 0; k < count; ++k) {
        oscillators[k].set_step(detail::pi / double(std::int32_t(1) << (TRIGO_BD_LIMIT + 1 + k)));
    }
}

template <class DT> void FFTReal<DT>::init_osc_sequence(bool exact_twiddles)
{
    if (_nbr_bits <= TRIGO_BD_LIMIT + 1) return;
    // Levels TRIGO_BD_LIMIT + 1 .. _nbr_bits - 1, each 2^level entries.
    osc_sequence.resize((std::int32_t(1) << _nbr_bits) - (std::int32_t(1) << (TRIGO_BD_LIMIT + 1)));
    for (int level = TRIGO_BD_LIMIT + 1; level < _nbr_bits; ++level) {
        const std::int32_t h = std::int32_t(1) << (level - 1);
        DataType* cos_seq = const_cast<DataType*>(osc_cos_of_level(level));
        DataType* sin_seq = const_cast<DataType*>(osc_sin_of_level(level));
        cos_seq[0] = DataType(1);
        sin_seq[0] = DataType(0);
        if (exact_twiddles || level > TRIGO_BD_LIMIT + 1) {
            // Over the longer levels a single-precision recursion drifts off the
            // circle by parts in ten thousand: these take the exact values. The
            // first level keeps its recursion unless asked otherwise, so that
            // shorter transforms stay as they always were.
            const double step = detail::pi / double(std::int32_t(1) << level);
            for (std::int32_t i = 1; i < h; ++i) {
                cos_seq[i] = static_cast<DataType>(std::cos(double(i) * step));
                sin_seq[i] = static_cast<DataType>(std::sin(double(i) * step));
            }
            continue;
        }
        TrigOscillator osc = oscillators[level - (TRIGO_BD_LIMIT + 1)];
        osc.clear();
        for (std::int32_t i = 1; i < h; ++i) {
            osc.step();
            cos_seq[i] = osc.get_cos();
            sin_seq[i] = osc.get_sin();
        }
    }
}

template <class DT> const typename FFTReal<DT>::DataType* FFTReal<DT>::cos_of_level(int level) const
{
    return trig_table.data() + ((std::int32_t(1) << (level - 1)) - 4);
}

template <class DT> const typename FFTReal<DT>::DataType* FFTReal<DT>::osc_cos_of_level(int level) const
{
    return osc_sequence.data() + ((std::int32_t(1) << level) - (std::int32_t(1) << (TRIGO_BD_LIMIT + 1)));
}

template <class DT> const typename FFTReal<DT>::DataType* FFTReal<DT>::osc_sin_of_level(int level) const
{
    return osc_cos_of_level(level) + (std::int32_t(1) << (level - 1));
}

// ---------------------------------------------------------------------------
// Forward transform

template <class DT> void FFTReal<DT>::forward_transform(DataType f[], const DataType x[]) const
{
    // clang-format off
    ffft_assert(f != 0);
    ffft_assert(x != 0);
    ffft_assert(x != f);
    ffft_assert(f != use_buffer ());
    ffft_assert(x != use_buffer ());
    // clang-format on

    if (_nbr_bits > 2) {
        compute_fft_general(f, x);
    } else {
        run_small_forward(f, x);
    }
}

template <class DT> int FFTReal<DT>::first_direct_level() const
{
#if defined(FFFT_USE_SSE2)
    // The first stages and level 3 run fused in registers.
    if constexpr (detail::use_sse2<DT>) {
        if (_nbr_bits >= 6) return 4;
    }
#endif
    return 3;
}

template <class DT> std::int32_t FFTReal<DT>::stage_part_count() const
{
    return first_direct_level() == 4 ? std::max(std::int32_t(1), _length / std::int32_t(STAGE_PART_VALUES)) : 1;
}

template <class DT> int FFTReal<DT>::lowest_inverse_level() const
{
    return first_direct_level();
}

// How the last inverse passes run: the two stages apart, or fused (with level 3
// where the length allows).
template <class DT> int FFTReal<DT>::inverse_final_passes() const
{
#if defined(FFFT_USE_SSE2)
    if constexpr (detail::use_sse2<DT>) {
        if (_nbr_bits >= 5) return 1;
    }
#endif
    return 2;
}

template <class DT> void FFTReal<DT>::init_parts()
{
    if (_nbr_bits <= 2) {
        _forward_parts.resize(1);
        _inverse_parts.resize(1);
        _forward_parts[0] = Part{PART_STAGES, 0, 0, 0, _length, 0, 0};
        _inverse_parts[0] = Part{PART_STAGES, 0, 0, 0, _length, 0, 0};
        return;
    }
    const bool fused = first_direct_level() == 4;
    const std::int32_t stage_parts = stage_part_count();
    // A part of the fused stages runs every stage_parts-th run of 16 q.
    const std::int32_t q_count = fused ? _length / 16 : 0;
    const std::int32_t q_stride = 16 * stage_parts;
    const int last_tiled = std::min(_nbr_bits - 1, int(TILED_LEVEL_LIMIT));
    const std::int32_t chunk = std::min(_length, std::int32_t(2) << last_tiled);

    auto fill = [&](DynArray<Part>& parts, int lowest, bool inverse) {
        const int tiled_passes = std::max(0, last_tiled - lowest + 1);
        const std::int32_t chunks = tiled_passes > 0 ? _length / chunk : 0;
        const int level_first = std::max(lowest, last_tiled + 1);
        // Every level passes the whole array in parts of the same size.
        const std::int32_t level_span = std::min(_length, std::int32_t(PART_VALUES));
        parts.resize(stage_parts + chunks + (_nbr_bits - level_first) * (_length / level_span));
        std::int32_t next = 0;
        auto stages = [&] {
            for (std::int32_t i = 0; i < stage_parts; ++i) {
                // In bit-reversed order the parts write the array's stretches one
                // after the other, which the processor fetches ahead.
                std::int32_t run = 0;
                for (std::int32_t bit = 1, mirror = stage_parts / 2; bit < stage_parts; bit *= 2, mirror /= 2)
                    if (i & bit) run |= mirror;
                const std::int32_t cost = (fused ? _length / stage_parts : _length) * 8;
                parts[next++] = Part{PART_STAGES, 0, 16 * run, q_count, cost, q_stride, 0};
            }
        };
        auto levels = [&](int pass) {
            // A block of the level holds 2^(pass + 1) values, four per butterfly.
            const std::int32_t block = std::int32_t(2) << pass;
            const std::int32_t butterflies = block / 4;
            const std::int32_t cost = level_span * 5 / 2;
            if (block <= level_span) {
                for (std::int32_t start = 0; start < _length; start += level_span)
                    parts[next++] = Part{PART_LEVEL, pass, start, level_span, cost, 0, butterflies};
                return;
            }
            // Wider blocks are cut into runs of butterflies; a part of a block can
            // start mid-block because each butterfly reads its own twiddle.
            const std::int32_t run = level_span / 4;
            for (std::int32_t start = 0; start < _length; start += block)
                for (std::int32_t from = 0; from < butterflies; from += run)
                    parts[next++] = Part{PART_LEVEL, pass, start, block, cost, from, from + run};
        };
        auto tiled = [&] {
            for (std::int32_t i = 0; i < chunks; ++i)
                parts[next++] = Part{PART_TILED, tiled_passes, i * chunk, chunk, chunk * tiled_passes, 0, 0};
        };
        if (!inverse) {
            stages();
            tiled();
            for (int pass = level_first; pass < _nbr_bits; ++pass) levels(pass);
        } else {
            for (int pass = _nbr_bits - 1; pass >= level_first; --pass) levels(pass);
            tiled();
            stages();
        }
    };
    fill(_forward_parts, first_direct_level(), false);
    fill(_inverse_parts, lowest_inverse_level(), true);
}

template <class DT> void FFTReal<DT>::compute_fft_general(DataType f[], const DataType x[]) const
{
    for (std::int32_t part = 0; part < _forward_parts.size(); ++part) forward_part(part, f, x, use_buffer());
}

template <class DT>
void FFTReal<DT>::forward_part(std::int32_t part, DataType f[], const DataType x[], DataType work[]) const
{
    if (_nbr_bits <= 2) {
        run_small_forward(f, x);
        return;
    }
    const Part& p = _forward_parts[part];
    // The passes alternate between f and the work array; the first stage's target
    // is chosen so that the last pass writes f.
    DataType* const sf0 = (_nbr_bits & 1) ? work : f;
    DataType* const df0 = (_nbr_bits & 1) ? f : work;
    const int first_level = first_direct_level();
    // Where the first stages leave their result, and the other array.
    DataType* const latest = first_level == 4 ? sf0 : df0;
    DataType* const spare = first_level == 4 ? df0 : sf0;
    const int last_tiled = std::min(_nbr_bits - 1, int(TILED_LEVEL_LIMIT));

    switch (p.kind) {
    case PART_STAGES:
#if defined(FFFT_USE_SSE2)
        if constexpr (detail::use_sse2<DT>) {
            if (_nbr_bits >= 6) {
                // The first stages and level 3 in registers, written where level 3
                // writes; the arrays of the two stages before it are skipped.
                detail::stages::direct_stages(_lanes, sf0, x, bit_reversal_table.data(), _length,
                                              cos_of_level(3), p.start, p.span, p.from);
                return;
            }
            if (_nbr_bits == 5) {
                detail::stages::direct_stages_1_to_3(df0, x, bit_reversal_table.data(), _length);
                return;
            }
        }
#endif
        compute_direct_pass_1_2(sf0, x);
        compute_direct_pass_3(df0, sf0);
        return;
    case PART_TILED: {
        // The levels whose blocks fit a chunk run chunk by chunk, so that each
        // chunk passes through all of them while it stays in the nearest cache.
        // Every butterfly still reads and writes the same arrays as level by level.
        DataType* d = latest;
        DataType* s = spare;
        for (int pass = first_level; pass <= last_tiled; ++pass) {
            std::swap(d, s);
            compute_level_pass<false>(d + p.start, s + p.start, pass, p.span, 0,
                                      std::int32_t(1) << (pass - 1));
        }
        return;
    }
    case PART_LEVEL: {
        const int tiled_passes = std::max(0, last_tiled - first_level + 1);
        const int passes_before = tiled_passes + (p.pass - std::max(first_level, last_tiled + 1));
        // Each pass first swaps the arrays, then writes the first.
        const bool swapped = ((passes_before + 1) & 1) != 0;
        DataType* const df = swapped ? spare : latest;
        DataType* const sf = swapped ? latest : spare;
        compute_level_pass<false>(df + p.start, sf + p.start, p.pass, p.span, p.from, p.to);
        return;
    }
    }
}

template <class DT>
void FFTReal<DT>::forward_padded_part(std::int32_t part, DataType f[], const DataType head[],
                                      DataType work[]) const
{
    const Part& p = _forward_parts[part];
    if (p.kind != PART_STAGES) {
        forward_part(part, f, head, work); // the later parts never read the input
        return;
    }
    // Each block of the first stages transforms inputs N/8 (or, fused with level
    // 3, N/16) apart, of which only the first can be non-zero: every real output
    // of the block is that value, every imaginary one zero.
    DataType* const sf0 = (_nbr_bits & 1) ? work : f;
    DataType* const df0 = (_nbr_bits & 1) ? f : work;
    const std::int32_t* const bit_rev = bit_reversal_table.data();
    const std::int32_t sixteenth = _length / 16;
    auto spread = [](DataType* block, DataType value, int reals, int size) {
        for (int i = 0; i < reals; ++i) block[i] = value;
        for (int i = reals; i < size; ++i) block[i] = DataType(0);
    };
    if (first_direct_level() == 4) {
        // Blocks of 16 from the bit-reversed place of their input; the stage parts
        // write the array's stretches in order, one each.
        const std::int32_t stretch = _length / stage_part_count();
        const std::int32_t begin = part * stretch; // the forward transform's stages come first
        for (std::int32_t j = begin; j < begin + stretch; j += 16) spread(sf0 + j, head[bit_rev[j]], 9, 16);
        return;
    }
    for (std::int32_t j = 0; j < _length; j += 8) {
        const std::int32_t r = bit_rev[j];
        spread(df0 + j, r < sixteenth ? head[r] : DataType(0), 5, 8);
    }
}

template <class DT> std::int32_t FFTReal<DT>::forward_padded_part_cost(std::int32_t part) const
{
    const Part& p = _forward_parts[part];
    if (p.kind != PART_STAGES) return p.cost;
    // A write per value, in order, instead of the stages' passes: on long arrays,
    // which do not stay in cache, that takes about half their time, as measured.
    return p.cost / 2;
}

template <class DT> void FFTReal<DT>::run_small_forward(DataType f[], const DataType x[]) const
{
    if (_nbr_bits == 2) {
        f[1] = x[0] - x[2];
        f[3] = x[1] - x[3];
        const DataType a = x[1] + x[3];
        const DataType b = x[0] + x[2];
        f[0] = b + a;
        f[2] = b - a;
    } else if (_nbr_bits == 1) {
        f[0] = x[0] + x[1];
        f[1] = x[0] - x[1];
    } else {
        f[0] = x[0];
    }
}

template <class DT> void FFTReal<DT>::compute_direct_pass_1_2(DataType df[], const DataType x[]) const
{
    const std::int32_t* const bit_rev = bit_reversal_table.data();
    for (std::int32_t j = 0; j < _length; j += 4) {
        const std::int32_t* const r = bit_rev + j;
        DataType* const d = df + j;
        d[1] = x[r[0]] - x[r[1]];
        d[3] = x[r[2]] - x[r[3]];
        const DataType s0 = x[r[0]] + x[r[1]];
        const DataType s2 = x[r[2]] + x[r[3]];
        d[0] = s0 + s2;
        d[2] = s0 - s2;
    }
}

template <class DT> void FFTReal<DT>::compute_direct_pass_3(DataType df[], const DataType sf[]) const
{
    const DataType k = detail::sqrt2_2;
    for (std::int32_t j = 0; j < _length; j += 8) {
        const DataType* const s = sf + j;
        DataType* const d = df + j;
        d[0] = s[0] + s[4];
        d[4] = s[0] - s[4];
        d[2] = s[2];
        d[6] = s[6];
        const DataType v = (s[5] - s[7]) * k;
        d[1] = s[1] + v;
        d[3] = s[1] - v;
        const DataType w = (s[5] + s[7]) * k;
        d[5] = w + s[3];
        d[7] = w - s[3];
    }
}

namespace detail {

// Butterflies from .. to - 1 of one block of a forward level pass (butterfly 0
// also writes the middle values). sin_of(i) gives s_i.
template <class DT, class SinOf>
inline void direct_block(DT* d1, const DT* s1, std::int32_t h, const DT* cos_i, SinOf sin_of,
                         std::int32_t from, std::int32_t to)
{
    const std::int32_t m = h * 2;
    const DT* const s2 = s1 + m;
    DT* const d2 = d1 + m;
    if (from == 0) {
        d1[0] = s1[0] + s2[0];
        d2[0] = s1[0] - s2[0];
        d1[h] = s1[h];
        d2[h] = s2[h];
    }
    for (std::int32_t i = std::max(from, std::int32_t(1)); i < to; ++i) {
        const DT c = cos_i[i];
        const DT s = sin_of(i);
        const DT v = s2[i] * c - s2[h + i] * s;
        d1[i] = s1[i] + v;
        d1[m - i] = s1[i] - v;
        const DT w = s2[i] * s + s2[h + i] * c;
        d2[i] = w + s1[h + i];
        d2[m - i] = w - s1[h + i];
    }
}

// Butterflies from .. to - 1 of one block of an inverse level pass.
template <class DT, class SinOf>
inline void inverse_block(DT* d1, const DT* u1, std::int32_t h, const DT* cos_i, SinOf sin_of,
                          std::int32_t from, std::int32_t to)
{
    const std::int32_t m = h * 2;
    const DT* const u2 = u1 + m;
    DT* const d2 = d1 + m;
    if (from == 0) {
        d1[0] = u1[0] + u2[0];
        d2[0] = u1[0] - u2[0];
        d1[h] = u1[h] * DT(2);
        d2[h] = u2[h] * DT(2);
    }
    for (std::int32_t i = std::max(from, std::int32_t(1)); i < to; ++i) {
        const DT c = cos_i[i];
        const DT s = sin_of(i);
        d1[i] = u1[i] + u1[m - i];
        d1[h + i] = u2[i] - u2[m - i];
        const DT vr = u1[i] - u1[m - i];
        const DT vi = u2[i] + u2[m - i];
        d2[i] = vr * c + vi * s;
        d2[h + i] = vi * c - vr * s;
    }
}

// Butterflies from .. to - 1 of each block of one level over span values. The
// sines are the cosines mirrored (sin_i[i] = cos_i[h - i], table levels) or
// read in order from sin_i (oscillator levels).
template <bool kInverse, bool kMirroredSine, class DT>
inline void level_pass(DT* df, const DT* sf, std::int32_t span, std::int32_t h, const DT* cos_i,
                       const DT* sin_i, std::int32_t from, std::int32_t to, [[maybe_unused]] Lanes lanes)
{
#if defined(FFFT_USE_SSE2)
    if constexpr (use_sse2<DT>) {
        const sse2::Twiddles<kMirroredSine> tw{cos_i, sin_i, h};
        auto run = [&](auto whole) {
            constexpr bool kWhole = decltype(whole)::value;
            if (wide::level_pass<kInverse, kWhole>(lanes, df, sf, span, tw, from, to)) return;
            if constexpr (kInverse) {
                sse2::inverse_level<kWhole>(df, sf, span, tw, from, to);
            } else {
                sse2::direct_level<kWhole>(df, sf, span, tw, from, to);
            }
        };
        if (from == 0 && to == h) {
            run(std::true_type{});
        } else {
            run(std::false_type{});
        }
        return;
    }
#endif
    auto sin_of = [cos_i, sin_i, h](std::int32_t i) { return kMirroredSine ? cos_i[h - i] : sin_i[i]; };
    for (std::int32_t c = 0; c < span; c += 4 * h) {
        if constexpr (kInverse) {
            inverse_block(df + c, sf + c, h, cos_i, sin_of, from, to);
        } else {
            direct_block(df + c, sf + c, h, cos_i, sin_of, from, to);
        }
    }
}

} // namespace detail

template <class DT>
template <bool kInverse>
void FFTReal<DT>::compute_level_pass(DataType df[], const DataType sf[], int pass, std::int32_t span,
                                     std::int32_t from, std::int32_t to) const
{
    ffft_assert(df != 0);
    ffft_assert(sf != 0);
    ffft_assert(df != sf);
    ffft_assert(pass >= 3);
    ffft_assert(pass < _nbr_bits);
    const std::int32_t h = std::int32_t(1) << (pass - 1);
    // A run of butterflies that starts or ends mid-block keeps to whole groups of
    // the widest lanes.
    ffft_assert(0 <= from && from < to && to <= h);
    ffft_assert((from % 16 == 0 && to % 16 == 0) || to - from == h);

    if (pass <= TRIGO_BD_LIMIT) {
        detail::level_pass<kInverse, true, DataType>(df, sf, span, h, cos_of_level(pass), nullptr, from, to,
                                                     _lanes);
    } else {
        detail::level_pass<kInverse, false, DataType>(df, sf, span, h, osc_cos_of_level(pass),
                                                      osc_sin_of_level(pass), from, to, _lanes);
    }
}

// ---------------------------------------------------------------------------
// Inverse transform

template <class DT> void FFTReal<DT>::inverse_transform(const DataType f[], DataType x[]) const
{
    // clang-format off
    ffft_assert(f != 0);
    ffft_assert(x != 0);
    ffft_assert(x != f);
    ffft_assert(f != use_buffer ());
    ffft_assert(x != use_buffer ());
    // clang-format on

    if (_nbr_bits > 2) {
        compute_ifft_general(f, x);
    } else {
        run_small_inverse(f, x);
    }
}

template <class DT> void FFTReal<DT>::run_small_inverse(const DataType f[], DataType x[]) const
{
    if (_nbr_bits == 2) {
        const DataType b0 = f[0] + f[2];
        const DataType b2 = f[0] - f[2];
        x[0] = b0 + f[1] * DataType(2);
        x[2] = b0 - f[1] * DataType(2);
        x[1] = b2 + f[3] * DataType(2);
        x[3] = b2 - f[3] * DataType(2);
    } else if (_nbr_bits == 1) {
        x[0] = f[0] + f[1];
        x[1] = f[0] - f[1];
    } else {
        x[0] = f[0];
    }
}

template <class DT> void FFTReal<DT>::compute_ifft_general(const DataType f[], DataType x[]) const
{
    for (std::int32_t part = 0; part < _inverse_parts.size(); ++part) inverse_part(part, f, x, use_buffer());
}

template <class DT>
void FFTReal<DT>::inverse_part(std::int32_t part, const DataType f[], DataType x[], DataType work[]) const
{
    if (_nbr_bits <= 2) {
        run_small_inverse(f, x);
        return;
    }
    const Part& p = _inverse_parts[part];
    const int lowest_level = lowest_inverse_level();
    const int last_tiled = std::min(_nbr_bits - 1, int(TILED_LEVEL_LIMIT));
    const int level_first = std::max(lowest_level, last_tiled + 1);
    const int level_passes = std::max(0, _nbr_bits - level_first);
    const int tiled_passes = std::max(0, last_tiled - lowest_level + 1);
    // The passes alternate between x and the work array, pass j writing target(j);
    // the first one's target is chosen so that the last one writes x.
    const int pass_count = (_nbr_bits - lowest_level) + inverse_final_passes();
    DataType* const first_target = (pass_count & 1) ? x : work;
    DataType* const second_target = (pass_count & 1) ? work : x;
    auto target = [&](int j) { return (j & 1) ? second_target : first_target; };
    auto source = [&](int j) -> const DataType* { return j == 0 ? f : target(j - 1); };

    switch (p.kind) {
    case PART_LEVEL: {
        const int j = _nbr_bits - 1 - p.pass;
        compute_level_pass<true>(target(j) + p.start, source(j) + p.start, p.pass, p.span, p.from, p.to);
        return;
    }
    case PART_TILED: {
        // The lower levels chunk by chunk, as in the forward transform.
        DataType* d = target(level_passes);
        const DataType* s = source(level_passes);
        DataType* o = target(level_passes + 1);
        for (int pass = last_tiled; pass >= lowest_level; --pass) {
            compute_level_pass<true>(d + p.start, s + p.start, pass, p.span, 0,
                                     std::int32_t(1) << (pass - 1));
            s = d;
            d = o;
            o = const_cast<DataType*>(s);
        }
        return;
    }
    case PART_STAGES: {
        const int passes = level_passes + tiled_passes;
        const DataType* const sf = source(passes);
#if defined(FFFT_USE_SSE2)
        if constexpr (detail::use_sse2<DT>) {
            if (_nbr_bits >= 6) {
                detail::stages::inverse_stages(_lanes, x, sf, bit_reversal_table.data(), _length,
                                               cos_of_level(3), p.start, p.span, p.from);
                return;
            }
            if (_nbr_bits == 5) {
                detail::stages::inverse_stages_3_to_1(x, sf, bit_reversal_table.data(), _length);
                return;
            }
        }
#endif
        DataType* const df = target(passes);
        compute_inverse_pass_3(df, sf);
        compute_inverse_pass_1_2(x, df);
        return;
    }
    }
}

template <class DT> void FFTReal<DT>::compute_inverse_pass_3(DataType df[], const DataType sf[]) const
{
    const DataType k = detail::sqrt2_2;
    for (std::int32_t j = 0; j < _length; j += 8) {
        const DataType* const s = sf + j;
        DataType* const d = df + j;
        d[0] = s[0] + s[4];
        d[4] = s[0] - s[4];
        d[2] = s[2] * DataType(2);
        d[6] = s[6] * DataType(2);
        d[1] = s[1] + s[3];
        d[3] = s[5] - s[7];
        const DataType vr = s[1] - s[3];
        const DataType vi = s[5] + s[7];
        d[5] = (vr + vi) * k;
        d[7] = (vi - vr) * k;
    }
}

template <class DT> void FFTReal<DT>::compute_inverse_pass_1_2(DataType x[], const DataType sf[]) const
{
    const std::int32_t* const bit_rev = bit_reversal_table.data();
    for (std::int32_t j = 0; j < _length; j += 4) {
        const std::int32_t* const r = bit_rev + j;
        const DataType* const s = sf + j;
        const DataType b0 = s[0] + s[2];
        const DataType b2 = s[0] - s[2];
        const DataType b1 = s[1] * DataType(2);
        const DataType b3 = s[3] * DataType(2);
        x[r[0]] = b0 + b1;
        x[r[1]] = b0 - b1;
        x[r[2]] = b2 + b3;
        x[r[3]] = b2 - b3;
    }
}

// ---------------------------------------------------------------------------

template <class DT> void FFTReal<DT>::rescale_by_length(DataType x[]) const
{
    const DataType mul = DataType(1) / DataType(_length);
    if (_length < 4) {
        for (std::int32_t i = 0; i < _length; ++i) x[i] *= mul;
        return;
    }
    ffft_assert((_length & 3) == 0);
#if defined(FFFT_USE_SSE2)
    if constexpr (detail::use_sse2<DT>) {
        detail::wide::rescale(_lanes, x, _length, mul);
        return;
    }
#endif
    // Four at a time, from the end towards the start.
    std::int32_t i = _length - 4;
    do {
        x[i + 0] *= mul;
        x[i + 1] *= mul;
        x[i + 2] *= mul;
        x[i + 3] *= mul;
        i -= 4;
    } while (i >= 0);
}

} // namespace ffft
