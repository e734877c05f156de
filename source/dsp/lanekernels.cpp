// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "lanekernels.h"

#include <algorithm>
#include <type_traits>

namespace vosk {

namespace {

using ffft::Lanes;
using ffft::lanes::for_each;
using ffft::lanes::Lanes1;

constexpr int32_t kDirectStride = LaneKernels::kDirectStride;

template <class L>
FFFT_LANES_INLINE void multiplyAddIn(float* dest, const float* a, const float* p, const float* b,
                                     const float* q, int32_t m, int32_t from, int32_t to)
{
    const int32_t half = m / 2;
    if (from == 0) dest[0] = a[0] * p[0] + b[0] * q[0];
    if (to > half) dest[half] = a[half] * p[half] + b[half] * q[half];
    for_each<L>(std::max(from, 1), std::min(to, half), [&](auto lane, int32_t k) FFFT_LANES_BODY {
        using V = decltype(lane);
        const auto aRe = V::load(a + k), aIm = V::load(a + half + k);
        const auto pRe = V::load(p + k), pIm = V::load(p + half + k);
        const auto bRe = V::load(b + k), bIm = V::load(b + half + k);
        const auto qRe = V::load(q + k), qIm = V::load(q + half + k);
        V::store(dest + k, (aRe * pRe - aIm * pIm) + (bRe * qRe - bIm * qIm));
        V::store(dest + half + k, (aIm * pRe + aRe * pIm) + (bIm * qRe + bRe * qIm));
    });
}

template <class L>
FFFT_LANES_INLINE void multiplyIn(float* dest, const float* factor, int32_t m, int32_t from, int32_t to)
{
    const int32_t half = m / 2;
    if (from == 0) dest[0] *= factor[0];
    if (to > half) dest[half] *= factor[half];
    for_each<L>(std::max(from, 1), std::min(to, half), [&](auto lane, int32_t k) FFFT_LANES_BODY {
        using V = decltype(lane);
        const auto a = V::load(dest + k), b = V::load(dest + half + k);
        const auto c = V::load(factor + k), d = V::load(factor + half + k);
        V::store(dest + k, a * c - b * d);
        V::store(dest + half + k, b * c + a * d);
    });
}

template <class L>
FFFT_LANES_INLINE void multiplyAccumulateIn(float* dest, const float* a, const float* p, int32_t m,
                                            int32_t from, int32_t to)
{
    const int32_t half = m / 2;
    if (from == 0) dest[0] = dest[0] + a[0] * p[0];
    if (to > half) dest[half] = dest[half] + a[half] * p[half];
    for_each<L>(std::max(from, 1), std::min(to, half), [&](auto lane, int32_t k) FFFT_LANES_BODY {
        using V = decltype(lane);
        const auto aRe = V::load(a + k), aIm = V::load(a + half + k);
        const auto pRe = V::load(p + k), pIm = V::load(p + half + k);
        V::store(dest + k, V::load(dest + k) + (aRe * pRe - aIm * pIm));
        V::store(dest + half + k, V::load(dest + half + k) + (aIm * pRe + aRe * pIm));
    });
}

// The sums of `count` products for `Channels` channels whose partitions share
// their kernels: each kernel value is loaded once for all of them, and every bin
// adds its products in the partitions' order. Arrays that fit the nearest cache
// are read bin by bin across all partitions, the sums kept in registers. Larger
// ones would be read as dozens of interleaved streams, which the processor does
// not fetch ahead: they are passed two partitions at a time over all the bins,
// six arrays read one after the other while the sums stay in the nearest cache.
constexpr int64_t kNearCacheBytes = 64 * 1024;

template <int Channels, class L>
FFFT_LANES_INLINE void multiplySumFor(float* const* dest, const float* const* spectra, const float* kernels,
                                      int32_t count, int32_t m, int32_t from, int32_t to)
{
    const int32_t half = m / 2;
    auto real = [&](int32_t k) {
        for (int c = 0; c < Channels; ++c) {
            const float* const* a = spectra + c * count;
            float sum = a[0][k] * kernels[k];
            for (int32_t j = 1; j < count; ++j) sum = sum + a[j][k] * kernels[static_cast<size_t>(j) * m + k];
            dest[c][k] = sum;
        }
    };
    if (from == 0) real(0);
    if (to > half) real(half);
    const int32_t lo = std::max(from, 1), hi = std::min(to, half);
    const int64_t bytes = int64_t(hi - lo) * 2 * count * (Channels + 1) * int64_t(sizeof(float));
    if (bytes <= kNearCacheBytes) {
        for_each<L>(lo, hi, [&](auto lane, int32_t k) FFFT_LANES_BODY {
            using V = decltype(lane);
            using W = decltype(V::load(kernels));
            W re[Channels], im[Channels];
            auto partition = [&](int32_t j, auto add) FFFT_LANES_BODY {
                const float* p = kernels + static_cast<size_t>(j) * m;
                const W pRe = V::load(p + k), pIm = V::load(p + half + k);
                for (int c = 0; c < Channels; ++c) {
                    const float* a = spectra[c * count + j];
                    const W aRe = V::load(a + k), aIm = V::load(a + half + k);
                    add(c, aRe * pRe - aIm * pIm, aIm * pRe + aRe * pIm);
                }
            };
            partition(0, [&](int c, W productRe, W productIm) FFFT_LANES_BODY {
                re[c] = productRe;
                im[c] = productIm;
            });
            for (int32_t j = 1; j < count; ++j) {
                partition(j, [&](int c, W productRe, W productIm) FFFT_LANES_BODY {
                    re[c] = re[c] + productRe;
                    im[c] = im[c] + productIm;
                });
            }
            for (int c = 0; c < Channels; ++c) {
                V::store(dest[c] + k, re[c]);
                V::store(dest[c] + half + k, im[c]);
            }
        });
        return;
    }
    // Partition j, and j + 1 with `pair`, added to the sums, or making them with `first`.
    auto pass = [&](int32_t j, auto first, auto pair) FFFT_LANES_BODY {
        for_each<L>(lo, hi, [&](auto lane, int32_t k) FFFT_LANES_BODY {
            using V = decltype(lane);
            using W = decltype(V::load(kernels));
            const float* p = kernels + static_cast<size_t>(j) * m;
            const W pRe = V::load(p + k), pIm = V::load(p + half + k);
            W qRe = pRe, qIm = pIm;
            if constexpr (decltype(pair)::value) {
                qRe = V::load(p + m + k);
                qIm = V::load(p + m + half + k);
            }
            for (int c = 0; c < Channels; ++c) {
                const float* a = spectra[c * count + j];
                const W aRe = V::load(a + k), aIm = V::load(a + half + k);
                W re = aRe * pRe - aIm * pIm, im = aIm * pRe + aRe * pIm;
                if constexpr (!decltype(first)::value) {
                    re = V::load(dest[c] + k) + re;
                    im = V::load(dest[c] + half + k) + im;
                }
                if constexpr (decltype(pair)::value) {
                    const float* b = spectra[c * count + j + 1];
                    const W bRe = V::load(b + k), bIm = V::load(b + half + k);
                    re = re + (bRe * qRe - bIm * qIm);
                    im = im + (bIm * qRe + bRe * qIm);
                }
                V::store(dest[c] + k, re);
                V::store(dest[c] + half + k, im);
            }
        });
    };
    using Yes = std::true_type;
    using No = std::false_type;
    if (count == 1) {
        pass(0, Yes{}, No{});
        return;
    }
    pass(0, Yes{}, Yes{});
    int32_t j = 2;
    for (; j + 1 < count; j += 2) pass(j, No{}, Yes{});
    if (j < count) pass(j, No{}, No{});
}

template <class L>
FFFT_LANES_INLINE void multiplySumIn(float* const* dest, const float* const* spectra, const float* kernels,
                                     int32_t channels, int32_t count, int32_t m, int32_t from, int32_t to)
{
    if (channels == 2)
        multiplySumFor<2, L>(dest, spectra, kernels, count, m, from, to);
    else
        multiplySumFor<1, L>(dest, spectra, kernels, count, m, from, to);
}

// One output group of a direct form, its products added in the kernel's order.
template <class V>
FFFT_LANES_INLINE auto directFormAt(const float* x, const float* h, int32_t taps, int32_t i)
{
    auto sum = V::splat(h[0]) * V::load(x + i);
    for (int32_t t = 0; t < kDirectStride; ++t)
        for (int32_t j = t == 0 ? kDirectStride : t; j < taps; j += kDirectStride)
            sum = sum + V::splat(h[j]) * V::load(x + i - j);
    return sum;
}

// The direct form with `Kernels` kernels over one input, which each group of
// outputs loads once for all of them.
template <int Kernels, class L>
FFFT_LANES_INLINE void directFormFor(float* const* out, const float* x, const float* const* h, int32_t taps,
                                     int32_t count)
{
    // Four groups of outputs at once: each sum is a chain of dependent additions,
    // and four independent chains keep the adder busy. In strides of taps the
    // products ran faster than in tap order, as measured.
    constexpr int32_t kGroups = 4;
    constexpr int32_t w = L::width;
    int32_t first = 0;
    if constexpr (w > 1) {
        using W = decltype(L::load(x));
        for (; count - first >= kGroups * w; first += kGroups * w) {
            const float* at = x + first;
            W s[Kernels][kGroups];
            for (int k = 0; k < Kernels; ++k)
                for (int g = 0; g < kGroups; ++g) s[k][g] = L::splat(h[k][0]) * L::load(at + g * w);
            for (int32_t t = 0; t < kDirectStride; ++t) {
                for (int32_t j = t == 0 ? kDirectStride : t; j < taps; j += kDirectStride) {
                    W in[kGroups];
                    for (int g = 0; g < kGroups; ++g) in[g] = L::load(at + g * w - j);
                    for (int k = 0; k < Kernels; ++k) {
                        const W tap = L::splat(h[k][j]);
                        for (int g = 0; g < kGroups; ++g) s[k][g] = s[k][g] + tap * in[g];
                    }
                }
            }
            for (int k = 0; k < Kernels; ++k)
                for (int g = 0; g < kGroups; ++g) L::store(out[k] + first + g * w, s[k][g]);
        }
    }
    for_each<L>(first, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        for (int k = 0; k < Kernels; ++k) V::store(out[k] + i, directFormAt<V>(x, h[k], taps, i));
    });
}

template <class L>
FFFT_LANES_INLINE void directFormIn(float* const* out, const float* x, const float* const* h, int32_t kernels,
                                    int32_t taps, int32_t count)
{
    if (kernels == 2)
        directFormFor<2, L>(out, x, h, taps, count);
    else
        directFormFor<1, L>(out, x, h, taps, count);
}

template <class L>
FFFT_LANES_INLINE void sumScaledIn(float* out, const float* x, const float* y, float g, int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        V::store(out + i, (V::load(x + i) + V::load(y + i)) * V::splat(g));
    });
}

