// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The minimum-phase design's logarithms and exponentials: every set of lanes
// gives the scalar bits, and the scalar results are as close to the exact
// values as floats hold them.
#include "source/dsp/lanemath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <random>
#include <utility>
#include <vector>

namespace ffft {
void PrintTo(Lanes lanes, std::ostream* os)
{
    *os << lanes_name(lanes);
}
} // namespace ffft

namespace vosk {
namespace {

constexpr int32_t kPoints = 256; // bins 0 .. 128, imaginary parts from 129

// A packed spectrum whose real parts lie in [reLow, reHigh] and imaginary parts in [imLow, imHigh].
std::vector<float> spectrum(uint32_t seed, float reLow, float reHigh, float imLow, float imHigh)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> re(reLow, reHigh), im(imLow, imHigh);
    std::vector<float> s(kPoints);
    for (int32_t k = 0; k <= kPoints / 2; ++k) s[static_cast<size_t>(k)] = re(rng);
    for (int32_t k = kPoints / 2 + 1; k < kPoints; ++k) s[static_cast<size_t>(k)] = im(rng);
    s[1] = s[kPoints / 2 + 1] = 0.0f; // a bin of nothing, floored
    return s;
}

class LaneMathIdentity : public ::testing::TestWithParam<ffft::Lanes>
{
};

TEST_P(LaneMathIdentity, GivesTheScalarBits)
{
    const LaneMath& lanes = laneMath(GetParam());
    if (lanes.lanes != GetParam()) GTEST_SKIP() << ffft::lanes_name(GetParam()) << " lanes do not run here";
    const LaneMath& scalar = laneMath(ffft::Lanes::Scalar);
    const int32_t binRanges[][2] = {{0, 129}, {0, 1}, {128, 129}, {1, 2}, {3, 40}, {17, 129}, {5, 5}};
    for (const auto& range : binRanges) {
        SCOPED_TRACE(testing::Message() << "bins " << range[0] << " .. " << range[1]);
        for (int kernel = 0; kernel < 2; ++kernel) {
            std::vector<float> expected = kernel == 0 ? spectrum(1, -3.0f, 3.0f, -3.0f, 3.0f)
                                                      : spectrum(2, -100.0f, 90.0f, -3000.0f, 3000.0f);
            std::vector<float> actual = expected;
            for (const auto& [math, s] : {std::pair{&scalar, &expected}, std::pair{&lanes, &actual}}) {
                if (kernel == 0) math->logMagnitude(s->data(), kPoints, range[0], range[1], 1e-9f);
                else math->exponential(s->data(), kPoints, range[0], range[1]);
            }
            EXPECT_EQ(std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(float)), 0)
                << (kernel == 0 ? "logMagnitude" : "exponential");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EverySet, LaneMathIdentity,
                         ::testing::Values(ffft::Lanes::Sse2, ffft::Lanes::Avx, ffft::Lanes::SixteenOnAvx,
                                           ffft::Lanes::Avx512));

// Within a few units in the last place of floats of the exact values, over the
// ranges the design meets: powers from far below the floor up to +60 dB, and
// phases of many turns.
TEST(LaneMath, IsAsCloseAsFloatsHold)
{
    const LaneMath& math = laneMath(ffft::Lanes::Scalar);
    const std::vector<float> in = spectrum(3, -1000.0f, 1000.0f, -1000.0f, 1000.0f);
    std::vector<float> out = in;
    math.logMagnitude(out.data(), kPoints, 0, kPoints / 2 + 1, 1e-9f);
    for (int32_t k = 0; k <= kPoints / 2; ++k) {
        const bool complex = k > 0 && k < kPoints / 2;
        const double re = in[static_cast<size_t>(k)], im = complex ? in[static_cast<size_t>(kPoints / 2 + k)] : 0.0;
        const double exact = 0.5 * std::log(std::max(re * re + im * im, double{1e-9f}));
        EXPECT_NEAR(out[static_cast<size_t>(k)], exact, 4e-7 * std::max(1.0, std::fabs(exact))) << k;
        if (complex) {
            EXPECT_EQ(out[static_cast<size_t>(kPoints / 2 + k)], 0.0f);
        }
    }

    const std::vector<float> log = spectrum(4, -30.0f, 12.0f, -2000.0f, 2000.0f);
    out = log;
    math.exponential(out.data(), kPoints, 0, kPoints / 2 + 1);
    for (int32_t k = 0; k <= kPoints / 2; ++k) {
        const bool complex = k > 0 && k < kPoints / 2;
        const double magnitude = std::exp(double{log[static_cast<size_t>(k)]});
        const double angle = complex ? log[static_cast<size_t>(kPoints / 2 + k)] : 0.0;
        EXPECT_NEAR(out[static_cast<size_t>(k)], magnitude * std::cos(angle), 5e-7 * magnitude) << k;
        if (complex) {
            EXPECT_NEAR(out[static_cast<size_t>(kPoints / 2 + k)], magnitude * std::sin(angle), 5e-7 * magnitude)
                << k;
        }
    }
}

} // namespace
} // namespace vosk
