// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "lanemath.h"

#include <algorithm>
#include <cstring>

namespace vosk {

namespace {

using ffft::Lanes;
using ffft::lanes::for_each;
using ffft::lanes::Lanes1;

// The integer lanes beside a lane type's floats: their bits, whole values, and
// masks of all ones where a comparison holds.
template <class V> struct IntLanes;

template <> struct IntLanes<float>
{
    using I = int32_t;
    static FFFT_LANES_INLINE I bits(float v)
    {
        I i;
        std::memcpy(&i, &v, sizeof i);
        return i;
    }
    static FFFT_LANES_INLINE float fromBits(I i)
    {
        float v;
        std::memcpy(&v, &i, sizeof v);
        return v;
    }
    static FFFT_LANES_INLINE I toInt(float v) { return static_cast<I>(v); }
    static FFFT_LANES_INLINE float toFloat(I i) { return static_cast<float>(i); }
    static FFFT_LANES_INLINE I greater(float a, float b) { return a > b ? -1 : 0; }
};

template <class V, class Ints> struct VectorIntLanes
{
    using I = Ints;
    static FFFT_LANES_INLINE I bits(V v) { return reinterpret_cast<I>(v); }
    static FFFT_LANES_INLINE V fromBits(I i) { return reinterpret_cast<V>(i); }
    static FFFT_LANES_INLINE I toInt(V v) { return __builtin_convertvector(v, I); }
    static FFFT_LANES_INLINE V toFloat(I i) { return __builtin_convertvector(i, V); }
    static FFFT_LANES_INLINE I greater(V a, V b) { return a > b; }
};

#if defined(FFFT_USE_SSE2)
typedef int32_t Int4 __attribute__((vector_size(16)));
template <> struct IntLanes<ffft::lanes::Float4> : VectorIntLanes<ffft::lanes::Float4, Int4>
{
};
#endif
#if defined(FFFT_USE_AVX)
typedef int32_t Int8 __attribute__((vector_size(32)));
template <> struct IntLanes<ffft::lanes::Float8> : VectorIntLanes<ffft::lanes::Float8, Int8>
{
};
#endif
#if defined(FFFT_USE_AVX512)
typedef int32_t Int16 __attribute__((vector_size(64)));
template <> struct IntLanes<ffft::lanes::Float16> : VectorIntLanes<ffft::lanes::Float16, Int16>
{
};
#endif

template <class L> FFFT_LANES_INLINE typename L::V select(typename IntLanes<typename L::V>::I mask,
                                                          typename L::V a, typename L::V b)
{
    using N = IntLanes<typename L::V>;
    return N::fromBits((mask & N::bits(a)) | (~mask & N::bits(b)));
}

// The nearest whole value, for |x| < 2^22: adding 1.5 2^23 rounds to it.
template <class L> FFFT_LANES_INLINE typename L::V nearest(typename L::V x)
{
    return (x + L::splat(12582912.0f)) - L::splat(12582912.0f);
}

// ln x for a positive normal x: x = 2^e m with m within [1/sqrt 2, sqrt 2], and
// ln(1 + f) of f = m - 1 by a polynomial; ln 2 in two parts, the first exact in e.
template <class L> FFFT_LANES_INLINE typename L::V logOf(typename L::V x)
{
    using V = typename L::V;
    using N = IntLanes<V>;
    const auto b = N::bits(x);
    auto e = (b >> 23) - 127;
    V m = N::fromBits((b & 0x007fffff) | 0x3f800000);
    const auto high = N::greater(m, L::splat(1.41421356f));
    m = select<L>(high, m * L::splat(0.5f), m);
    e = e + (high & 1);
    const V fe = N::toFloat(e);
    const V f = m - L::splat(1.0f);
    const V z = f * f;
    V p = L::splat(7.0376836292e-2f);
    p = p * f + L::splat(-1.1514610310e-1f);
    p = p * f + L::splat(1.1676998740e-1f);
    p = p * f + L::splat(-1.2420140846e-1f);
    p = p * f + L::splat(1.4249322787e-1f);
    p = p * f + L::splat(-1.6668057665e-1f);
    p = p * f + L::splat(2.0000714765e-1f);
    p = p * f + L::splat(-2.4999993993e-1f);
    p = p * f + L::splat(3.3333331174e-1f);
    V y = p * f * z;
    y = y + fe * L::splat(-2.12194440e-4f);
    y = y - L::splat(0.5f) * z;
    return (f + y) + fe * L::splat(0.693359375f);
}

// e^x, x clamped to the floats' normal range: 2^n e^r with n the nearest whole
// value to x / ln 2 and e^r by a polynomial.
template <class L> FFFT_LANES_INLINE typename L::V expOf(typename L::V x)
{
    using V = typename L::V;
    using N = IntLanes<V>;
    x = select<L>(N::greater(x, L::splat(88.3f)), L::splat(88.3f), x);
    x = select<L>(N::greater(L::splat(-87.3f), x), L::splat(-87.3f), x);
    const V n = nearest<L>(x * L::splat(1.44269504088896341f));
    V r = x - n * L::splat(0.693359375f);
    r = r - n * L::splat(-2.12194440e-4f);
    const V z = r * r;
    V p = L::splat(1.9875691500e-4f);
    p = p * r + L::splat(1.3981999507e-3f);
    p = p * r + L::splat(8.3334519073e-3f);
    p = p * r + L::splat(4.1665795894e-2f);
    p = p * r + L::splat(1.6666665459e-1f);
    p = p * r + L::splat(5.0000001201e-1f);
    const V y = (p * z + r) + L::splat(1.0f);
    return y * N::fromBits((N::toInt(n) + 127) << 23);
}

// cos a and sin a for |a| < 2^16: a less the nearest multiple q of pi / 2 (pi / 2
// in three parts, the first two exact in q), then polynomials; q's quadrant
// swaps them and sets their signs.
template <class L>
FFFT_LANES_INLINE void cosSinOf(typename L::V a, typename L::V& cosine, typename L::V& sine)
{
    using V = typename L::V;
    using N = IntLanes<V>;
    const V q = nearest<L>(a * L::splat(0.636619772367581343f));
    V r = a - q * L::splat(1.5703125f);
    r = r - q * L::splat(4.837512969970703125e-4f);
    r = r - q * L::splat(7.54978995489188216e-8f);
    const V z = r * r;
    V s = L::splat(-1.9515295891e-4f);
    s = s * z + L::splat(8.3321608736e-3f);
    s = s * z + L::splat(-1.6666654611e-1f);
    s = s * z * r + r;
    V c = L::splat(2.443315711809948e-5f);
    c = c * z + L::splat(-1.388731625493765e-3f);
    c = c * z + L::splat(4.166664568298827e-2f);
    c = (c * z * z - L::splat(0.5f) * z) + L::splat(1.0f);
    const auto quadrant = N::toInt(q);
    const auto odd = -(quadrant & 1);
    cosine = N::fromBits(N::bits(select<L>(odd, s, c)) ^ (((quadrant + 1) & 2) << 30));
    sine = N::fromBits(N::bits(select<L>(odd, c, s)) ^ ((quadrant & 2) << 30));
}

template <class L>
FFFT_LANES_INLINE void logMagnitudeIn(float* spectrum, int32_t m, int32_t from, int32_t to, float floorPower)
{
    const int32_t half = m / 2;
    auto logPower = [&](auto lane, auto power) FFFT_LANES_BODY {
        using M = decltype(lane);
        using N = IntLanes<typename M::V>;
        const auto floor = M::splat(floorPower);
        return M::splat(0.5f) * logOf<M>(select<M>(N::greater(floor, power), floor, power));
    };
    if (from == 0) spectrum[0] = logPower(Lanes1{}, spectrum[0] * spectrum[0]);
    if (to > half) spectrum[half] = logPower(Lanes1{}, spectrum[half] * spectrum[half]);
    for_each<L>(std::max(from, 1), std::min(to, half), [&](auto lane, int32_t k) FFFT_LANES_BODY {
        using V = decltype(lane);
        const auto re = V::load(spectrum + k), im = V::load(spectrum + half + k);
        V::store(spectrum + k, logPower(lane, re * re + im * im));
        V::store(spectrum + half + k, V::splat(0.0f));
    });
}

template <class L> FFFT_LANES_INLINE void exponentialIn(float* spectrum, int32_t m, int32_t from, int32_t to)
{
    const int32_t half = m / 2;
    if (from == 0) spectrum[0] = expOf<Lanes1>(spectrum[0]);
    if (to > half) spectrum[half] = expOf<Lanes1>(spectrum[half]);
    for_each<L>(std::max(from, 1), std::min(to, half), [&](auto lane, int32_t k) FFFT_LANES_BODY {
        using V = decltype(lane);
        const auto magnitude = expOf<V>(V::load(spectrum + k));
        typename V::V cosine, sine;
        cosSinOf<V>(V::load(spectrum + half + k), cosine, sine);
        V::store(spectrum + k, magnitude * cosine);
        V::store(spectrum + half + k, magnitude * sine);
    });
}

template <class L> constexpr LaneMath mathIn(Lanes lanes)
{
    return LaneMath{lanes, &L::template run<&logMagnitudeIn<L>>, &L::template run<&exponentialIn<L>>};
}

// Indexed by the lanes; a set this build does not compile is never asked for
// (lanes_for gives only those that run) and holds the scalar one.
constexpr LaneMath kSets[] = {
    mathIn<Lanes1>(Lanes::Scalar),
#if defined(FFFT_USE_SSE2)
    mathIn<ffft::lanes::Lanes4>(Lanes::Sse2),
#else
    mathIn<Lanes1>(Lanes::Scalar),
#endif
#if defined(FFFT_USE_AVX)
    // Sixteen lanes on AVX compute what eight do.
    mathIn<ffft::lanes::Lanes8>(Lanes::Avx),
    mathIn<ffft::lanes::Lanes8>(Lanes::SixteenOnAvx),
#else
    mathIn<Lanes1>(Lanes::Scalar),
    mathIn<Lanes1>(Lanes::Scalar),
#endif
#if defined(FFFT_USE_AVX512)
    mathIn<ffft::lanes::Lanes16>(Lanes::Avx512),
#else
    mathIn<Lanes1>(Lanes::Scalar),
#endif
};
static_assert(sizeof kSets / sizeof kSets[0] == static_cast<size_t>(Lanes::Avx512) + 1);

} // namespace

const LaneMath& laneMath(Lanes lanes)
{
    return kSets[static_cast<size_t>(ffft::lanes_for(lanes))];
}

} // namespace vosk
