// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The response evaluation against filters whose response is known in closed form.
#include "source/dsp/frequencyresponse.h"

#include "common/numbers.h"

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

} // namespace
