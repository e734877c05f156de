// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Intake of normalised parameter values into the processing settings.
#include "source/dsp/intake.h"
#include "source/dsp/settings.h"
#include "source/parameterids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vosk {
namespace {

const FilterSection& band(const ProcessingSettings& s, int channel, int b)
{
    return s.sections[channel][b];
}

TEST(Settings, ConstructorDefaultsAndTheirNormalisedValues)
{
    ProcessingSettings s;
    const float freqs[4] = {88.0f, 650.0f, 1200.0f, 12000.0f};
    const float expectedFreqNorm[4] = {0.2145f, 0.5040f, 0.5927f, 0.9261f};
    for (int c = 0; c < 2; ++c) {
        EXPECT_TRUE(s.sections[c][0].on);
        EXPECT_EQ(s.sections[c][0].shape, ShapeLowCut);
        EXPECT_EQ(s.sections[c][0].freqHz, 29.0f);
        EXPECT_TRUE(s.sections[c][7].on);
        EXPECT_EQ(s.sections[c][7].shape, ShapeHighCut);
        EXPECT_EQ(s.sections[c][7].freqHz, 18000.0f);
        EXPECT_FALSE(s.sections[c][5].on);
        EXPECT_FALSE(s.sections[c][6].on);
        EXPECT_FALSE(s.sections[c][0].reportPending);
        for (int b = 1; b <= 4; ++b) {
            const FilterSection& sec = band(s, c, b);
            EXPECT_TRUE(sec.on);
            EXPECT_TRUE(sec.reportPending);
            EXPECT_EQ(sec.shape, ShapeBell);
            EXPECT_EQ(sec.freqHz, freqs[b - 1]);
            EXPECT_NEAR(sec.freqNorm, expectedFreqNorm[b - 1], 1e-4);
            EXPECT_NEAR(frequencyFromNorm(sec.freqNorm), freqs[b - 1], freqs[b - 1] * 1e-5);
            EXPECT_EQ(sec.qNorm, 1.0f);
            EXPECT_EQ(sec.gainNorm, 0.5f);
            EXPECT_FLOAT_EQ(sec.widthNorm, b == 4 ? 0.175f : 0.25f);
        }
    }
    EXPECT_TRUE(s.linked);
    EXPECT_FALSE(s.midSide);
    EXPECT_EQ(s.inputGain, 1.0f);
}

TEST(Settings, ContinuousMappings)
{
    ProcessingSettings s;
    applyParameter(s, kLink, 1.0); // unlinked, so each change stays on its own channel
    applyParameter(s, kFreq2L, 0.0);
    EXPECT_NEAR(band(s, 0, 2).freqHz, 20.0f, 1e-3);
    applyParameter(s, kFreq2L, 1.0);
    EXPECT_NEAR(band(s, 0, 2).freqHz, 20000.0f, 1e-1);
    EXPECT_EQ(band(s, 0, 2).freqNorm, 1.0f);
    EXPECT_EQ(band(s, 1, 2).freqHz, 650.0f);

    applyParameter(s, kGain3R, 0.25);
    EXPECT_EQ(band(s, 1, 3).gain, -0.25f);
    applyParameter(s, kGain3R, 0.75);
    EXPECT_EQ(band(s, 1, 3).gain, 0.5f);
    applyParameter(s, kGain3R, 1.0);
    EXPECT_EQ(band(s, 1, 3).gain, 1.0f);
    applyParameter(s, kGain3R, 0.0);
    EXPECT_EQ(band(s, 1, 3).gain, -0.5f);

    applyParameter(s, kBW1L, 0.75);
    EXPECT_EQ(band(s, 0, 1).width, 1.5f);
    applyParameter(s, kBW1L, 0.02);
    EXPECT_EQ(band(s, 0, 1).width, 0.1f);
    EXPECT_FLOAT_EQ(band(s, 0, 1).widthNorm, 0.02f);

    applyParameter(s, kQ4L, 0.3);
    EXPECT_EQ(band(s, 0, 4).q, 0.3f);

    applyParameter(s, kInGain, 0.5);
    EXPECT_EQ(s.inputGain, 2.0f);
    applyParameter(s, kLgain, 0.125);
    applyParameter(s, kRgain, 0.75);
    EXPECT_EQ(s.channelGain[0], 0.5f);
    EXPECT_EQ(s.channelGain[1], 3.0f);
}

TEST(Settings, SwitchesAndListsCompareTheDoubleValue)
{
    ProcessingSettings s;
    applyParameter(s, kBypass, 0.5);
    EXPECT_FALSE(s.bypass);
    applyParameter(s, kBypass, 0.5000001);
    EXPECT_TRUE(s.bypass);
    applyParameter(s, kMidSide, 0.4999);
    EXPECT_TRUE(s.midSide); // inverted switch
    applyParameter(s, kMidSide, 0.5);
    EXPECT_FALSE(s.midSide);

    applyParameter(s, kShape1L, 0.25);
    EXPECT_EQ(band(s, 0, 1).shape, ShapeBell);
    applyParameter(s, kShape1L, 0.5);
    EXPECT_EQ(band(s, 0, 1).shape, ShapeLowCut);
    applyParameter(s, kShape1L, 0.9999999);
    EXPECT_EQ(band(s, 0, 1).shape, ShapeBell);
    applyParameter(s, kShape1L, 1.0);
    EXPECT_EQ(band(s, 0, 1).shape, ShapeHighCut);

    applyParameter(s, kType3, 0.2);
    EXPECT_EQ(band(s, 0, 3).shape, ShapeLowCut);
    EXPECT_EQ(band(s, 1, 3).shape, ShapeLowCut);
    applyParameter(s, kType3, 0.8);
    EXPECT_EQ(band(s, 1, 3).shape, ShapeBell);
    applyParameter(s, kType3, 0.81);
    EXPECT_EQ(band(s, 0, 3).shape, ShapeHighCut);

    applyParameter(s, kOnLoCut, 0.0);
    EXPECT_FALSE(s.sections[0][0].on);
    EXPECT_FALSE(s.sections[1][0].on);
    applyParameter(s, kOnHiCut, 0.0);
    EXPECT_FALSE(s.sections[1][7].on);
}

TEST(Settings, MuteRulesNeverSilenceBothChannels)
{
    ProcessingSettings s;
    applyParameter(s, kMuteSide, 0.0);
    EXPECT_EQ(s.channelEnabled[1], 0);
    EXPECT_EQ(s.channelEnabled[0], 1);
    EXPECT_EQ(s.enableReportPending[0], 1);
    applyParameter(s, kMuteMid, 0.0); // side comes back on and its echo is queued
    EXPECT_EQ(s.channelEnabled[0], 0);
    EXPECT_EQ(s.channelEnabled[1], 1);
    EXPECT_EQ(s.enableReportPending[1], 1);
    applyParameter(s, kMuteMid, 1.0);
    EXPECT_EQ(s.channelEnabled[0], 1);
}

TEST(Settings, HostCanClearButNeverSetAClipIndicator)
{
    ProcessingSettings s;
    applyParameter(s, kLpeak, 1.0);
    EXPECT_FALSE(s.clip[0]);
    s.clip[1] = true;
    applyParameter(s, kRpeak, 0.9);
    EXPECT_TRUE(s.clip[1]);
    applyParameter(s, kRpeak, 0.0);
    EXPECT_FALSE(s.clip[1]);
}

TEST(Settings, LinkShiftsThePartnerByTheSameAmountAndClamps)
{
    ProcessingSettings s;
    applyParameter(s, kLink, 1.0);
    applyParameter(s, kFreq1L, 0.5);
    applyParameter(s, kFreq1R, 0.6);
    applyParameter(s, kLink, 0.7); // still off: no copy
    EXPECT_FLOAT_EQ(band(s, 1, 1).freqNorm, 0.6f);
    s.sections[0][1].freqNorm = 0.5f;
    s.linked = true; // on without the copy that kLink makes
    s.sections[1][1].reportPending = false;

    applyParameter(s, kFreq1L, 0.7);
    EXPECT_NEAR(band(s, 1, 1).freqNorm, 0.8f, 1e-6);
    EXPECT_EQ(band(s, 1, 1).freqHz, frequencyFromNorm(band(s, 1, 1).freqNorm));
    EXPECT_TRUE(band(s, 1, 1).reportPending);
    applyParameter(s, kFreq1L, 0.95);
    EXPECT_EQ(band(s, 1, 1).freqNorm, 1.0f);
    applyParameter(s, kFreq1L, 0.0); // a move down from 0.95 by 0.95 leaves the partner at 0.05
    EXPECT_NEAR(band(s, 1, 1).freqNorm, 0.05f, 1e-6);
    applyParameter(s, kFreq1L, 0.0);
    applyParameter(s, kFreq1R, 0.0); // partner (channel 0) moves by -0.05 from 0, clamped at 0
    EXPECT_EQ(band(s, 0, 1).freqNorm, 0.0f);

    applyParameter(s, kGain2R, 0.9); // 0.4 above channel 1's 0.5: channel 0 goes to 0.9 too
    EXPECT_FLOAT_EQ(band(s, 0, 2).gainNorm, 0.9f);
    EXPECT_FLOAT_EQ(band(s, 0, 2).gain, 0.8f);
    applyParameter(s, kQ3L, 0.25);
    EXPECT_EQ(band(s, 1, 3).q, 0.25f);
    applyParameter(s, kBW4L, 0.5);
    EXPECT_NEAR(band(s, 1, 4).widthNorm, 0.5f, 1e-7);
    applyParameter(s, kOn2R, 0.0);
    EXPECT_FALSE(band(s, 0, 2).on);
    applyParameter(s, kShape3R, 0.5);
    EXPECT_EQ(band(s, 0, 3).shape, ShapeLowCut);
}

TEST(Settings, LinkingCopiesChannelZeroButNotTheShape)
{
    ProcessingSettings s;
    applyParameter(s, kLink, 1.0);
    applyParameter(s, kFreq2L, 0.3);
    applyParameter(s, kGain2L, 0.8);
    applyParameter(s, kShape2L, 0.5);
    applyParameter(s, kOn3L, 0.0);
    for (int b = 1; b <= 4; ++b) s.sections[1][b].reportPending = false;
    applyParameter(s, kLink, 0.2);
    EXPECT_TRUE(s.linked);
    EXPECT_EQ(band(s, 1, 2).freqNorm, 0.3f);
    EXPECT_EQ(band(s, 1, 2).freqHz, band(s, 0, 2).freqHz);
    EXPECT_EQ(band(s, 1, 2).gain, band(s, 0, 2).gain);
    EXPECT_EQ(band(s, 1, 2).shape, ShapeBell);
    EXPECT_FALSE(band(s, 1, 3).on);
    for (int b = 1; b <= 4; ++b) EXPECT_TRUE(band(s, 1, b).reportPending);
}

TEST(Settings, NonFiniteValuesAreIgnored)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double v : bad) {
        ProcessingSettings s;
        for (uint32_t id = 0; id < kNumControlTags; ++id) applyParameter(s, id, v);
        ProcessingSettings fresh;
        EXPECT_EQ(s.inputGain, fresh.inputGain);
        EXPECT_EQ(s.channelGain[0], fresh.channelGain[0]);
        EXPECT_EQ(s.linked, fresh.linked);
        for (int c = 0; c < 2; ++c) {
            for (int b = 0; b < kNumSections; ++b) {
                EXPECT_EQ(s.sections[c][b].freqHz, fresh.sections[c][b].freqHz);
                EXPECT_EQ(s.sections[c][b].gain, fresh.sections[c][b].gain);
                EXPECT_EQ(s.sections[c][b].on, fresh.sections[c][b].on);
                EXPECT_EQ(s.sections[c][b].shape, fresh.sections[c][b].shape);
            }
        }
    }
}

} // namespace
} // namespace vosk
