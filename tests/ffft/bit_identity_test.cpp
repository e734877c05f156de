// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The optimised transform must give exactly the plain scalar results.
#include "ffft/FFTReal.h"

#include "fft_test_util.h"
#include "scalar_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace ffft {
void PrintTo(Lanes lanes, std::ostream* os)
{
    *os << lanes_name(lanes);
}
} // namespace ffft

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

// The dearest part of a transform, in the cost its callers spread.
std::int32_t dearest_part(const ffft::FFTReal<float>& fft)
{
    std::int32_t dearest = 0;
    for (std::int32_t p = 0; p < fft.forward_part_count(); ++p)
        dearest = std::max(dearest, fft.forward_part_cost(p));
    for (std::int32_t p = 0; p < fft.inverse_part_count(); ++p)
        dearest = std::max(dearest, fft.inverse_part_cost(p));
    return dearest;
}

// Every set of lanes this build and processor run; the others are skipped.
class FFTRealBitIdentity : public ::testing::TestWithParam<ffft::Lanes>
{
};

TEST_P(FFTRealBitIdentity, BothDirectionsEveryLengthWholeAndInParts)
{
    const ffft::Lanes lanes = GetParam();
    if (ffft::FFTReal<float>(64, lanes).lanes() != lanes)
        GTEST_SKIP() << ffft::lanes_name(lanes) << " lanes do not run here";
    // 32768 points run level 13 on an oscillator and level 14 on exact values;
    // from 32768 on, the widest levels' blocks are cut into several parts.
    [[maybe_unused]] const std::int32_t dearest_at_16384 = dearest_part(ffft::FFTReal<float>(16384, lanes));
    for (int bits = 0; bits <= 16; ++bits) {
        const int n = 1 << bits;
        ffft::FFTReal<float> fft(n, lanes);
        reference::ScalarFft ref(n);
#if defined(FFFT_USE_SSE2)
        // No part grows with the length (the portable path runs its first stages
        // as one part).
        if (bits > 14) {
            EXPECT_LE(dearest_part(fft), dearest_at_16384) << "N = " << n;
        }
#endif
        for (std::uint32_t trial = 0; trial < 4; ++trial) {
            // Inputs of different scales exercise different rounding.
            const float scale = (trial == 3) ? 1.0e6f : 1.0f + float(trial);
            std::vector<float> x = fft_test::random_signal(n, 100u * std::uint32_t(bits) + trial, scale);
            if (trial == 2) {
                // Signed zeros among small integers: the sign of every zero must match too.
                for (float& v : x) v = (v > 2.0f) ? 1.0f : (v > 0.0f) ? 0.0f : (v > -2.0f) ? -0.0f : -1.0f;
            }
            const std::size_t size = static_cast<std::size_t>(n);
            // The parts run on arrays of NaNs: a value read before a part wrote it shows.
            const float nan = std::numeric_limits<float>::quiet_NaN();
            std::vector<float> expected(size), actual(size, 123.0f), parts(size, nan), work(size, nan);
            ref.forward(expected.data(), x.data());
            fft.forward_transform(actual.data(), x.data());
            EXPECT_TRUE(bitwise_equal(expected, actual)) << "forward, N = " << n << ", trial " << trial;
            for (std::int32_t p = 0; p < fft.forward_part_count(); ++p)
                fft.forward_part(p, parts.data(), x.data(), work.data());
            EXPECT_TRUE(bitwise_equal(expected, parts))
                << "forward in parts, N = " << n << ", trial " << trial;

            ref.inverse(x.data(), expected.data());
            fft.inverse_transform(x.data(), actual.data());
            EXPECT_TRUE(bitwise_equal(expected, actual)) << "inverse, N = " << n << ", trial " << trial;
            std::fill(parts.begin(), parts.end(), nan);
            std::fill(work.begin(), work.end(), nan);
            for (std::int32_t p = 0; p < fft.inverse_part_count(); ++p)
                fft.inverse_part(p, x.data(), parts.data(), work.data());
            EXPECT_TRUE(bitwise_equal(expected, parts))
                << "inverse in parts, N = " << n << ", trial " << trial;

            for (float& v : expected) v *= 1.0f / float(n);
            fft.rescale_by_length(actual.data());
            EXPECT_TRUE(bitwise_equal(expected, actual)) << "rescaled, N = " << n << ", trial " << trial;
        }
    }
}

// An input that is zero past its first sixteenth: from those values alone, in
// parts, the whole transform's spectrum of the padded input.
TEST_P(FFTRealBitIdentity, ForwardOfAPaddedInputInParts)
{
    const ffft::Lanes lanes = GetParam();
    if (ffft::FFTReal<float>(64, lanes).lanes() != lanes)
        GTEST_SKIP() << ffft::lanes_name(lanes) << " lanes do not run here";
    for (int bits = 4; bits <= 17; ++bits) {
        const int n = 1 << bits;
        ffft::FFTReal<float> fft(n, lanes);
        reference::ScalarFft ref(n);
        const std::size_t size = static_cast<std::size_t>(n);
        std::vector<float> padded(size, 0.0f);
        const std::vector<float> head = fft_test::random_signal(n / 16, 7u * std::uint32_t(bits), 1.0f);
        std::copy(head.begin(), head.end(), padded.begin());
        const float nan = std::numeric_limits<float>::quiet_NaN();
        std::vector<float> expected(size), parts(size, nan), work(size, nan);
        ref.forward(expected.data(), padded.data());
        for (std::int32_t p = 0; p < fft.forward_part_count(); ++p)
            fft.forward_padded_part(p, parts.data(), head.data(), work.data());
        for (std::size_t i = 0; i < size; ++i) {
            // Bit for bit, but for the signs of zeros.
            const bool zeros = expected[i] == 0.0f && parts[i] == 0.0f;
            ASSERT_TRUE(zeros || std::memcmp(&expected[i], &parts[i], sizeof(float)) == 0)
                << "N = " << n << ", value " << i << ": " << expected[i] << " expected, " << parts[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLanes, FFTRealBitIdentity,
                         ::testing::Values(ffft::Lanes::Scalar, ffft::Lanes::Sse2, ffft::Lanes::Avx,
                                           ffft::Lanes::SixteenOnAvx, ffft::Lanes::Avx512),
                         [](const ::testing::TestParamInfo<ffft::Lanes>& param) {
                             std::string name = ffft::lanes_name(param.param);
                             name.erase(std::remove_if(name.begin(), name.end(),
                                                       [](char c) { return !std::isalnum(c); }),
                                        name.end());
                             return name;
                         });

} // namespace