template <class L>
FFFT_LANES_INLINE void differenceScaledIn(float* out, const float* x, const float* y, float g, int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        V::store(out + i, (V::load(x + i) - V::load(y + i)) * V::splat(g));
    });
}

template <class L>
FFFT_LANES_INLINE void signedSumScaledIn(float* out, const float* x, const float* y, float sign, float g,
                                         int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        V::store(out + i, (V::load(x + i) + V::splat(sign) * V::load(y + i)) * V::splat(g));
    });
}

template <class L>
FFFT_LANES_INLINE void gainIn(float* out, const float* x, float enabled, float inputGain, float channelGain,
                              int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        V::store(out + i, V::splat(enabled) * V::load(x + i) * V::splat(inputGain) * V::splat(channelGain));
    });
}

template <class L> FFFT_LANES_INLINE void addIn(float* out, const float* x, const float* y, int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        V::store(out + i, V::load(x + i) + V::load(y + i));
    });
}

// The two streams of a crossfade at sample i.
template <class V> struct Streams
{
    FFFT_LANES_INLINE Streams(const FadeStreams& s, int32_t i)
        : before(V::load(s.before[0] + i) + V::load(s.before[1] + i)),
          after(V::load(s.after[0] + i) + V::load(s.after[1] + i))
    {
    }
    decltype(V::load(nullptr)) before, after;
};

