// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Section kernels and the combined response, checked through their own spectra.
#include "dsp_test_util.h"

#include "source/dsp/responsedesign.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

namespace vosk {
namespace {

// The lengths of the default transform.
constexpr int32_t kFftSize = kDefaultTransform.n;
constexpr int32_t kHalfFft = kDefaultTransform.half();
constexpr int32_t kKernelCentre = kDefaultTransform.centre();
constexpr int32_t kMaxSectionLength = kDefaultTransform.maxSectionLength();
constexpr int32_t kHighCutLength = kDefaultTransform.highCutLength();

constexpr int32_t kRate = 44100;

// Magnitude of the response held in `taps` at `hz`, by a direct DFT of the taps.
double magnitudeAt(const std::vector<float>& taps, double hz, double rate = kRate)
{
    std::complex<double> sum = 0.0;
    for (size_t n = 0; n < taps.size(); ++n) {
        if (taps[n] != 0.0f)
            sum += static_cast<double>(taps[n]) * std::polar(1.0, -2.0 * M_PI * hz * n / rate);
    }
    return std::abs(sum);
}

std::vector<float> design(int32_t shape, float freqHz, float q, float gain, float width, int32_t length = -1)
{
    BandSettings sec;
    sec.shape = shape;
    sec.freqHz = freqHz;
    sec.q = q;
    sec.gain = gain;
    sec.width = width;
    std::vector<float> buffer(kFftSize, 0.0f);
    WindowCache windows;
    windows.allocate(kMaxSectionLength);
    designSection(sec, length > 0 ? length : bandSectionLength(freqHz, q, kRate, kMaxSectionLength),
                  buffer.data(), kRate, windows, kDefaultTransform);
    return buffer;
}

std::vector<float> channelTaps(const SignalPath& path, int channel)
{
    return path.kernelTaps(channel);
}

TEST(SectionLength, FollowsFrequencyAndSharpness)
{
    EXPECT_EQ(bandSectionLength(20.0f, 1.0f, kRate, kMaxSectionLength), 8191);
    EXPECT_EQ(bandSectionLength(20000.0f, 0.0f, kRate, kMaxSectionLength), 17);
    EXPECT_EQ(bandSectionLength(3528.0f, 0.0f, kRate, kMaxSectionLength), 101);  // exactly 100, made odd
    EXPECT_EQ(bandSectionLength(1000.0f, 0.5f, kRate, kMaxSectionLength), 589);  // 588 made odd
    EXPECT_EQ(bandSectionLength(1000.0f, 2.0f, kRate, kMaxSectionLength), 8191); // negative quotient
    EXPECT_EQ(bandSectionLength(0.0f, 1.0f, kRate, kMaxSectionLength), 8191);
    EXPECT_EQ(bandSectionLength(std::numeric_limits<float>::quiet_NaN(), 1.0f, kRate, kMaxSectionLength),
              8191);
    EXPECT_EQ(bandSectionLength(std::numeric_limits<float>::infinity(), 1.0f, kRate, kMaxSectionLength),
              8191);
    EXPECT_EQ(bandSectionLength(1e30f, 1.0f, kRate, kMaxSectionLength),
              1); // quotient truncates to 0, made odd
}

TEST(SectionDesign, KernelsAreCentredOnAQuarterOfTheTransform)
{
    const auto bell = design(ShapeBell, 1000.0f, 0.5f, 0.5f, 1.0f);
    const int32_t half = 589 / 2;
    for (int32_t i = 1; i <= half; ++i)
        ASSERT_NEAR(bell[kKernelCentre - i], bell[kKernelCentre + i],
                    1e-6 * std::fabs(bell[kKernelCentre + i]))
            << i;
    EXPECT_NE(bell[kKernelCentre + half], 0.0f);
    EXPECT_EQ(bell[kKernelCentre + half + 1], 0.0f);
    EXPECT_EQ(bell[kKernelCentre - half - 1], 0.0f);

    // The fixed high cut is odd too: 321 taps, as many after the centre as before it.
    const auto highCut = design(ShapeHighCut, 18000.0f, 1.0f, 0.0f, 1.0f, kHighCutLength);
    EXPECT_NE(highCut[kKernelCentre - 160], 0.0f);
    EXPECT_EQ(highCut[kKernelCentre + 160], highCut[kKernelCentre - 160]);
    EXPECT_EQ(highCut[kKernelCentre + 161], 0.0f);
    EXPECT_EQ(highCut[kKernelCentre - 161], 0.0f);
}

TEST(SectionDesign, TapsMatchTheWindowedSincTermByTerm)
{
    const float f = 3000.0f, width = 0.6f, gain = 0.75f;
    const int32_t length = bandSectionLength(f, 0.2f, kRate, kMaxSectionLength);
    const auto taps = design(ShapeBell, f, 0.2f, gain, width, length);
    const double pi = 3.1415927410125732, twoPi = 6.2831854820251465;
    const float t = static_cast<float>(twoPi * (f + f * width) / kRate);
    const float r = static_cast<float>(twoPi * (f - width * (f * 0.5)) / kRate);
    for (int32_t j = 0; j < length; ++j) {
        const int32_t i = j - length / 2;
        const double raw = i == 0 ? gain * (static_cast<double>(t) - r) / pi + 1.0
                                  : gain * std::sin(static_cast<double>(t) * i) / (pi * i) -
                                        gain * std::sin(static_cast<double>(r) * i) / (pi * i);
        const float w = static_cast<float>(0.54 - 0.46 * std::cos(twoPi * j / (length - 1)));
        float expected = static_cast<float>(raw) * w;
        expected = expected * w;
        ASSERT_EQ(taps[kKernelCentre - length / 2 + j], expected) << j;
    }
}

TEST(SectionDesign, BellMagnitudeIsOnePlusGainInsideItsBandAndOneOutside)
{
    // 12 kHz, width 0.7: the band runs from 7800 Hz to 20000 Hz (limited from 20400).
    const auto taps = design(ShapeBell, 12000.0f, 0.0f, 1.0f, 0.7f, kMaxSectionLength);
    EXPECT_NEAR(magnitudeAt(taps, 12000.0), 2.0, 0.01);
    EXPECT_NEAR(magnitudeAt(taps, 9000.0), 2.0, 0.01);
    EXPECT_NEAR(magnitudeAt(taps, 19500.0), 2.0, 0.02);
    EXPECT_NEAR(magnitudeAt(taps, 7000.0), 1.0, 0.01);
    EXPECT_NEAR(magnitudeAt(taps, 1000.0), 1.0, 0.01);
    EXPECT_NEAR(magnitudeAt(taps, 7800.0), 1.5, 0.05); // the edge is half way
    EXPECT_NEAR(magnitudeAt(taps, 21000.0), 1.0, 0.02);

    // A cut of 0.5 and a width of 2 at 40 Hz: the lower edge stops at 30 Hz.
    const auto wide = design(ShapeBell, 400.0f, 1.0f, -0.5f, 2.0f, kMaxSectionLength);
    EXPECT_NEAR(magnitudeAt(wide, 700.0), 0.5, 0.01); // between 100 and 1200 Hz
    EXPECT_NEAR(magnitudeAt(wide, 3000.0), 1.0, 0.01);
    const auto low = design(ShapeBell, 40.0f, 1.0f, -0.5f, 2.0f, kMaxSectionLength);
    EXPECT_NEAR(magnitudeAt(low, 30.0), 0.75, 0.05);
    EXPECT_NEAR(magnitudeAt(low, 80.0), 0.5, 0.02);
}

TEST(SectionDesign, CutsFallWhereTheirFrequenciesSay)
{
    const auto lowCut = design(ShapeLowCut, 1000.0f, 1.0f, 0.0f, 1.0f, kMaxSectionLength);
    EXPECT_NEAR(magnitudeAt(lowCut, 1000.0), 0.5, 0.01);
    EXPECT_LT(magnitudeAt(lowCut, 800.0), 0.01);
    EXPECT_NEAR(magnitudeAt(lowCut, 1200.0), 1.0, 0.01);

    const auto highCut = design(ShapeHighCut, 5000.0f, 1.0f, 0.0f, 1.0f, kMaxSectionLength);
    EXPECT_NEAR(magnitudeAt(highCut, 5000.0), 0.5, 0.01);
    EXPECT_NEAR(magnitudeAt(highCut, 4800.0), 1.0, 0.01);
    EXPECT_LT(magnitudeAt(highCut, 5200.0), 0.01);
}

TEST(SectionDesign, BellWithoutGainIsAUnitImpulse)
{
    const auto taps = design(ShapeBell, 650.0f, 1.0f, 0.0f, 1.0f);
    for (int32_t j = 0; j < kFftSize; ++j) ASSERT_EQ(taps[j], j == kKernelCentre ? 1.0f : 0.0f) << j;
}

TEST(CombinedResponse, LowAndHighCutsOfTheDefaultChannel)
{
    SignalPath path;
    path.prepare(kRate, 512);
    for (int c = 0; c < 2; ++c) {
        const auto taps = channelTaps(path, c);
        for (int32_t j = kHalfFft; j < kFftSize; ++j)
            ASSERT_NEAR(taps[j], 0.0f, 1e-7); // truncated to N/2 taps
        EXPECT_LT(magnitudeAt(taps, 20.0), 0.2);
        EXPECT_NEAR(magnitudeAt(taps, 29.0), 0.5, 0.05);
        EXPECT_NEAR(magnitudeAt(taps, 1000.0), 1.0, 0.01);
        EXPECT_NEAR(magnitudeAt(taps, 18000.0), 0.5, 0.05);
        EXPECT_LT(magnitudeAt(taps, 20000.0), 0.05);
    }
}

TEST(CombinedResponse, FurtherSectionsKeepTheCentreOnAQuarterOfTheTransform)
{
    SignalPath path;
    path.prepare(kRate, 512);
    test::allSectionsOff(path);
    path.applyParameter(kOn1L, 1.0); // bells without gain: unit impulses
    path.applyParameter(kOn2L, 1.0);
    path.applyParameter(kOn3L, 1.0);
    path.designNow();
    const auto taps = channelTaps(path, 0);
    EXPECT_NEAR(taps[kKernelCentre], 1.0f, 1e-6);
    for (int32_t j = 0; j < kHalfFft; ++j) {
        if (j != kKernelCentre) {
            ASSERT_NEAR(taps[j], 0.0f, 1e-6) << j;
        }
    }
}

} // namespace
} // namespace vosk
