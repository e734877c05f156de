// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness and true peak against the synthetic cases of EBU Tech 3341, generated here.
#include "cli/levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vosk;

namespace {

constexpr int kRate = 48000;

struct Step
{
    double dbfs;
    double seconds;
};

// A stereo 1 kHz sine in both channels, its level stepping as given.
LevelReport measureSteps(const std::vector<Step>& steps)
{
    LevelMeter meter(2, kRate);
    std::vector<float> block;
    long long n = 0;
    for (const Step& s : steps) {
        const double amplitude = std::pow(10.0, s.dbfs / 20.0);
        const long long frames = std::llround(s.seconds * kRate);
        block.resize(static_cast<size_t>(2 * frames));
        for (long long i = 0; i < frames; ++i, ++n)
            block[static_cast<size_t>(2 * i)] = block[static_cast<size_t>(2 * i + 1)] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * 1000.0 * static_cast<double>(n) / kRate));
        meter.add(block.data(), frames);
    }
    return meter.report();
}

TEST(Loudness, SyntheticCasesOfTech3341ReadWithinTheirTolerance)
{
    struct Case
    {
        const char* name;
        std::vector<Step> steps;
        double lufs;
    } cases[] = {
        {"case 1", {{-23, 20}}, -23.0},
        {"case 2", {{-33, 20}}, -33.0},
        {"case 3", {{-36, 10}, {-23, 60}, {-36, 10}}, -23.0},
        {"case 4", {{-72, 10}, {-36, 10}, {-23, 60}, {-36, 10}, {-72, 10}}, -23.0},
        {"case 5", {{-26, 20}, {-20, 20.1}, {-26, 20}}, -23.0},
    };
    for (const auto& c : cases) {
        const LevelReport r = measureSteps(c.steps);
        ASSERT_TRUE(r.integratedLufs) << c.name;
        EXPECT_NEAR(*r.integratedLufs, c.lufs, 0.1) << c.name;
    }
}

TEST(Loudness, TruePeakSeesBetweenTheSamples)
{
    // A sine at a quarter of the rate with a 45 degree phase: every sample lies at
    // 0.707 (-3.01 dBFS), the waveform peaks at full scale.
    LevelMeter meter(2, kRate);
    std::vector<float> block(2 * kRate);
    for (int i = 0; i < kRate; ++i)
        block[static_cast<size_t>(2 * i)] = block[static_cast<size_t>(2 * i + 1)] =
            static_cast<float>(std::sin(M_PI / 2 * i + M_PI / 4));
    meter.add(block.data(), kRate);
    const LevelReport r = meter.report();
    ASSERT_TRUE(r.samplePeakDbfs && r.truePeakDbtp);
    EXPECT_NEAR(*r.samplePeakDbfs, -3.01, 0.01);
    EXPECT_LE(*r.truePeakDbtp, 0.2);
    EXPECT_GE(*r.truePeakDbtp, -0.4);
}

TEST(Loudness, SilenceHasNoFiguresButItsLength)
{
    LevelMeter meter(2, kRate);
    std::vector<float> block(2 * kRate, 0.0f);
    meter.add(block.data(), kRate);
    const LevelReport r = meter.report();
    EXPECT_FALSE(r.integratedLufs || r.loudnessRangeLu || r.truePeakDbtp || r.samplePeakDbfs || r.rmsDbfs ||
                 r.crestDb || r.correlation);
    EXPECT_DOUBLE_EQ(r.seconds, 1.0);
    EXPECT_EQ(r.dcOffset, (std::vector<double>{0.0, 0.0}));
}

} // namespace
