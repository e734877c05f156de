// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Every set of lanes gives exactly the scalar kernels' bits, over ranges that
// start and end anywhere, on inputs with signed zeros, infinities, subnormals
// and overflowing products.
#include "source/dsp/lanekernels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <vector>

namespace ffft {
void PrintTo(Lanes lanes, std::ostream* os)
{
    *os << lanes_name(lanes);
}
} // namespace ffft

namespace vosk {
namespace {

constexpr int32_t kValues = 512;

std::vector<float> values(uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-2.0f, 2.0f);
    std::vector<float> v(kValues);
    for (float& x : v) x = dist(rng);
    // No not-a-number inputs: which of two the compiler's operand order passes on
    // is not defined by the code. Infinities give the one default NaN.
    const float specials[] = {
        0.0f,     -0.0f,  std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        1.0e-40f, 3.0e38f};
    for (size_t i = 0; i < v.size(); i += 1 + (i + seed) % 13) v[i] = specials[(i / 3 + seed) % 6];
    return v;
}

::testing::AssertionResult sameBits(const std::vector<float>& expected, const std::vector<float>& actual)
{
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(float)) != 0)
            return ::testing::AssertionFailure()
                   << "first difference at " << i << ": " << expected[i] << " expected, " << actual[i];
    }
    return ::testing::AssertionSuccess();
}

class LaneKernelsIdentity : public ::testing::TestWithParam<ffft::Lanes>
{
};

