// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "source/dsp/settings.h"

namespace vosk {

ProcessingSettings::ProcessingSettings()
{
    struct Default
    {
        bool on;
        float freqHz, width;
        int32_t shape;
    };
    static const Default defaults[kNumSections] = {
        {true, 29.0f, 1.0f, ShapeLowCut},  {true, 88.0f, 1.0f, ShapeBell},
        {true, 650.0f, 1.0f, ShapeBell},   {true, 1200.0f, 1.0f, ShapeBell},
        {true, 12000.0f, 0.7f, ShapeBell}, {false, 1000.0f, 1.0f, ShapeBell},
        {false, 1000.0f, 1.0f, ShapeBell}, {true, 18000.0f, 1.0f, ShapeHighCut},
    };
    for (auto& channel : sections) {
        for (int s = 0; s < kNumSections; ++s) {
            FilterSection& sec = channel[s];
            sec.on = defaults[s].on;
            sec.freqHz = defaults[s].freqHz;
            sec.q = 1.0f;
            sec.gain = 0.0f;
            sec.width = defaults[s].width;
            sec.shape = defaults[s].shape;
            if (s >= kFirstBand && s < kFirstBand + kNumBands) {
                sec.freqNorm = static_cast<float>(normFromFrequency(sec.freqHz));
                sec.qNorm = sec.q;
                sec.widthNorm = initialWidthNorm(sec.width);
                sec.gainNorm = static_cast<float>(bandGainNormFromDb(0.0)); // no gain
                sec.reportPending = true;
            }
        }
    }
}

} // namespace vosk
