// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The match EQ's fit: VOSK's four bands of one channel set so that their
// response, designed by the signal path itself at the files' rate, follows a
// target difference over fractional-octave bands.
#pragma once

#include "source/dsp/signalpath.h"

#include "ffft/FFTReal.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vosk {

// One band as the host sets it: its shape and normalised values.
struct FittedBand
{
    int32_t shape = ShapeBell;
    double freqNorm = 0.5, gainNorm = 0.5, qNorm = 0.0, widthNorm = 0.25;
};

constexpr int kFittedBands = kNumBands;
using BandSet = FittedBand[kFittedBands];

// The response of one channel's bands at band centres, in dB relative to the
// same channel with flat bands: the fixed cuts stay as they are in both.
class BandResponse
{
public:
    BandResponse(int rate, const std::vector<double>& centres, double octaves, bool midSide);
    std::vector<double> evaluate(int channel, const BandSet& bands);
    // The channel with flat bands, fixed cuts included, in dB.
    const std::vector<double>& flat(int channel) const { return flat_[channel]; }

private:
    std::vector<double> levels(int channel);

    int rate_;
    std::vector<double> centres_;
    double octaves_;
    SignalPath path_;
    std::unique_ptr<ffft::FFTReal<float>> fft_; // of the whole transform length
    std::vector<float> spectrum_;
    std::vector<double> power_;
    std::vector<double> flat_[kNumChannels];
};

struct ChannelFit
{
    BandSet bands;
    std::vector<double> fitted; // the bands' response at the centres, dB
    double beforeRmsDb = 0;     // of the target, its mean removed
    double afterRmsDb = 0;      // of what remains
    double offsetDb = 0;        // the mean of what remains: a level, not a tone
    int evaluations = 0;
};

// The spread of `values` about their mean, RMS: a level offset is no tonal
// difference. Only where `weights` (if given) are not 0.
double rmsAboutMean(const std::vector<double>& values, const std::vector<double>* weights = nullptr);

// Where the fixed cuts take VOSK's flat response further down than this, the
// cuts decide and the bands are not fitted to the target.
constexpr double kFixedCutLimitDb = -1.0;

// Fits `channel`'s bands to `amount` x `target` (dB per centre) from several starts
// and keeps the best; before and after are measured against the whole target,
// at every centre.
ChannelFit fitChannel(BandResponse& response, int channel, const std::vector<double>& centres,
                      const std::vector<double>& target, double amount);

} // namespace vosk
