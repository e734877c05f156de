// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Real-valued FFT of one fixed power-of-two length.
//
// Spectrum layout of f[0 .. N-1]: f[k] = sum x[n] cos(2 pi k n / N) for
// k = 0 .. N/2, and f[N/2 + k] = sum x[n] sin(2 pi k n / N) for k = 1 .. N/2-1
// (the imaginary part of bin k with its sign reversed). The inverse transform
// reads that layout and returns N times the original; rescale_by_length()
// removes the factor.
//
// All memory is taken in the constructor. The transforms share the object's
// work buffer, so one object must not run two transforms at once.
//
// The passes run in vector lanes (ffft/Lanes.h), by default the widest the
// processor has; every set of lanes gives the same bits. Where SSE2 is compiled
// in, it is the narrowest set the transform runs.
#pragma once

#include "ffft/DynArray.h"
#include "ffft/Lanes.h"
#include "ffft/def.h"

#include <cstdint>

namespace ffft {

template <class DT> class FFTReal
{
public:
    enum { MAX_BIT_DEPTH = 30 };

    typedef DT DataType;

    // Without a buffer of its own (`own_buffer` false), only the parts run, on a
    // work array the caller gives: the whole transforms and use_buffer() need it.
    // `exact_twiddles` takes every level's twiddles from the cosine itself: the
    // recursion that gives one level's by default leaves a phase error that
    // grows with frequency, up to parts in ten thousand.
    explicit FFTReal(std::int32_t length, Lanes lanes = widest_lanes(), bool own_buffer = true,
                     bool exact_twiddles = false);
    virtual ~FFTReal() {}

    FFTReal(const FFTReal&) = delete;
    FFTReal& operator=(const FFTReal&) = delete;

    std::int32_t get_length() const { return _length; }
    // The lanes the passes run in: those asked for, or the nearest this build
    // and processor run.
    Lanes lanes() const { return _lanes; }

    // x: N time-domain values (read only); f: N spectrum values.
    void forward_transform(DataType f[], const DataType x[]) const;
    // f: N spectrum values (read only); x: N time-domain values, times N.
    void inverse_transform(const DataType f[], DataType x[]) const;
    // Multiplies the N values of x by 1/N.
    void rescale_by_length(DataType x[]) const;

    // The work buffer of the transforms; never pass it to them.
    DataType* use_buffer() const { return _buffer.data(); }

    // The transforms in parts, so that a caller can bound the work it does at a
    // time: parts 0 .. count - 1 run in order on the same arrays, with a work
    // array of N values that nothing else touches in between, give exactly the
    // whole transform's result (which runs the same parts). A level wider than a
    // chunk runs in parts of at most 16384 values at any length, even where one
    // of its blocks is longer. A part's cost is the number of values it passes
    // through butterflies, weighted by what they take out of cache: the first
    // stages count each value 8 times (for four stages, their parts writing the
    // array's stretches in order), a level wider than a chunk 2.5 times.
    std::int32_t forward_part_count() const { return _forward_parts.size(); }
    std::int32_t inverse_part_count() const { return _inverse_parts.size(); }
    std::int32_t forward_part_cost(std::int32_t part) const { return _forward_parts[part].cost; }
    std::int32_t inverse_part_cost(std::int32_t part) const { return _inverse_parts[part].cost; }
    void forward_part(std::int32_t part, DataType f[], const DataType x[], DataType work[]) const;
    void inverse_part(std::int32_t part, const DataType f[], DataType x[], DataType work[]) const;
    // The forward transform of an input that is zero past its first N/16 values
    // (N at least 16), in the same parts: only those values of `head` are read.
    // The first stages merely spread each value, so they cost a pass of writes.
    // The values are those of forward_part on the padded input, the signs of
    // zeros aside.
    void forward_padded_part(std::int32_t part, DataType f[], const DataType head[], DataType work[]) const;
    std::int32_t forward_padded_part_cost(std::int32_t part) const;

private:
    // Last level whose twiddles come from trig_table; above it, oscillators.
    enum { TRIGO_BD_LIMIT = 12 };
    // Levels up to this one run chunk by chunk (blocks of up to 2048 values).
    enum { TILED_LEVEL_LIMIT = 10 };

    // Rotating point on the unit circle that yields the twiddles of one level.
    class TrigOscillator
    {
    public:
        void set_step(double angle);
        void clear()
        {
            cos_value = DataType(1);
            sin_value = DataType(0);
        }
        void step()
        {
            const DataType old_cos = cos_value;
            const DataType old_sin = sin_value;
            cos_value = old_cos * step_cos - old_sin * step_sin;
            sin_value = old_cos * step_sin + old_sin * step_cos;
        }
        DataType get_cos() const { return cos_value; }
        DataType get_sin() const { return sin_value; }

    private:
        DataType cos_value = DataType(1);
        DataType sin_value = DataType(0);
        DataType step_cos = DataType(1);
        DataType step_sin = DataType(0);
    };

    void init_br_lut();
    void init_trigo_lut();
    void init_trigo_osc();
    void init_osc_sequence(bool exact_twiddles);
    void init_parts();

    // Twiddle pointers of one level: cosines in increasing order; sines in
    // increasing order (oscillator levels) or as the mirrored cosine table.
    const DataType* cos_of_level(int level) const;
    const DataType* osc_cos_of_level(int level) const;
    const DataType* osc_sin_of_level(int level) const;

    // One part of a transform: the first stages (or, inverse, the last) over a
    // range, the tiled levels over one chunk, or one level over a range of its
    // blocks, or over a range of the butterflies of one block where a block is
    // wider than a part.
    enum PartKind : std::int32_t { PART_STAGES, PART_TILED, PART_LEVEL };
    struct Part
    {
        PartKind kind;
        std::int32_t pass;  // PART_LEVEL: the level; PART_TILED: passes before it
        std::int32_t start; // first value (PART_STAGES: first q of the fused stages)
        std::int32_t span;  // values (PART_STAGES: the fused stages' q count)
        std::int32_t cost;
        // PART_LEVEL: butterflies from .. to - 1 of each block; PART_STAGES: from
        // is the q stride between runs of 16 q.
        std::int32_t from;
        std::int32_t to;
    };
    // Values per part of the levels wider than a chunk, and of the fused first
    // stages, whose bit-reversed accesses miss the cache on long arrays.
    enum { PART_VALUES = 16384, STAGE_PART_VALUES = 1024 };
    int first_direct_level() const;
    std::int32_t stage_part_count() const;
    int lowest_inverse_level() const;
    int inverse_final_passes() const;
    void run_small_forward(DataType f[], const DataType x[]) const;
    void run_small_inverse(const DataType f[], DataType x[]) const;

    void compute_fft_general(DataType f[], const DataType x[]) const;
    void compute_direct_pass_1_2(DataType df[], const DataType x[]) const;
    void compute_direct_pass_3(DataType df[], const DataType sf[]) const;
    // One level's butterflies from .. to - 1 of each block over span values.
    template <bool kInverse>
    void compute_level_pass(DataType df[], const DataType sf[], int pass, std::int32_t span,
                            std::int32_t from, std::int32_t to) const;

    void compute_ifft_general(const DataType f[], DataType x[]) const;
    void compute_inverse_pass_3(DataType df[], const DataType sf[]) const;
    void compute_inverse_pass_1_2(DataType x[], const DataType sf[]) const;

    std::int32_t _length;
    std::int32_t _nbr_bits;
    DynArray<std::int32_t> bit_reversal_table;
    DynArray<DataType> trig_table;
    mutable DynArray<DataType> _buffer;
    DynArray<TrigOscillator> oscillators;
    DynArray<Part> _forward_parts;
    DynArray<Part> _inverse_parts;
    // The oscillators restart identically for every block, so their whole
    // sequence per level is computed once: per oscillator level, h cosines then
    // h sines, entry i (1 .. h-1) being the point after i steps.
    DynArray<DataType> osc_sequence;
    Lanes _lanes = Lanes::Scalar;
};

} // namespace ffft

#include "ffft/FFTReal.hpp"
