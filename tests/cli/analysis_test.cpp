// The response analysis against filters whose response is known in closed form.
#include "cli/analysis.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vosk;

namespace {

TEST(Analysis, PureDelayIsFlatWithItsDelay)
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

TEST(Analysis, SymmetricKernelMatchesItsClosedForm)
{
    // h = [0.25, 0.5, 0.25] at n = 100..102: |H| = 0.5 (1 + cos w), delay 101.
    std::vector<float> h(300, 0.0f);
    h[100] = 0.25f, h[101] = 0.5f, h[102] = 0.25f;
    const double rate = 44100;
    const auto freqs = logFrequencies(10, 20000, 40);
    const auto curve = analyseImpulse(h, rate, freqs);
    for (size_t i = 0; i < freqs.size(); ++i) {
        const double w = 2 * M_PI * freqs[i] / rate;
        EXPECT_NEAR(curve.magnitudeDb[i], 20 * std::log10(0.5 * (1 + std::cos(w))), 1e-6) << freqs[i];
        EXPECT_NEAR(curve.groupDelaySamples[i], 101.0, 1e-6) << freqs[i];
    }
}

TEST(Analysis, FrequenciesAreLogSpacedBetweenTheEnds)
{
    const auto f = logFrequencies(10, 1000, 3);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_DOUBLE_EQ(f[0], 10);
    EXPECT_NEAR(f[1], 100, 1e-9);
    EXPECT_NEAR(f[2], 1000, 1e-9);
}

TEST(Analysis, CsvHasOneRowPerFrequencyAndEmptyDelaysForSilence)
{
    Response r;
    r.sampleRate = 1000;
    r.frequencies = {10, 100};
    r.curves.push_back({"left", {0.0, -3.0}, {5.0, NAN}});
    const std::string csv = responseCsv(r);
    EXPECT_EQ(csv, "frequency_hz,left_db,left_group_delay_ms\n10.000,0.0000,5.0000\n100.000,-3.0000,\n");
}

} // namespace
