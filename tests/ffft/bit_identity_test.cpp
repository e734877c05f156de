// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The optimised transform must give exactly the plain scalar results.
#include "ffft/FFTReal.h"

#include "fft_test_util.h"
#include "scalar_reference.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

::testing::AssertionResult bitwise_equal(const std::vector<float>& expected, const std::vector<float>& actual)
{
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(float)) != 0) {
            return ::testing::AssertionFailure()
                   << "first difference at " << i << ": " << expected[i] << " expected, " << actual[i];
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(FFTRealBitIdentity, BothDirectionsEveryLength)
{
    for (int bits = 0; bits <= 14; ++bits) {
        const int n = 1 << bits;
        ffft::FFTReal<float> fft(n);
        reference::ScalarFft ref(n);
        for (std::uint32_t trial = 0; trial < 4; ++trial) {
            // Inputs of different scales exercise different rounding.
            const float scale = (trial == 3) ? 1.0e6f : 1.0f + float(trial);
            std::vector<float> x = fft_test::random_signal(n, 100u * std::uint32_t(bits) + trial, scale);
            if (trial == 2) {
                // Signed zeros among small integers: the sign of every zero must match too.
                for (float& v : x) v = (v > 2.0f) ? 1.0f : (v > 0.0f) ? 0.0f : (v > -2.0f) ? -0.0f : -1.0f;
            }
            std::vector<float> expected(static_cast<std::size_t>(n)),
                actual(static_cast<std::size_t>(n), 123.0f);
            ref.forward(expected.data(), x.data());
            fft.forward_transform(actual.data(), x.data());
            EXPECT_TRUE(bitwise_equal(expected, actual)) << "forward, N = " << n << ", trial " << trial;

            ref.inverse(x.data(), expected.data());
            fft.inverse_transform(x.data(), actual.data());
            EXPECT_TRUE(bitwise_equal(expected, actual)) << "inverse, N = " << n << ", trial " << trial;
        }
    }
}

TEST(FFTRealBitIdentity, LevelsBeyondTheTable)
{
    // 32768 points run level 13 on an oscillator and level 14 on exact values.
    const int n = 32768;
    ffft::FFTReal<float> fft(n);
    reference::ScalarFft ref(n);
    const std::vector<float> x = fft_test::random_signal(n, 4242u);
    std::vector<float> expected(static_cast<std::size_t>(n)), actual(static_cast<std::size_t>(n));
    ref.forward(expected.data(), x.data());
    fft.forward_transform(actual.data(), x.data());
    EXPECT_TRUE(bitwise_equal(expected, actual));
    ref.inverse(x.data(), expected.data());
    fft.inverse_transform(x.data(), actual.data());
    EXPECT_TRUE(bitwise_equal(expected, actual));
}

} // namespace
