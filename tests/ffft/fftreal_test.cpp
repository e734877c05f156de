// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ffft/FFTReal.h"

#include "fft_test_util.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using ffft::FFTReal;
using fft_test::max_abs_difference;
using fft_test::random_signal;

// Error of one output relative to the input size, in units of float epsilon
// times sqrt(N): a few per pass, plus the drift of the oscillator above 8192
// points, whose single-precision recurrence loses about a tenth of an epsilon
// per step (measured 0.03) over its N/4 - 1 steps.
double rounding_bound(int n)
{
    const double passes = std::log2(double(n)) + 1.0;
    const double oscillator_steps = (n > 8192) ? n / 4 - 1 : 0;
    return FLT_EPSILON * (4.0 * passes + 0.1 * oscillator_steps);
}

double tolerance(int n, double input_scale)
{
    return rounding_bound(n) * std::sqrt(double(n)) * input_scale;
}

class EveryLength : public ::testing::TestWithParam<int>
{
};

TEST_P(EveryLength, ForwardMatchesDirectTransform)
{
    const int n = GetParam();
    FFTReal<float> fft(n);
    const std::vector<float> x = random_signal(n, 1000u + unsigned(n));
    std::vector<float> f(static_cast<std::size_t>(n), -99.0f);
    fft.forward_transform(f.data(), x.data());
    const double error = max_abs_difference(f, fft_test::direct_forward(x));
    EXPECT_LE(error, tolerance(n, 1.0)) << "N = " << n;
}

TEST_P(EveryLength, InverseMatchesDirectTransform)
{
    const int n = GetParam();
    FFTReal<float> fft(n);
    const std::vector<float> f = random_signal(n, 2000u + unsigned(n));
    std::vector<float> x(static_cast<std::size_t>(n), -99.0f);
    fft.inverse_transform(f.data(), x.data());
    // The inverse sums about twice as many terms of the same size.
    const double error = max_abs_difference(x, fft_test::direct_inverse(f));
    EXPECT_LE(error, 2.0 * tolerance(n, 1.0)) << "N = " << n;
}

TEST_P(EveryLength, InverseLeavesItsInputUnchangedAndRescaleRestoresTheSignal)
{
    const int n = GetParam();
    FFTReal<float> fft(n);
    const std::vector<float> x = random_signal(n, 3000u + unsigned(n));
    std::vector<float> f(static_cast<std::size_t>(n));
    fft.forward_transform(f.data(), x.data());
    const std::vector<float> spectrum = f;
    std::vector<float> y(static_cast<std::size_t>(n));
    fft.inverse_transform(f.data(), y.data());
    EXPECT_EQ(0, std::memcmp(spectrum.data(), f.data(), f.size() * sizeof(float)));

    fft.rescale_by_length(y.data());
    double worst = 0.0;
    for (int i = 0; i < n; ++i)
        worst = std::fmax(worst, std::fabs(double(y[std::size_t(i)]) - x[std::size_t(i)]));
    EXPECT_LE(worst, 3.0 * tolerance(n, 1.0) / std::sqrt(double(n))) << "N = " << n;
}

