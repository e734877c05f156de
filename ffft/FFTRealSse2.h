// SSE2 passes of FFTReal<float>. Each vector lane performs exactly the
// operations of the scalar passes on the same operands, in the same order, so
// the results are identical bit for bit; only the memory traffic differs.
#pragma once

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

// First stage (bit reversal and two radix-2 passes) fused with the 8-point
// stage, length >= 32. Four consecutive indices q .. q+3 of x feed four groups
// of 8 outputs at bit_rev[q] + (0, N/2, N/4, 3N/4): lanes hold groups.
inline void direct_stages_1_to_3(float* df, const float* x, const std::int32_t* bit_rev, std::int32_t length)
{
    const QuarterOffsets off(length);
    const std::int32_t eighth = length / 8;
    const __m128 k = _mm_set1_ps(0.70710677f);
    for (std::int32_t q = 0; q < eighth; q += 4) {
        const float* xa = x + q;
        const float* xb = xa + eighth;
        const __m128 x0 = _mm_loadu_ps(xa + off.o[0]);
        const __m128 x1 = _mm_loadu_ps(xa + off.o[1]);
        const __m128 x2 = _mm_loadu_ps(xa + off.o[2]);
        const __m128 x3 = _mm_loadu_ps(xa + off.o[3]);
        const __m128 y0 = _mm_loadu_ps(xb + off.o[0]);
        const __m128 y1 = _mm_loadu_ps(xb + off.o[1]);
        const __m128 y2 = _mm_loadu_ps(xb + off.o[2]);
        const __m128 y3 = _mm_loadu_ps(xb + off.o[3]);

        // First stage: values 0..3 (from x*) and 4..7 (from y*) of each group.
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

        // 8-point stage.
        __m128 d0 = _mm_add_ps(a0, b0);
        __m128 d4 = _mm_sub_ps(a0, b0);
        __m128 d2 = a2;
        __m128 d6 = b2;
        const __m128 v = _mm_mul_ps(_mm_sub_ps(b1, b3), k);
        __m128 d1 = _mm_add_ps(a1, v);
        __m128 d3 = _mm_sub_ps(a1, v);
        const __m128 w = _mm_mul_ps(_mm_add_ps(b1, b3), k);
        __m128 d5 = _mm_add_ps(w, a3);
        __m128 d7 = _mm_sub_ps(w, a3);

        _MM_TRANSPOSE4_PS(d0, d1, d2, d3);
        _MM_TRANSPOSE4_PS(d4, d5, d6, d7);
        float* const base = df + bit_rev[q];
        _mm_storeu_ps(base + off.o[0], d0);
        _mm_storeu_ps(base + off.o[0] + 4, d4);
        _mm_storeu_ps(base + off.o[1], d1);
        _mm_storeu_ps(base + off.o[1] + 4, d5);
        _mm_storeu_ps(base + off.o[2], d2);
        _mm_storeu_ps(base + off.o[2] + 4, d6);
        _mm_storeu_ps(base + off.o[3], d3);
        _mm_storeu_ps(base + off.o[3] + 4, d7);
    }
}

