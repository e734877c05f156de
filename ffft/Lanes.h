// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Vector lanes for the transform and for the elementwise loops of its callers:
// which sets of lanes this build, the processor and the operating system run,
// and lane types of 1, 4, 8 and 16 floats whose operations are the scalar ones
// lane by lane. Code written once over a lane type computes, in every lane,
// exactly what the scalar code computes; the build compiles without fused
// multiply-adds, so every width gives the same bits.
//
// The lane types use the compiler's generic vector operations only, and their
// functions are always inlined, so they carry no target of their own. Code over
// a lane type L is a function marked FFFT_LANES_INLINE, run as
// L::run<&body<L>>(arguments): L::run is compiled for the lanes' instruction
// set (AVX for eight lanes and for sixteen on AVX, AVX-512F for sixteen) and
// inlines the body. It must only be called where lanes_available() says the
// lanes run. No wide value crosses a call: the arguments are scalars and
// pointers, taken by value so that the body's stores cannot alias them.
#pragma once

#include "ffft/def.h"

#include <cstdint>

#if defined(FFFT_USE_SSE2) && !defined(FFFT_NO_AVX)
#define FFFT_USE_AVX 1
#define FFFT_TARGET_AVX __attribute__((target("avx")))
#if !defined(FFFT_NO_AVX512)
#define FFFT_USE_AVX512 1
#define FFFT_TARGET_AVX512 __attribute__((target("avx512f")))
#endif
#include <cpuid.h>
#endif

#if defined(__GNUC__) || defined(__clang__)
#define FFFT_LANES_INLINE inline __attribute__((always_inline))
#define FFFT_LANES_BODY __attribute__((always_inline))
#else
#define FFFT_LANES_INLINE inline
#define FFFT_LANES_BODY
#endif

namespace ffft {

// Sets of lanes, narrowest first. SixteenOnAvx runs the sixteen-lane code as
// pairs of AVX halves, so that it can be checked on a processor without
// AVX-512; it is never chosen unless asked for.
enum class Lanes : std::uint8_t { Scalar, Sse2, Avx, SixteenOnAvx, Avx512 };

inline const char* lanes_name(Lanes lanes)
{
    switch (lanes) {
    case Lanes::Scalar:
        return "scalar";
    case Lanes::Sse2:
        return "SSE2";
    case Lanes::Avx:
        return "AVX";
    case Lanes::SixteenOnAvx:
        return "sixteen lanes on AVX";
    case Lanes::Avx512:
        return "AVX-512F";
    }
    return "?";
}

namespace detail {

#if defined(FFFT_USE_AVX)
// Whether the operating system saves the register state of all of `components`
// (bits of XCR0) on a context switch; without that the wide registers cannot be used.
inline bool os_saves(std::uint32_t components)
{
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_OSXSAVE) == 0) return false;
    std::uint32_t low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (low & components) == components;
}

// XCR0: SSE and AVX state; opmask, upper halves of ZMM0-15, and ZMM16-31.
constexpr std::uint32_t kAvxState = 0x06;
constexpr std::uint32_t kAvx512State = 0x06 | 0xe0;

inline Lanes detect_widest_lanes()
{
    __builtin_cpu_init();
#if defined(FFFT_USE_AVX512)
    if (__builtin_cpu_supports("avx512f") && os_saves(kAvx512State)) return Lanes::Avx512;
#endif
    if (__builtin_cpu_supports("avx") && os_saves(kAvxState)) return Lanes::Avx;
    return Lanes::Sse2;
}
#endif

} // namespace detail

// The widest lanes this build runs on this processor (never SixteenOnAvx).
inline Lanes widest_lanes()
{
#if defined(FFFT_USE_AVX)
    static const Lanes widest = detail::detect_widest_lanes();
    return widest;
#elif defined(FFFT_USE_SSE2)
    return Lanes::Sse2;
#else
    return Lanes::Scalar;
#endif
}

inline bool lanes_available(Lanes lanes)
{
    const Lanes widest = widest_lanes();
    if (lanes == Lanes::SixteenOnAvx) return widest >= Lanes::Avx;
    return lanes <= widest;
}

