// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Long-term average spectra: Hann-windowed transforms with half overlap,
// powers averaged per bin over the whole file, then averaged over fractional-
// octave bands.
#pragma once

#include "ffft/FFTReal.h"

#include <cstdint>
#include <vector>

namespace vosk {

class LongTermSpectrum
{
public:
    // About 1.4 Hz between bins at 44.1 and 48 kHz, whatever the rate.
    LongTermSpectrum(int channels, int rate);

    void add(const float* interleaved, long long frames);
    // Mean power per bin (0 .. N/2) of each channel, full scale sine = 1/4 at its bin's peak.
    std::vector<std::vector<double>> power();

    int rate() const { return rate_; }
    int32_t size() const { return n_; }

private:
    void transformFrame();

    int channels_;
    int rate_;
    int32_t n_;
    ffft::FFTReal<float> fft_;
    std::vector<float> window_;
    std::vector<std::vector<float>> pending_; // per channel, up to n_ samples
    std::vector<std::vector<double>> sums_;
    std::vector<float> frame_, spectrum_;
    int32_t filled_ = 0;
    long long transforms_ = 0;
};

// Band centres 1 kHz x 2^(k / bandsPerOctave) from `low` to `high` (both inclusive).
std::vector<double> bandCentres(double low, double high, int bandsPerOctave);

// The mean of `power` (bins 0 .. N/2 of a transform of `n` at `rate`) over a band
// `octaves` wide around each of `centres`, in dB, bins across an edge by their share;
// a band narrower than a bin takes one bin's width. Silence gives -300 dB.
std::vector<double> bandLevelsDb(const std::vector<double>& power, int rate, int32_t n,
                                 const std::vector<double>& centres, double octaves);

} // namespace vosk