template <class L>
FFFT_LANES_INLINE void crossfadeIn(float* out, const FadeStreams& streams, const float* w, int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        const Streams<V> s(streams, i);
        V::store(out + i, s.before + V::load(w + i) * (s.after - s.before));
    });
}

template <class L>
FFFT_LANES_INLINE void crossfadePairIn(float* const out[2], const FadeStreams streams[2], bool beforeMidSide,
                                       bool afterMidSide, float g, const float* w, int32_t count)
{
    for_each<L>(0, count, [&](auto lane, int32_t i) FFFT_LANES_BODY {
        using V = decltype(lane);
        Streams<V> s0(streams[0], i), s1(streams[1], i);
        const auto gain = V::splat(g);
        auto toLeftRight = [&](auto& a, auto& b) FFFT_LANES_BODY {
            const auto x = a;
            const auto y = b;
            a = (x + y) * gain;
            b = (x - y) * gain;
        };
        if (beforeMidSide) toLeftRight(s0.before, s1.before);
        if (afterMidSide) toLeftRight(s0.after, s1.after);
        const auto weight = V::load(w + i);
        V::store(out[0] + i, s0.before + weight * (s0.after - s0.before));
        V::store(out[1] + i, s1.before + weight * (s1.after - s1.before));
    });
}