// The lanes that run when `requested` are asked for: those where available,
// else the widest there are (all narrower).
inline Lanes lanes_for(Lanes requested)
{
    return lanes_available(requested) ? requested : widest_lanes();
}

namespace lanes {

// One float: the scalar code itself.
struct Lanes1
{
    using V = float;
    static constexpr int width = 1;
    static FFFT_LANES_INLINE V load(const float* p) { return *p; }
    static FFFT_LANES_INLINE void store(float* p, V v) { *p = v; }
    static FFFT_LANES_INLINE V splat(float x) { return x; }
    static FFFT_LANES_INLINE V reversed(V v) { return v; }
    template <auto Body, class... Args> static void run(Args... args) { Body(args...); }
};

#if defined(FFFT_USE_SSE2)

typedef float Float4 __attribute__((vector_size(16)));
typedef float Float4Unaligned __attribute__((vector_size(16), aligned(4), may_alias));

// Four floats in one SSE register.
struct Lanes4
{
    using V = Float4;
    static constexpr int width = 4;
    static FFFT_LANES_INLINE V load(const float* p) { return *reinterpret_cast<const Float4Unaligned*>(p); }
    static FFFT_LANES_INLINE void store(float* p, V v) { *reinterpret_cast<Float4Unaligned*>(p) = v; }
    static FFFT_LANES_INLINE V splat(float x)
    {
        return __builtin_shufflevector(first(x), first(x), 0, 0, 0, 0);
    }
    static FFFT_LANES_INLINE V reversed(V v) { return __builtin_shufflevector(v, v, 3, 2, 1, 0); }
    // x in lane 0. Splats are shuffles of it: a vector built of x in every lane
    // would be built again at every use.
    static FFFT_LANES_INLINE V first(float x) { return V{x, 0.0f, 0.0f, 0.0f}; }

