// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The true peak of a signal, as ITU-R BS.1770-4 Annex 2 measures it: the
// largest magnitude of the signal oversampled four times by an interpolating
// filter (twice from 96 kHz, not at all from 192 kHz, where the samples come
// close enough to the waveform).
#pragma once

#include <vector>

namespace vosk {

class TruePeakMeter
{
public:
    TruePeakMeter(int channels, int rate);

    void add(const float* interleaved, long long frames);

    // Linear, the largest of all channels. The signal counts as preceded and
    // followed by silence, so the waveform between its last sample and the
    // silence counts too, as a converter plays it.
    double truePeak() const;
    double samplePeak() const { return sampleMax; }
    int oversampling() const { return factor; }

    // The filter's taps per phase of the oversampled signal.
    static constexpr int kTaps = 16;

private:
    int channels;
    int factor;
    // Phases 1 .. factor-1, kTaps each: phase 0 is the samples themselves.
    std::vector<float> phaseTaps;
    // Per channel: the last kTaps - 1 samples, then room for a block.
    std::vector<std::vector<float>> lines;
    double interpolatedMax = 0;
    double sampleMax = 0;
};

} // namespace vosk