TEST_P(LaneKernelsIdentity, EveryKernelGivesTheScalarBits)
{
    const LaneKernels& lanes = laneKernels(GetParam());
    if (lanes.lanes != GetParam()) GTEST_SKIP() << ffft::lanes_name(GetParam()) << " lanes do not run here";
    const LaneKernels& scalar = laneKernels(ffft::Lanes::Scalar);
    ASSERT_EQ(scalar.lanes, ffft::Lanes::Scalar);

    std::vector<float> in[6];
    for (uint32_t k = 0; k < 6; ++k) in[k] = values(k + 1);
    const std::vector<float> outputs = values(99);
    // Runs one kernel with the scalar set and with `lanes` on copies of the same
    // outputs (two arrays, which in-place kernels also read).
    auto expectSame = [&](const char* kernel, auto run) {
        std::vector<float> expected[2] = {outputs, values(98)};
        std::vector<float> actual[2] = {expected[0], expected[1]};
        run(scalar, expected[0].data(), expected[1].data());
        run(lanes, actual[0].data(), actual[1].data());
        for (int o = 0; o < 2; ++o)
            EXPECT_TRUE(sameBits(expected[o], actual[o])) << kernel << ", output " << o;
    };
    const float* a = in[0].data();
    const float* b = in[1].data();
    const float* c = in[2].data();
    const float* d = in[3].data();
    const float* w = in[4].data();
    const float* e = in[5].data();

    // Spectra of 256 points (bins 0 .. 128, imaginary parts from 129).
    constexpr int32_t m = 256;
    const int32_t binRanges[][2] = {{0, 129}, {0, 1},    {128, 129}, {1, 2},
                                    {3, 40},  {17, 129}, {5, 5},     {0, 64}};
    for (const auto& range : binRanges) {
        SCOPED_TRACE(testing::Message() << "bins " << range[0] << " .. " << range[1]);
        expectSame("multiplyAdd", [&](const LaneKernels& k, float* out, float*) {
            k.multiplyAdd(out, a, b, c, d, m, range[0], range[1]);
        });
        expectSame("multiply", [&](const LaneKernels& k, float* out, float*) {
            k.multiply(out, a, m, range[0], range[1]);
        });
        expectSame("multiplyAccumulate", [&](const LaneKernels& k, float* out, float*) {
            k.multiplyAccumulate(out, a, b, m, range[0], range[1]);
        });
        // Three partitions against the kernels in b, d's arrays, for one channel and
        // for two that share them.
        const float* spectra[6] = {a, c, e, d, w, a};
        for (int32_t channels : {1, 2}) {
            expectSame("multiplySum", [&](const LaneKernels& k, float* out, float* second) {
                float* dest[2] = {out, second};
                k.multiplySum(dest, spectra, b, channels, 3, m / 2, range[0] / 2, range[1] / 2 + 1);
            });
        }
    }

    // Spectra too large for the nearest cache, summed partition by partition: an
    // odd and an even count, over all bins and over a range that starts anywhere.
    constexpr int32_t big = 8192;
    std::vector<float> bigArrays[18];
    for (uint32_t k = 0; k < 18; ++k) {
        for (uint32_t piece = 0; piece < big / kValues; ++piece) {
            const std::vector<float> v = values(100 + 16 * k + piece);
            bigArrays[k].insert(bigArrays[k].end(), v.begin(), v.end());
        }
    }
    std::vector<float> bigKernels;
    for (int j = 10; j < 18; ++j) bigKernels.insert(bigKernels.end(), bigArrays[j].begin(), bigArrays[j].end());
    const float* bigSpectra[10];
    for (int j = 0; j < 10; ++j) bigSpectra[j] = bigArrays[j].data();
    for (const int32_t count : {4, 5}) {
        for (int32_t channels : {1, 2}) {
            for (const auto& range : {std::array<int32_t, 2>{0, big / 2 + 1}, std::array<int32_t, 2>{3, 3001}}) {
                SCOPED_TRACE(testing::Message() << count << " partitions, " << channels << " channels, bins "
                                                << range[0] << " .. " << range[1]);
                const float* spectra[10];
                for (int ch = 0; ch < channels; ++ch)
                    for (int j = 0; j < count; ++j) spectra[ch * count + j] = bigSpectra[ch * 5 + j];
                auto runBig = [&](const LaneKernels& k, std::vector<float> (&out)[2]) {
                    for (auto& o : out) o.assign(big, 0.0f);
                    float* dest[2] = {out[0].data(), out[1].data()};
                    k.multiplySum(dest, spectra, bigKernels.data(), channels, count, big, range[0], range[1]);
                };
                // Each bin's products added one after the other, as the kernel promises.
                std::vector<float> expected[2];
                for (int ch = 0; ch < 2; ++ch) {
                    expected[ch].assign(big, 0.0f);
                    if (ch >= channels) continue;
                    for (int32_t bin = range[0]; bin < range[1]; ++bin) {
                        const bool real = bin == 0 || bin == big / 2;
                        float re = 0.0f, im = 0.0f;
                        for (int j = 0; j < count; ++j) {
                            const float* x = spectra[ch * count + j];
                            const float* p = bigKernels.data() + j * big;
                            const float productRe = real ? x[bin] * p[bin]
                                                         : x[bin] * p[bin] - x[big / 2 + bin] * p[big / 2 + bin];
                            const float productIm =
                                real ? 0.0f : x[big / 2 + bin] * p[bin] + x[bin] * p[big / 2 + bin];
                            re = j == 0 ? productRe : re + productRe;
                            im = j == 0 ? productIm : im + productIm;
                        }
                        expected[ch][bin] = re;
                        if (!real) expected[ch][big / 2 + bin] = im;
                    }
                }
                for (const LaneKernels* k : {&scalar, &lanes}) {
                    std::vector<float> actual[2];
                    runBig(*k, actual);
                    for (int o = 0; o < 2; ++o)
                        EXPECT_TRUE(sameBits(expected[o], actual[o])) << ffft::lanes_name(k->lanes) << ", output " << o;
                }
            }
        }
    }

    // Runs of values that start anywhere, shorter and longer than every width.
    const int32_t runs[][2] = {{0, 0}, {0, 1}, {1, 7}, {3, 16}, {5, 17}, {0, 64}, {2, 100}, {7, 255}};
    for (const auto& run : runs) {
        const int32_t o = run[0], n = run[1];
        SCOPED_TRACE(testing::Message() << n << " values from " << o);
        expectSame("sumScaled", [&](const LaneKernels& k, float* out, float*) {
            k.sumScaled(out + o, a + o, b + o, 0.70710677f, n);
        });
        expectSame("differenceScaled", [&](const LaneKernels& k, float* out, float*) {
            k.differenceScaled(out + o, a + o, b + o, 0.70710677f, n);
        });
        for (float sign : {1.0f, -1.0f}) {
            expectSame("signedSumScaled", [&](const LaneKernels& k, float* out, float*) {
                k.signedSumScaled(out + o, a + o, b + o, sign, 0.70710677f, n);
            });
        }
        expectSame("gain", [&](const LaneKernels& k, float* out, float*) {
            k.gain(out + o, a + o, 1.0f, 0.5f, 1.7f, n);
        });
        expectSame("gain in place", [&](const LaneKernels& k, float* out, float*) {
            k.gain(out + o, out + o, 0.0f, 3.0f, 0.25f, n);
        });
        expectSame("add", [&](const LaneKernels& k, float* out, float*) { k.add(out + o, a + o, b + o, n); });
        // 63 samples before the first are read.
        for (int32_t kernels : {1, 2}) {
            expectSame("directForm", [&](const LaneKernels& k, float* out, float* second) {
                float* outs[2] = {out + o, second + o};
                const float* h[2] = {b, d};
                k.directForm(outs, a + 64 + o, h, kernels, 64, n);
            });
        }
        const FadeStreams streams[2] = {{{a + o, b + o}, {c + o, d + o}}, {{e + o, c + o}, {b + o, a + o}}};
        expectSame("crossfade", [&](const LaneKernels& k, float* out, float*) {
            k.crossfade(out + o, streams[0], w + o, n);
        });
        for (int flags = 0; flags < 4; ++flags) {
            expectSame("crossfadePair", [&](const LaneKernels& k, float* out0, float* out1) {
                float* const out[2] = {out0 + o, out1 + o};
                k.crossfadePair(out, streams, flags & 1, flags & 2, 0.70710677f, w + o, n);
            });
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLanes, LaneKernelsIdentity,
                         ::testing::Values(ffft::Lanes::Sse2, ffft::Lanes::Avx, ffft::Lanes::SixteenOnAvx,
                                           ffft::Lanes::Avx512));

} // namespace
} // namespace vosk
