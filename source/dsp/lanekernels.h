// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The signal path's elementwise loops in vector lanes: spectrum products, the
// channel matrix, gains, sums and crossfades. Every set of lanes computes the
// scalar operations in the scalar order, so all give the same bits; the scalar
// set is the plain loops themselves. Call sites pass arrays that either do not
// overlap or are the same array (in place).
#pragma once

#include "ffft/Lanes.h"

#include <cstdint>

namespace vosk {

// The two streams of a crossfade at one sample, each the sum of two parts:
// before[0][i] + before[1][i] and after[0][i] + after[1][i].
struct FadeStreams
{
    const float* before[2];
    const float* after[2];
};

struct LaneKernels
{
    ffft::Lanes lanes;

    // Bins [from, to) of the m / 2 + 1 of packed spectra of m points (the real
    // FFT's layout): dest = a p + b q, and dest *= factor.
    void (*multiplyAdd)(float* dest, const float* a, const float* p, const float* b, const float* q,
                        int32_t m, int32_t from, int32_t to);
    void (*multiply)(float* dest, const float* factor, int32_t m, int32_t from, int32_t to);
    // dest += a p over bins [from, to), as multiplyAdd's layout.
    void (*multiplyAccumulate)(float* dest, const float* a, const float* p, int32_t m, int32_t from,
                               int32_t to);
    // dest[c] = a_0 p_0 + ... + a_{count-1} p_{count-1}, added one after the other, for
    // each of `channels` (one or two) sharing the kernels: a_j = spectra[c count + j],
    // p_j = kernels + j m.
    void (*multiplySum)(float* const* dest, const float* const* spectra, const float* kernels,
                        int32_t channels, int32_t count, int32_t m, int32_t from, int32_t to);

    // Over `count` values: out = (x + y) g, out = (x - y) g, out = (x + sign y) g.
    void (*sumScaled)(float* out, const float* x, const float* y, float g, int32_t count);
    void (*differenceScaled)(float* out, const float* x, const float* y, float g, int32_t count);
    void (*signedSumScaled)(float* out, const float* x, const float* y, float sign, float g, int32_t count);
    // out = ((enabled x) inputGain) channelGain.
    void (*gain)(float* out, const float* x, float enabled, float inputGain, float channelGain,
                 int32_t count);
    // out = x + y.
    void (*add)(float* out, const float* x, const float* y, int32_t count);
    // out = before + w (after - before).
    void (*crossfade)(float* out, const FadeStreams& streams, const float* w, int32_t count);
    // out[k][i] = h[k][0] x[i] + h[k][1] x[i - 1] + ... + h[k][taps - 1] x[i - taps + 1] for each
    // of `kernels` (one or two); x[-taps + 1 .. -1] are the samples before the first. The
    // products are added taps kDirectStride apart first: h[0], h[16], h[32] ..., then h[1],
    // h[17] ..., and so on.
    static constexpr int32_t kDirectStride = 16;
    void (*directForm)(float* const* out, const float* x, const float* const* h, int32_t kernels, int32_t taps,
                       int32_t count);
    // Both channels at once, each stream first turned from mid/side into
    // left/right ((x + y) g, (x - y) g) where its flag says so.
    void (*crossfadePair)(float* const out[2], const FadeStreams streams[2], bool beforeMidSide,
                          bool afterMidSide, float g, const float* w, int32_t count);
};

// The kernels in the lanes asked for where they run, else in the widest
// narrower set; by default the widest the processor runs.
const LaneKernels& laneKernels(ffft::Lanes lanes = ffft::widest_lanes());

} // namespace vosk