// Each kernel runs as L::run, compiled for the lanes' instruction set.
template <class L> constexpr LaneKernels kernelsIn(Lanes lanes)
{
    return LaneKernels{lanes,
                       &L::template run<&multiplyAddIn<L>>,
                       &L::template run<&multiplyIn<L>>,
                       &L::template run<&multiplyAccumulateIn<L>>,
                       &L::template run<&multiplySumIn<L>>,
                       &L::template run<&sumScaledIn<L>>,
                       &L::template run<&differenceScaledIn<L>>,
                       &L::template run<&signedSumScaledIn<L>>,
                       &L::template run<&gainIn<L>>,
                       &L::template run<&addIn<L>>,
                       &L::template run<&crossfadeIn<L>>,
                       &L::template run<&directFormIn<L>>,
                       &L::template run<&crossfadePairIn<L>>};
}

constexpr LaneKernels kScalar = kernelsIn<Lanes1>(Lanes::Scalar);
#if defined(FFFT_USE_SSE2)
constexpr LaneKernels kSse2 = kernelsIn<ffft::lanes::Lanes4>(Lanes::Sse2);
#endif
#if defined(FFFT_USE_AVX)
constexpr LaneKernels kAvx = kernelsIn<ffft::lanes::Lanes8>(Lanes::Avx);
constexpr LaneKernels kSixteenOnAvx = kernelsIn<ffft::lanes::Lanes16OnAvx>(Lanes::SixteenOnAvx);
#endif
#if defined(FFFT_USE_AVX512)
constexpr LaneKernels kAvx512 = kernelsIn<ffft::lanes::Lanes16>(Lanes::Avx512);
#endif

} // namespace

const LaneKernels& laneKernels(Lanes lanes)
{
    switch (ffft::lanes_for(lanes)) {
#if defined(FFFT_USE_AVX512)
    case Lanes::Avx512:
        return kAvx512;
#endif
#if defined(FFFT_USE_AVX)
    case Lanes::SixteenOnAvx:
        return kSixteenOnAvx;
    case Lanes::Avx:
        return kAvx;
#endif
#if defined(FFFT_USE_SSE2)
    case Lanes::Sse2:
        return kSse2;
#endif
    default:
        return kScalar;
    }
}

} // namespace vosk
