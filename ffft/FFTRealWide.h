// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Wide variants of the level passes of FFTReal<float>, and its rescaling in
// every set of lanes, chosen at run time: eight lanes where the processor has
// AVX, sixteen where it has AVX-512F. The passes are written once over a lane type (ffft/Lanes.h); each
// lane runs the scalar operations in the scalar order, so results stay
// identical bit for bit. The sixteen-lane passes also run as pairs of AVX
// halves, where AVX-512 is missing.
#pragma once

#include "ffft/FFTRealSse2.h"
#include "ffft/Lanes.h"

#if defined(FFFT_USE_SSE2)

namespace ffft {
namespace detail {
namespace wide {

template <class L, bool kMirroredSine>
FFFT_LANES_INLINE typename L::V sines(const sse2::Twiddles<kMirroredSine>& tw, std::int32_t i0)
{
    if constexpr (kMirroredSine) {
        return L::reversed(L::load(tw.cos_i + tw.h - i0 - (L::width - 1)));
    } else {
        return L::load(tw.sin_i + i0);
    }
}

// Forward butterflies i0 .. i0 + W - 1 of one block, W <= i0 <= h - W.
template <class L, bool kMirroredSine>
FFFT_LANES_INLINE void direct_group(const sse2::Block& k, const sse2::Twiddles<kMirroredSine>& tw,
                                    std::int32_t i0)
{
    constexpr std::int32_t last = L::width - 1;
    const auto ci = L::load(tw.cos_i + i0);
    const auto si = sines<L>(tw, i0);
    const auto p = L::load(k.s1 + i0);
    const auto e = L::load(k.s1 + k.h + i0);
    const auto a = L::load(k.s2 + i0);
    const auto b = L::load(k.s2 + k.h + i0);
    const auto v = a * ci - b * si;
    const auto w = a * si + b * ci;
    L::store(k.d1 + i0, p + v);
    L::store(k.d1 + k.m - i0 - last, L::reversed(p - v));
    L::store(k.d2 + i0, w + e);
    L::store(k.d2 + k.m - i0 - last, L::reversed(w - e));
}

// Inverse butterflies i0 .. i0 + W - 1 of one block, W <= i0 <= h - W.
template <class L, bool kMirroredSine>
FFFT_LANES_INLINE void inverse_group(const sse2::Block& k, const sse2::Twiddles<kMirroredSine>& tw,
                                     std::int32_t i0)
{
    constexpr std::int32_t last = L::width - 1;
    const auto ci = L::load(tw.cos_i + i0);
    const auto si = sines<L>(tw, i0);
    const auto p = L::load(k.s1 + i0);
    const auto q = L::reversed(L::load(k.s1 + k.m - i0 - last));
    const auto r = L::load(k.s2 + i0);
    const auto t = L::reversed(L::load(k.s2 + k.m - i0 - last));
    const auto vr = p - q;
    const auto vi = r + t;
    L::store(k.d1 + i0, p + q);
    L::store(k.d1 + k.h + i0, r - t);
    L::store(k.d2 + i0, vr * ci + vi * si);
    L::store(k.d2 + k.h + i0, vi * ci - vr * si);
}

// Level pass with h >= W, butterflies from .. to - 1 of each block (multiples
// of W): the butterflies below W in the narrower groups (four lanes, then
// eight), the rest W at a time.
template <class L, bool kInverse, bool kWhole, bool kMirroredSine>
FFFT_LANES_INLINE void level(float* df, const float* sf, std::int32_t length,
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
            if constexpr (kInverse) {
                sse2::inverse_first_group(k, c_first, s_first);
                sse2::inverse_group(k, tw, 4);
#if defined(FFFT_USE_AVX)
                if constexpr (L::width == 16) inverse_group<lanes::Lanes8>(k, tw, 8);
#endif
            } else {
                sse2::direct_first_group(k, c_first, s_first);
                sse2::direct_group(k, tw, 4);
#if defined(FFFT_USE_AVX)
                if constexpr (L::width == 16) direct_group<lanes::Lanes8>(k, tw, 8);
#endif
            }
        }
        for (std::int32_t i0 = std::max(from, std::int32_t(L::width)); i0 < to; i0 += L::width) {
            if constexpr (kInverse) {
                inverse_group<L>(k, tw, i0);
            } else {
                direct_group<L>(k, tw, i0);
            }
        }
        if constexpr (!kInverse) {
            if (from == 0) sse2::direct_middle(k);
        }
    }
}

// Runs the level pass in the widest of `lanes` that its blocks allow; answers
// false where that is SSE2 (h < 8, or lanes narrower than AVX).
template <bool kInverse, bool kWhole, bool kMirroredSine>
inline bool level_pass(Lanes lanes, float* df, const float* sf, std::int32_t length,
                       sse2::Twiddles<kMirroredSine> tw, std::int32_t from, std::int32_t to)
{
    bool wide = false;
    lanes::with_lanes(lanes, tw.h, [&](auto lane_type) {
        using L = decltype(lane_type);
        if constexpr (L::width > 4) {
            L::template run<&level<L, kInverse, kWhole, kMirroredSine>>(df, sf, length, tw, from, to);
            wide = true;
        }
    });
    return wide;
}

template <class L> FFFT_LANES_INLINE void rescale_in(float* x, std::int32_t length, float mul)
{
    const auto factor = L::splat(mul);
    for (std::int32_t i = 0; i < length; i += L::width) L::store(x + i, L::load(x + i) * factor);
}

// x *= mul over `length` values (at least 4) in the widest of `lanes` that the
// length fills.
inline void rescale(Lanes lanes, float* x, std::int32_t length, float mul)
{
    lanes::with_lanes(lanes, length, [&](auto lane_type) {
        using L = decltype(lane_type);
        L::template run<&rescale_in<L>>(x, length, mul);
    });
}

} // namespace wide
} // namespace detail
} // namespace ffft

#endif