    // The lanes in groups of four, "quads": each quad of a, b, c, d is transposed
    // as a 4 x 4 matrix whose rows are the four vectors.
    static constexpr int quads = 1;
    static FFFT_LANES_INLINE void transpose_quads(V& a, V& b, V& c, V& d)
    {
        const V t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
        const V t1 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
        const V t2 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
        const V t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
        a = __builtin_shufflevector(t0, t1, 0, 1, 4, 5);
        b = __builtin_shufflevector(t0, t1, 2, 3, 6, 7);
        c = __builtin_shufflevector(t2, t3, 0, 1, 4, 5);
        d = __builtin_shufflevector(t2, t3, 2, 3, 6, 7);
    }
    // Quad j to or from to[j] (four values each).
    static FFFT_LANES_INLINE void store_quads(float* const to[quads], V v) { store(to[0], v); }
    static FFFT_LANES_INLINE V load_quads(const float* const from[quads]) { return load(from[0]); }
    template <auto Body, class... Args> static void run(Args... args) { Body(args...); }
};

#endif

#if defined(FFFT_USE_AVX)

typedef float Float8 __attribute__((vector_size(32)));
typedef float Float8Unaligned __attribute__((vector_size(32), aligned(4), may_alias));

// Eight floats in one AVX register.
struct Lanes8
{
    using V = Float8;
    static constexpr int width = 8;
    static FFFT_LANES_INLINE V load(const float* p) { return *reinterpret_cast<const Float8Unaligned*>(p); }
    static FFFT_LANES_INLINE void store(float* p, V v) { *reinterpret_cast<Float8Unaligned*>(p) = v; }
    // From a vector of the same width: widened from a narrower one, the value
    // went through memory, and the wide load stalled on the narrow store.
    static FFFT_LANES_INLINE V splat(float x)
    {
        const V first = {x};
        return __builtin_shufflevector(first, first, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    static FFFT_LANES_INLINE V reversed(V v) { return __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0); }
    template <auto Body, class... Args> FFFT_TARGET_AVX static void run(Args... args) { Body(args...); }

    static constexpr int quads = 2;
    static FFFT_LANES_INLINE void transpose_quads(V& a, V& b, V& c, V& d)
    {
        const V t0 = __builtin_shufflevector(a, b, 0, 8, 1, 9, 4, 12, 5, 13);
        const V t1 = __builtin_shufflevector(c, d, 0, 8, 1, 9, 4, 12, 5, 13);
        const V t2 = __builtin_shufflevector(a, b, 2, 10, 3, 11, 6, 14, 7, 15);
        const V t3 = __builtin_shufflevector(c, d, 2, 10, 3, 11, 6, 14, 7, 15);
        a = __builtin_shufflevector(t0, t1, 0, 1, 8, 9, 4, 5, 12, 13);
        b = __builtin_shufflevector(t0, t1, 2, 3, 10, 11, 6, 7, 14, 15);
        c = __builtin_shufflevector(t2, t3, 0, 1, 8, 9, 4, 5, 12, 13);
        d = __builtin_shufflevector(t2, t3, 2, 3, 10, 11, 6, 7, 14, 15);
    }
    static FFFT_LANES_INLINE void store_quads(float* const to[quads], V v)
    {
        Lanes4::store(to[0], __builtin_shufflevector(v, v, 0, 1, 2, 3));
        Lanes4::store(to[1], __builtin_shufflevector(v, v, 4, 5, 6, 7));
    }
    static FFFT_LANES_INLINE V load_quads(const float* const from[quads])
    {
        return __builtin_shufflevector(Lanes4::load(from[0]), Lanes4::load(from[1]), 0, 1, 2, 3, 4, 5, 6, 7);
    }
};

// Sixteen floats as two AVX halves, lanes 0 .. 7 in `low`: the lanes of
// Lanes16 in the same places, for AVX processors.
struct Lanes16OnAvx
{
    struct V
    {
        Float8 low, high;
        friend FFFT_LANES_INLINE V operator+(V a, V b) { return V{a.low + b.low, a.high + b.high}; }
        friend FFFT_LANES_INLINE V operator-(V a, V b) { return V{a.low - b.low, a.high - b.high}; }
        friend FFFT_LANES_INLINE V operator*(V a, V b) { return V{a.low * b.low, a.high * b.high}; }
    };
    static constexpr int width = 16;
    static FFFT_LANES_INLINE V load(const float* p) { return V{Lanes8::load(p), Lanes8::load(p + 8)}; }
    static FFFT_LANES_INLINE void store(float* p, V v)
    {
        Lanes8::store(p, v.low);
        Lanes8::store(p + 8, v.high);
    }
    static FFFT_LANES_INLINE V splat(float x) { return V{Lanes8::splat(x), Lanes8::splat(x)}; }
    static FFFT_LANES_INLINE V reversed(V v) { return V{Lanes8::reversed(v.high), Lanes8::reversed(v.low)}; }
    template <auto Body, class... Args> FFFT_TARGET_AVX static void run(Args... args) { Body(args...); }

