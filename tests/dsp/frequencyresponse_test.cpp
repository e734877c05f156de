// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The response evaluation against filters whose response is known in closed form.
#include "source/dsp/frequencyresponse.h"

#include "common/numbers.h"
#include "source/dsp/settings.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vosk;

namespace {

TEST(FrequencyResponse, PureDelayIsFlatWithItsDelay)
{
    std::vector<float> h(4096, 0.0f);
    h[1234] = 0.5f;
    const auto freqs = logFrequencies(10, 24000, 50);
    const auto curve = analyseImpulse(h, 48000, freqs);
    for (size_t i = 0; i < freqs.size(); ++i) {
        EXPECT_NEAR(curve.magnitudeDb[i], 20 * std::log10(0.5), 1e-9);
        EXPECT_NEAR(curve.groupDelaySamples[i], 1234.0, 1e-6);
    }
}

TEST(FrequencyResponse, SymmetricKernelMatchesItsClosedForm)
{
    // h = [0.25, 0.5, 0.25] at n = 100..102: |H| = 0.5 (1 + cos w), delay 101.
    std::vector<float> h(300, 0.0f);
    h[100] = 0.25f, h[101] = 0.5f, h[102] = 0.25f;
    const double rate = 44100;
    const auto freqs = logFrequencies(10, 20000, 40);
    const auto curve = analyseImpulse(h, rate, freqs);
    for (size_t i = 0; i < freqs.size(); ++i) {
        const double w = 2 * kPi * freqs[i] / rate;
        EXPECT_NEAR(curve.magnitudeDb[i], 20 * std::log10(0.5 * (1 + std::cos(w))), 1e-6) << freqs[i];
        EXPECT_NEAR(curve.groupDelaySamples[i], 101.0, 1e-6) << freqs[i];
    }
}

TEST(FrequencyResponse, FrequenciesAreLogSpacedBetweenTheEnds)
{
    const auto f = logFrequencies(10, 1000, 3);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_DOUBLE_EQ(f[0], 10);
    EXPECT_NEAR(f[1], 100, 1e-9);
    EXPECT_NEAR(f[2], 1000, 1e-9);
}

// One evaluator kept through a series of changes, as the editor keeps it, draws
// what a new one draws for the same values: no design of earlier values stays.
TEST(FrequencyResponse, SignalPathCurvesFollowChangesAsAFreshStartDraws)
{
    struct Step
    {
        const char* what;
        double rate;
        int32_t fftSize;
        std::vector<std::pair<uint32_t, double>> changes;
    };
    const double initialWidth = initialWidthNorm(1.0f);
    const Step steps[] = {
        {"a bell on both channels", 48000, 16384, {{kOn2L, 1}, {kGain2L, bandGainNormFromDb(5)}, {kOn2R, 1}}},
        {"its width, unlinked", 48000, 16384, {{kLink, switchValue(kLink, false)}, {kBW2L, 0.8}}},
        {"the width back to its first value", 48000, 16384, {{kBW2L, initialWidth}}},
        {"mid/side, a gain and the low cut off",
         48000,
         16384,
         {{kMidSide, switchValue(kMidSide, true)}, {kLgain, 0.3}, {kOnLoCut, 0}}},
        {"the bell off", 48000, 16384, {{kOn2L, 0}}},
        {"another rate", 96000, 16384, {}},
        {"another length", 96000, 32768, {{kFreq2R, normFromFrequency(60)}}},
    };
    const auto freqs = logFrequencies(20, 20000, 64);
    std::vector<double> values(kNumControlTags, -1.0);
    SignalPathCurves kept;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        for (const auto& [id, value] : step.changes) values[id] = value;
        const ChannelCurves followed = kept.evaluate(values, step.rate, step.fftSize, freqs);
        const ChannelCurves fresh = SignalPathCurves().evaluate(values, step.rate, step.fftSize, freqs);
        EXPECT_EQ(followed.midSide, fresh.midSide);
        for (int c = 0; c < 2; ++c) {
            ASSERT_EQ(followed.magnitudeDb[c].size(), freqs.size());
            for (size_t i = 0; i < freqs.size(); ++i)
                EXPECT_NEAR(followed.magnitudeDb[c][i], fresh.magnitudeDb[c][i], 1e-9)
                    << c << " " << freqs[i];
        }
    }
}

} // namespace