// Inverse 8-point stage fused with the inverse first stage, length >= 32.
inline void inverse_stages_3_to_1(float* x, const float* sf, const std::int32_t* bit_rev, std::int32_t length)
{
    const QuarterOffsets off(length);
    const std::int32_t eighth = length / 8;
    const __m128 k = _mm_set1_ps(0.70710677f);
    const __m128 two = _mm_set1_ps(2.0f);
    for (std::int32_t q = 0; q < eighth; q += 4) {
        const float* const base = sf + bit_rev[q];
        __m128 s0 = _mm_loadu_ps(base + off.o[0]);
        __m128 s1 = _mm_loadu_ps(base + off.o[1]);
        __m128 s2 = _mm_loadu_ps(base + off.o[2]);
        __m128 s3 = _mm_loadu_ps(base + off.o[3]);
        __m128 s4 = _mm_loadu_ps(base + off.o[0] + 4);
        __m128 s5 = _mm_loadu_ps(base + off.o[1] + 4);
        __m128 s6 = _mm_loadu_ps(base + off.o[2] + 4);
        __m128 s7 = _mm_loadu_ps(base + off.o[3] + 4);
        _MM_TRANSPOSE4_PS(s0, s1, s2, s3);
        _MM_TRANSPOSE4_PS(s4, s5, s6, s7);

        // Inverse 8-point stage.
        const __m128 d0 = _mm_add_ps(s0, s4);
        const __m128 d4 = _mm_sub_ps(s0, s4);
        const __m128 d2 = _mm_mul_ps(s2, two);
        const __m128 d6 = _mm_mul_ps(s6, two);
        const __m128 d1 = _mm_add_ps(s1, s3);
        const __m128 d3 = _mm_sub_ps(s5, s7);
        const __m128 vr = _mm_sub_ps(s1, s3);
        const __m128 vi = _mm_add_ps(s5, s7);
        const __m128 d5 = _mm_mul_ps(_mm_add_ps(vr, vi), k);
        const __m128 d7 = _mm_mul_ps(_mm_sub_ps(vi, vr), k);

        // Inverse first stage: groups d0..d3 and d4..d7.
        float* const xa = x + q;
        float* const xb = xa + eighth;
        const __m128 a_b0 = _mm_add_ps(d0, d2);
        const __m128 a_b2 = _mm_sub_ps(d0, d2);
        const __m128 a_b1 = _mm_mul_ps(d1, two);
        const __m128 a_b3 = _mm_mul_ps(d3, two);
        _mm_storeu_ps(xa + off.o[0], _mm_add_ps(a_b0, a_b1));
        _mm_storeu_ps(xa + off.o[1], _mm_sub_ps(a_b0, a_b1));
        _mm_storeu_ps(xa + off.o[2], _mm_add_ps(a_b2, a_b3));
        _mm_storeu_ps(xa + off.o[3], _mm_sub_ps(a_b2, a_b3));
        const __m128 b_b0 = _mm_add_ps(d4, d6);
        const __m128 b_b2 = _mm_sub_ps(d4, d6);
        const __m128 b_b1 = _mm_mul_ps(d5, two);
        const __m128 b_b3 = _mm_mul_ps(d7, two);
        _mm_storeu_ps(xb + off.o[0], _mm_add_ps(b_b0, b_b1));
        _mm_storeu_ps(xb + off.o[1], _mm_sub_ps(b_b0, b_b1));
        _mm_storeu_ps(xb + off.o[2], _mm_add_ps(b_b2, b_b3));
        _mm_storeu_ps(xb + off.o[3], _mm_sub_ps(b_b2, b_b3));
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

// Forward level pass with h = m/2 >= 4.
template <bool kMirroredSine>
inline void direct_level(float* df, const float* sf, std::int32_t length, Twiddles<kMirroredSine> tw)
{
    const std::int32_t h = tw.h;
    const std::int32_t m = h * 2;
    const __m128 c_first = tw.first_cosines();
    const __m128 s_first = tw.first_sines();
    for (std::int32_t c = 0; c < length; c += 2 * m) {
        const float* const s1 = sf + c;
        const float* const s2 = s1 + m;
        float* const d1 = df + c;
        float* const d2 = d1 + m;
        {
            // i = 0 .. 3; lane 0 takes the i = 0 values, the mirrored lane 0
            // lands on index m - 4, which a later store or d1[h] overwrites.
            const __m128 p = _mm_loadu_ps(s1);
            const __m128 e = _mm_loadu_ps(s1 + h);
            const __m128 a = _mm_loadu_ps(s2);
            const __m128 b = _mm_loadu_ps(s2 + h);
            const __m128 v = _mm_sub_ps(_mm_mul_ps(a, c_first), _mm_mul_ps(b, s_first));
            const __m128 w = _mm_add_ps(_mm_mul_ps(a, s_first), _mm_mul_ps(b, c_first));
            _mm_storeu_ps(d1, _mm_move_ss(_mm_add_ps(p, v), _mm_add_ps(p, a)));
            _mm_storeu_ps(d2, _mm_move_ss(_mm_add_ps(w, e), _mm_sub_ps(p, a)));
            _mm_storeu_ps(d1 + m - 4, mirrored_1_to_3(_mm_sub_ps(p, v)));
            _mm_storeu_ps(d2 + m - 4, mirrored_1_to_3(_mm_sub_ps(w, e)));
        }
        for (std::int32_t i0 = 4; i0 < h; i0 += 4) {
            const __m128 ci = tw.cosines(i0);
            const __m128 si = tw.sines(i0);
            const __m128 p = _mm_loadu_ps(s1 + i0);
            const __m128 e = _mm_loadu_ps(s1 + h + i0);
            const __m128 a = _mm_loadu_ps(s2 + i0);
            const __m128 b = _mm_loadu_ps(s2 + h + i0);
            const __m128 v = _mm_sub_ps(_mm_mul_ps(a, ci), _mm_mul_ps(b, si));
            const __m128 w = _mm_add_ps(_mm_mul_ps(a, si), _mm_mul_ps(b, ci));
            _mm_storeu_ps(d1 + i0, _mm_add_ps(p, v));
            _mm_storeu_ps(d1 + m - i0 - 3, reversed(_mm_sub_ps(p, v)));
            _mm_storeu_ps(d2 + i0, _mm_add_ps(w, e));
            _mm_storeu_ps(d2 + m - i0 - 3, reversed(_mm_sub_ps(w, e)));
        }
        d1[h] = s1[h];
        d2[h] = s2[h];
    }
}

// Inverse level pass with h = m/2 >= 4.
template <bool kMirroredSine>
inline void inverse_level(float* df, const float* sf, std::int32_t length, Twiddles<kMirroredSine> tw)
{
    const std::int32_t h = tw.h;
    const std::int32_t m = h * 2;
    const __m128 c_first = tw.first_cosines();
    const __m128 s_first = tw.first_sines();
    const __m128 two = _mm_set1_ps(2.0f);
    for (std::int32_t c = 0; c < length; c += 2 * m) {
        const float* const u1 = sf + c;
        const float* const u2 = u1 + m;
        float* const d1 = df + c;
        float* const d2 = d1 + m;
        {
            // i = 0 .. 3: lane 0 is replaced by the i = 0 and i = h values.
            const __m128 p = _mm_loadu_ps(u1);
            const __m128 q = mirrored_1_to_3(_mm_loadu_ps(u1 + m - 4));
            const __m128 r = _mm_loadu_ps(u2);
            const __m128 t = mirrored_1_to_3(_mm_loadu_ps(u2 + m - 4));
            const __m128 u1h = _mm_load_ss(u1 + h);
            const __m128 u2h = _mm_load_ss(u2 + h);
            const __m128 vr = _mm_sub_ps(p, q);
            const __m128 vi = _mm_add_ps(r, t);
            _mm_storeu_ps(d1, _mm_move_ss(_mm_add_ps(p, q), _mm_add_ps(p, r)));
            _mm_storeu_ps(d1 + h, _mm_move_ss(_mm_sub_ps(r, t), _mm_mul_ss(u1h, two)));
            _mm_storeu_ps(d2, _mm_move_ss(_mm_add_ps(_mm_mul_ps(vr, c_first), _mm_mul_ps(vi, s_first)),
                                          _mm_sub_ps(p, r)));
            _mm_storeu_ps(d2 + h, _mm_move_ss(_mm_sub_ps(_mm_mul_ps(vi, c_first), _mm_mul_ps(vr, s_first)),
                                              _mm_mul_ss(u2h, two)));
        }
        for (std::int32_t i0 = 4; i0 < h; i0 += 4) {
            const __m128 ci = tw.cosines(i0);
            const __m128 si = tw.sines(i0);
            const __m128 p = _mm_loadu_ps(u1 + i0);
            const __m128 q = reversed(_mm_loadu_ps(u1 + m - i0 - 3));
            const __m128 r = _mm_loadu_ps(u2 + i0);
            const __m128 t = reversed(_mm_loadu_ps(u2 + m - i0 - 3));
            const __m128 vr = _mm_sub_ps(p, q);
            const __m128 vi = _mm_add_ps(r, t);
            _mm_storeu_ps(d1 + i0, _mm_add_ps(p, q));
            _mm_storeu_ps(d1 + h + i0, _mm_sub_ps(r, t));
            _mm_storeu_ps(d2 + i0, _mm_add_ps(_mm_mul_ps(vr, ci), _mm_mul_ps(vi, si)));
            _mm_storeu_ps(d2 + h + i0, _mm_sub_ps(_mm_mul_ps(vi, ci), _mm_mul_ps(vr, si)));
        }
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