TEST_P(EveryLength, ImpulsesGiveUnitCosineAndSineRows)
{
    const int n = GetParam();
    FFTReal<float> fft(n);
    std::vector<float> x(static_cast<std::size_t>(n), 0.0f), f(static_cast<std::size_t>(n));
    x[0] = 1.0f;
    fft.forward_transform(f.data(), x.data());
    for (int k = 0; k <= n / 2; ++k) EXPECT_EQ(1.0f, f[std::size_t(k)]) << "k = " << k;
    for (int k = n / 2 + 1; k < n; ++k) EXPECT_EQ(0.0f, f[std::size_t(k)]) << "k = " << k;

    if (n < 2) return;
    x[0] = 0.0f;
    x[1] = 1.0f;
    fft.forward_transform(f.data(), x.data());
    for (int k = 0; k <= n / 2; ++k) {
        EXPECT_NEAR(std::cos(2.0 * M_PI * k / n), f[std::size_t(k)], rounding_bound(n)) << "k = " << k;
    }
    for (int k = 1; k < n / 2; ++k) {
        EXPECT_NEAR(std::sin(2.0 * M_PI * k / n), f[std::size_t(n / 2 + k)], rounding_bound(n))
            << "k = " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, EveryLength,
                         ::testing::Values(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192,
                                           16384),
                         [](const ::testing::TestParamInfo<int>& param_info) {
                             return "N" + std::to_string(param_info.param);
                         });

TEST(FFTRealExamples, FourPointsForwardInverseAndRescale)
{
    FFTReal<float> fft(4);
    const float x[4] = {1, 2, 3, 4};
    float f[4], y[4];
    fft.forward_transform(f, x);
    EXPECT_EQ((std::vector<float>{10, -2, -2, -2}), std::vector<float>(f, f + 4));
    fft.inverse_transform(f, y);
    EXPECT_EQ((std::vector<float>{4, 8, 12, 16}), std::vector<float>(y, y + 4));
    fft.rescale_by_length(y);
    EXPECT_EQ((std::vector<float>{1, 2, 3, 4}), std::vector<float>(y, y + 4));
}

TEST(FFTRealExamples, EightPointsExactOnSmallIntegers)
{
    // Two stages only: a signal of the first and third bins comes out exactly.
    FFTReal<float> fft(8);
    const float x[8] = {1, 0, -1, 0, 1, 0, -1, 0};
    float f[8];
    fft.forward_transform(f, x);
    const std::vector<float> expected = {0, 0, 4, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, std::vector<float>(f, f + 8));
    const float y_in[8] = {0, 1, 0, -1, 0, 1, 0, -1};
    fft.forward_transform(f, y_in);
    const std::vector<float> sine = {0, 0, 0, 0, 0, 0, 4, 0};
    EXPECT_EQ(sine, std::vector<float>(f, f + 8));
}

TEST(FFTRealExamples, RoundTripAtTheProcessorLength)
{
    const int n = 16384;
    FFTReal<float> fft(n);
    const std::vector<float> x = random_signal(n, 77u);
    std::vector<float> f(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    fft.forward_transform(f.data(), x.data());
    fft.inverse_transform(f.data(), y.data());
    double worst = 0.0, energy = 0.0;
    for (int i = 0; i < n; ++i) {
        const double expected = double(n) * x[std::size_t(i)];
        worst = std::fmax(worst, std::fabs(double(y[std::size_t(i)]) - expected));
        energy += expected * expected;
    }
    // Relative to the signal's rms, the error stays within two transforms'
    // rounding, oscillator drift included (measured about 350 epsilons).
    const double rms = std::sqrt(energy / n);
    EXPECT_LE(worst / rms, 2.0 * rounding_bound(n));
}

// An impulse at sample 1 reads the last level's twiddles straight out: at 16384
// points that level's recursion drifts by about a hundred epsilons along them,
// and exact twiddles hold each row within its own rounding.
TEST(FFTRealExamples, ExactTwiddlesGiveTheRowsWithoutTheRecursionsDrift)
{
    const int n = 16384;
    FFTReal<float> fft(n, ffft::widest_lanes(), true, true);
    std::vector<float> x(static_cast<std::size_t>(n), 0.0f), f(static_cast<std::size_t>(n));
    x[1] = 1.0f;
    fft.forward_transform(f.data(), x.data());
    for (int k = 0; k <= n / 2; ++k)
        ASSERT_NEAR(std::cos(2.0 * M_PI * k / n), f[std::size_t(k)], FLT_EPSILON) << "k = " << k;
    for (int k = 1; k < n / 2; ++k)
        ASSERT_NEAR(std::sin(2.0 * M_PI * k / n), f[std::size_t(n / 2 + k)], FLT_EPSILON) << "k = " << k;
}

TEST(FFTRealExamples, RescaleMultipliesEveryValueByTheReciprocalLength)
{
    for (int n : {1, 2, 4, 8, 16384}) {
        FFTReal<float> fft(n);
        std::vector<float> x(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) x[std::size_t(i)] = float(i + 1);
        fft.rescale_by_length(x.data());
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(float(i + 1) * (1.0f / float(n)), x[std::size_t(i)]) << "N = " << n << ", i = " << i;
        }
    }
}

TEST(FFTRealExamples, TransformsUseOnlyTheirArguments)
{
    // Two objects of one length give the same answers as one object used twice:
    // no state survives a call.
    const int n = 8192;
    FFTReal<float> a(n), b(n);
    const std::vector<float> x1 = random_signal(n, 5u), x2 = random_signal(n, 6u);
    std::vector<float> fa(static_cast<std::size_t>(n)), fb(static_cast<std::size_t>(n));
    a.forward_transform(fa.data(), x1.data());
    a.forward_transform(fa.data(), x2.data());
    b.forward_transform(fb.data(), x2.data());
    EXPECT_EQ(fa, fb);
}

// Contracts: each violation names its condition and stops.
using FFTRealContractsDeathTest = ::testing::Test;

TEST_F(FFTRealContractsDeathTest, ConstructorRejectsBadLengths)
{
    EXPECT_DEATH(FFTReal<float>(12), "FFTReal_is_pow2 \\(length\\)");
    EXPECT_DEATH(FFTReal<float>(0), "x > 0");
    EXPECT_DEATH(FFTReal<float>(-16), "x > 0");
}

TEST_F(FFTRealContractsDeathTest, TransformsRejectBadArrays)
{
    FFTReal<float> fft(16);
    std::vector<float> a(16), b(16);
    EXPECT_DEATH(fft.forward_transform(nullptr, a.data()), "f != 0");
    EXPECT_DEATH(fft.forward_transform(a.data(), nullptr), "x != 0");
    EXPECT_DEATH(fft.forward_transform(a.data(), a.data()), "x != f");
    EXPECT_DEATH(fft.forward_transform(fft.use_buffer(), a.data()), "f != use_buffer \\(\\)");
    EXPECT_DEATH(fft.forward_transform(a.data(), fft.use_buffer()), "x != use_buffer \\(\\)");
    EXPECT_DEATH(fft.inverse_transform(nullptr, a.data()), "f != 0");
    EXPECT_DEATH(fft.inverse_transform(a.data(), nullptr), "x != 0");
    EXPECT_DEATH(fft.inverse_transform(a.data(), a.data()), "x != f");
    EXPECT_DEATH(fft.inverse_transform(fft.use_buffer(), b.data()), "f != use_buffer \\(\\)");
    EXPECT_DEATH(fft.inverse_transform(b.data(), fft.use_buffer()), "x != use_buffer \\(\\)");
}

TEST_F(FFTRealContractsDeathTest, ArrayChecksSizeAndIndex)
{
    ffft::DynArray<int> array(3);
    EXPECT_EQ(3, array.size());
    array[2] = 7;
    EXPECT_EQ(7, array[2]);
    EXPECT_DEATH(array[3], "pos < _len");
    EXPECT_DEATH(array[-1], "pos >= 0");
    EXPECT_DEATH(array.resize(-1), "size >= 0");
    array.resize(0);
    EXPECT_EQ(0, array.size());
    EXPECT_DEATH(array[0], "pos < _len");
}

} // namespace