    static constexpr int quads = 4;
    static FFFT_LANES_INLINE void transpose_quads(V& a, V& b, V& c, V& d)
    {
        Lanes8::transpose_quads(a.low, b.low, c.low, d.low);
        Lanes8::transpose_quads(a.high, b.high, c.high, d.high);
    }
    static FFFT_LANES_INLINE void store_quads(float* const to[quads], V v)
    {
        Lanes8::store_quads(to, v.low);
        Lanes8::store_quads(to + 2, v.high);
    }
    static FFFT_LANES_INLINE V load_quads(const float* const from[quads])
    {
        return V{Lanes8::load_quads(from), Lanes8::load_quads(from + 2)};
    }
};

#endif

#if defined(FFFT_USE_AVX512)

typedef float Float16 __attribute__((vector_size(64)));
typedef float Float16Unaligned __attribute__((vector_size(64), aligned(4), may_alias));

// Sixteen floats in one AVX-512 register.
struct Lanes16
{
    using V = Float16;
    static constexpr int width = 16;
    static FFFT_LANES_INLINE V load(const float* p) { return *reinterpret_cast<const Float16Unaligned*>(p); }
    static FFFT_LANES_INLINE void store(float* p, V v) { *reinterpret_cast<Float16Unaligned*>(p) = v; }
    static FFFT_LANES_INLINE V splat(float x)
    {
        const V first = {x};
        return __builtin_shufflevector(first, first, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    static FFFT_LANES_INLINE V reversed(V v)
    {
        return __builtin_shufflevector(v, v, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    }
    template <auto Body, class... Args> FFFT_TARGET_AVX512 static void run(Args... args) { Body(args...); }

    static constexpr int quads = 4;
    static FFFT_LANES_INLINE void transpose_quads(V& a, V& b, V& c, V& d)
    {
        const V t0 = __builtin_shufflevector(a, b, 0, 16, 1, 17, 4, 20, 5, 21, 8, 24, 9, 25, 12, 28, 13, 29);
        const V t1 = __builtin_shufflevector(c, d, 0, 16, 1, 17, 4, 20, 5, 21, 8, 24, 9, 25, 12, 28, 13, 29);
        const V t2 =
            __builtin_shufflevector(a, b, 2, 18, 3, 19, 6, 22, 7, 23, 10, 26, 11, 27, 14, 30, 15, 31);
        const V t3 =
            __builtin_shufflevector(c, d, 2, 18, 3, 19, 6, 22, 7, 23, 10, 26, 11, 27, 14, 30, 15, 31);
        a = __builtin_shufflevector(t0, t1, 0, 1, 16, 17, 4, 5, 20, 21, 8, 9, 24, 25, 12, 13, 28, 29);
        b = __builtin_shufflevector(t0, t1, 2, 3, 18, 19, 6, 7, 22, 23, 10, 11, 26, 27, 14, 15, 30, 31);
        c = __builtin_shufflevector(t2, t3, 0, 1, 16, 17, 4, 5, 20, 21, 8, 9, 24, 25, 12, 13, 28, 29);
        d = __builtin_shufflevector(t2, t3, 2, 3, 18, 19, 6, 7, 22, 23, 10, 11, 26, 27, 14, 15, 30, 31);
    }
    static FFFT_LANES_INLINE void store_quads(float* const to[quads], V v)
    {
        Lanes4::store(to[0], __builtin_shufflevector(v, v, 0, 1, 2, 3));
        Lanes4::store(to[1], __builtin_shufflevector(v, v, 4, 5, 6, 7));
        Lanes4::store(to[2], __builtin_shufflevector(v, v, 8, 9, 10, 11));
        Lanes4::store(to[3], __builtin_shufflevector(v, v, 12, 13, 14, 15));
    }
    static FFFT_LANES_INLINE V load_quads(const float* const from[quads])
    {
        const Float8 low = Lanes8::load_quads(from);
        const Float8 high = Lanes8::load_quads(from + 2);
        return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    }
};

#endif

#if defined(FFFT_USE_SSE2)
// Calls body(lane type) with the type of `lanes`, or of the widest narrower
// lanes that run, no wider than `widest` (SSE2 at least).
template <class Body> FFFT_LANES_INLINE void with_lanes(Lanes lanes, std::int32_t widest, const Body& body)
{
#if defined(FFFT_USE_AVX512)
    if (lanes == Lanes::Avx512 && widest >= 16) return body(Lanes16{});
#endif
#if defined(FFFT_USE_AVX)
    if (lanes == Lanes::SixteenOnAvx && widest >= 16) return body(Lanes16OnAvx{});
    if (lanes >= Lanes::Avx && widest >= 8) return body(Lanes8{});
#endif
    body(Lanes4{});
}
#endif

// step(lane type, i) over [from, to): whole groups of L's lanes, then of four
// (a spectrum's bins past the first come in runs one short of a power of two),
// then the rest one value at a time.
template <class L, class Step>
FFFT_LANES_INLINE void for_each(std::int32_t from, std::int32_t to, const Step& step)
{
    std::int32_t i = from;
    for (; to - i >= L::width; i += L::width) step(L{}, i);
#if defined(FFFT_USE_SSE2)
    if constexpr (L::width > 4)
        for (; to - i >= 4; i += 4) step(Lanes4{}, i);
#endif
    for (; i < to; ++i) step(Lanes1{}, i);
}

} // namespace lanes
} // namespace ffft
