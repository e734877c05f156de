// The whole signal path driven block by block as the plug-in glue drives it.
#include "dsp_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <xmmintrin.h>

namespace vosk {
namespace {

using test::noise;
using test::Reports;
using test::run;
using test::Stereo;

constexpr double kRate = 44100.0;
constexpr int32_t kLatency = SignalPath::kLatency;

void expectIdentical(const Stereo& a, const Stereo& b, size_t from = 0, size_t to = SIZE_MAX)
{
    ASSERT_EQ(a.size(), b.size());
    to = std::min(to, a.size());
    for (int c = 0; c < 2; ++c)
        for (size_t i = from; i < to; ++i)
            ASSERT_EQ(a.ch[c][i], b.ch[c][i]) << "channel " << c << " sample " << i;
}

Stereo slice(const Stereo& s, size_t from, size_t n)
{
    Stereo out(n);
    for (int c = 0; c < 2; ++c)
        std::copy(s.ch[c].begin() + from, s.ch[c].begin() + from + n, out.ch[c].begin());
    return out;
}

TEST(SignalPath, ImpulseLeavesAfterTheLatencyWithAllSectionsOff)
{
    SignalPath path;
    path.prepare(kRate, 512);
    test::allSectionsOff(path);
    Stereo in(20000);
    in.ch[0][0] = 1.0f;
    in.ch[1][0] = 1.0f;
    const Stereo out = run(path, in, 512);
    for (int c = 0; c < 2; ++c) {
        for (size_t i = 0; i < kHalfFft; ++i) ASSERT_EQ(out.ch[c][i], 0.0f);
        EXPECT_NEAR(out.ch[c][kLatency], 1.0f, 1e-5);
        for (size_t i = kHalfFft; i < out.size(); ++i) {
            if (i != static_cast<size_t>(kLatency)) {
                ASSERT_NEAR(out.ch[c][i], 0.0f, 1e-5) << i;
            }
        }
    }
}

TEST(SignalPath, HostBlockSizesDoNotChangeTheOutput)
{
    const Stereo in = noise(40000, 1);
    Stereo outputs[3];
    const size_t sizes[3] = {1, 8192, 10000}; // 10000 is also beyond the prepared maximum
    for (int k = 0; k < 3; ++k) {
        SignalPath path;
        path.prepare(kRate, 8192);
        outputs[k] = run(path, in, sizes[k]);
    }
    expectIdentical(outputs[0], outputs[1]);
    expectIdentical(outputs[0], outputs[2]);
}

TEST(SignalPath, MidSideOfIdenticalChannelsReturnsTheDelayedInput)
{
    SignalPath path;
    path.prepare(kRate, 512);
    test::allSectionsOff(path);
    path.applyParameter(kMidSide, 0.0);
    Stereo in = noise(30000, 2);
    in.ch[1] = in.ch[0];
    const Stereo out = run(path, in, 512);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i + kLatency < in.size(); ++i)
            ASSERT_NEAR(out.ch[c][i + kLatency], in.ch[0][i], 2e-5);
}

TEST(SignalPath, MidSideTreatsTheChannelsDifferently)
{
    // Band 1 boosted on mid only: a signal in one channel reaches both outputs.
    SignalPath path;
    path.prepare(kRate, 512);
    path.applyParameter(kLink, 1.0);
    path.applyParameter(kMidSide, 0.0);
    path.applyParameter(kGain1L, 1.0);
    path.applyParameter(kQ1L, 0.0);
    path.applyParameter(kFreq1L, 0.5);
    Stereo in(30000);
    for (size_t i = 0; i < in.size(); ++i) in.ch[0][i] = 0.5f * std::sin(2.0 * M_PI * 650.0 * i / kRate);
    const Stereo out = run(path, in, 512);
    double right = 0.0;
    for (size_t i = 25000; i < 30000; ++i) right = std::max(right, std::fabs(double(out.ch[1][i])));
    EXPECT_GT(right, 0.2); // (mid gain 2 - side gain 1) / 2 of 0.5
    EXPECT_LT(right, 0.3);
}

TEST(SignalPath, BypassDelaysByTheLatencyAndKeepsTheConvolutionRunning)
{
    const Stereo in = noise(60000, 3);
    SignalPath reference, path;
    reference.prepare(kRate, 1000);
    path.prepare(kRate, 1000);
    Stereo expected = run(reference, in, 1000);
    Stereo out(in.size());
    for (size_t pos = 0; pos < in.size(); pos += 1000) {
        const bool bypassed = pos >= 20000 && pos < 40000;
        path.applyParameter(kBypass, bypassed ? 1.0 : 0.0);
        Stereo block = run(path, slice(in, pos, 1000), 1000);
        for (int c = 0; c < 2; ++c)
            std::copy(block.ch[c].begin(), block.ch[c].end(), out.ch[c].begin() + pos);
    }
    expectIdentical(out, expected, 0, 20000);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 20000; i < 40000; ++i) ASSERT_EQ(out.ch[c][i], in.ch[c][i - kLatency]) << i;
    expectIdentical(out, expected, 40000);
}

TEST(SignalPath, ASilentChannelIsReadAsZerosAndTheOtherKeepsItsAudio)
{
    Stereo in = noise(30000, 4);
    Stereo zeroedLeft = in;
    std::fill(zeroedLeft.ch[0].begin(), zeroedLeft.ch[0].end(), 0.0f);
    SignalPath path, reference;
    path.prepare(kRate, 512);
    reference.prepare(kRate, 512);
    std::vector<uint64_t> flags;
    const Stereo out = run(path, in, 512, 1, nullptr, &flags); // left flagged silent, its data is noise
    expectIdentical(out, run(reference, zeroedLeft, 512));
    for (uint64_t f : flags) EXPECT_EQ(f, 0u);
}

TEST(SignalPath, SilentInputLetsThePipelineDrainThenSkipsAndResumesCleanly)
{
    // Sound, then input flagged silent (with garbage in the buffers), then sound again.
    const size_t block = 1000, soundEnd = 10000, silenceEnd = 50000, total = 80000;
    const Stereo in = noise(total, 5);
    Stereo zeroed = in;
    for (int c = 0; c < 2; ++c)
        std::fill(zeroed.ch[c].begin() + soundEnd, zeroed.ch[c].begin() + silenceEnd, 0.0f);

    SignalPath reference;
    reference.prepare(kRate, 512);
    const Stereo expected = run(reference, zeroed, block);

    SignalPath path;
    path.prepare(kRate, 512);
    Stereo out(total);
    std::vector<uint64_t> flags;
    for (size_t pos = 0; pos < total; pos += block) {
        const bool silent = pos >= soundEnd && pos < silenceEnd;
        Stereo part = run(path, slice(in, pos, block), block, silent ? 3 : 0, nullptr, &flags);
        for (int c = 0; c < 2; ++c) std::copy(part.ch[c].begin(), part.ch[c].end(), out.ch[c].begin() + pos);
    }
    expectIdentical(out, expected); // the tail is played out and nothing stale comes back

    size_t firstFlagged = total;
    for (size_t k = 0; k < flags.size(); ++k) {
        if (flags[k] == 0) continue;
        firstFlagged = std::min(firstFlagged, k * block);
        EXPECT_EQ(flags[k], 3u);
    }
    EXPECT_GE(firstFlagged, soundEnd + kLatency + kHalfFft);
    EXPECT_LT(firstFlagged, silenceEnd);
    EXPECT_EQ(flags.back(), 0u);
}

TEST(SignalPath, TinyInputGainIsTreatedAsSilentInput)
{
    const Stereo in = noise(60000, 6);
    SignalPath path, reference;
    path.prepare(kRate, 512);
    reference.prepare(kRate, 512);
    const Stereo first = run(path, slice(in, 0, 10000), 1000);
    expectIdentical(first, run(reference, slice(in, 0, 10000), 1000));

    path.applyParameter(kInGain, 0.00000002); // 8e-8
    std::vector<uint64_t> flags;
    const Stereo rest = run(path, slice(in, 10000, 50000), 1000, 0, nullptr, &flags);
    const Stereo expected = run(reference, Stereo(50000), 1000);
    expectIdentical(rest, expected);
    EXPECT_EQ(flags.front(), 0u);
    EXPECT_EQ(flags.back(), 3u);
}

TEST(SignalPath, MetersMeasureTheLargestMagnitudeAndClipOnNegativePeaks)
{
    SignalPath path;
    path.prepare(kRate, 512);
    test::allSectionsOff(path);
    Stereo in(kLatency + 4096);
    in.ch[0][100] = -1.5f;
    in.ch[1][100] = 0.5f;
    bool sawPeak = false;
    for (size_t pos = 0; pos < in.size(); pos += 512) {
        Reports reports;
        run(path, slice(in, pos, 512), 512, 0, &reports);
        const bool peakBlock = pos <= kLatency + 100 && kLatency + 100 < pos + 512;
        const bool afterPeak = pos > kLatency + 100;
        EXPECT_EQ(reports.last(kLpeak), peakBlock || afterPeak ? 1.0 : 0.0) << pos;
        EXPECT_EQ(reports.last(kRpeak), 0.0);
        if (peakBlock) {
            sawPeak = true;
            EXPECT_NEAR(reports.last(VuMeterLeft), 1.5, 1e-5);
            EXPECT_NEAR(reports.last(VUMeterRight), 0.5, 1e-5);
        }
    }
    EXPECT_TRUE(sawPeak);
    path.applyParameter(kLpeak, 0.0); // the host clears the indicator
    Reports reports;
    run(path, Stereo(512), 512, 0, &reports);
    EXPECT_EQ(reports.last(kLpeak), 0.0);
}

TEST(SignalPath, FirstBlockEchoesTheBandsAndLinkedMovesEchoThePartner)
{
    SignalPath path;
    path.prepare(kRate, 512);
    Reports first;
    run(path, noise(512, 7), 512, 0, &first);
    const uint32_t expectedOrder[] = {kLpeak, kOn1L, kFreq1L, kBW1L, kQ1L, kGain1L};
    for (size_t k = 0; k < 6; ++k) EXPECT_EQ(first.points[k].first, expectedOrder[k]) << k;
    const double freqNorm[4] = {0.2145, 0.5040, 0.5927, 0.9261};
    for (int c = 0; c < 2; ++c) {
        for (int b = 1; b <= 4; ++b) {
            EXPECT_EQ(first.last(bandTag(kOn1R, b, c)), 1.0);
            EXPECT_NEAR(first.last(bandTag(kFreq1R, b, c)), freqNorm[b - 1], 1e-4);
            EXPECT_NEAR(first.last(bandTag(kBW1R, b, c)), b == 4 ? 0.175 : 0.25, 1e-7);
            EXPECT_EQ(first.last(bandTag(kQ1R, b, c)), 1.0);
            EXPECT_EQ(first.last(bandTag(kGain1R, b, c)), 0.5);
        }
    }
    Reports quiet;
    run(path, noise(512, 8), 512, 0, &quiet);
    EXPECT_EQ(quiet.count(kFreq1L), 0);
    EXPECT_EQ(quiet.count(kLpeak), 1);

    path.applyParameter(kFreq2L, 0.6);
    Reports echo;
    run(path, noise(512, 9), 512, 0, &echo);
    EXPECT_EQ(echo.count(kFreq2L), 0);
    EXPECT_EQ(echo.last(kOn2R), 1.0);
    EXPECT_NEAR(echo.last(kFreq2R), 0.6, 1e-6);
    EXPECT_NEAR(echo.last(kBW2R), 0.25, 1e-7);
    EXPECT_EQ(echo.last(kQ2R), 1.0);
    EXPECT_EQ(echo.last(kGain2R), 0.5);
    EXPECT_EQ(echo.count(kFreq1R), 0);
}

TEST(SignalPath, MuteEchoWaitsForAQueueAndMutesOnlyItsChannel)
{
    const Stereo in = noise(30000, 10);
    SignalPath path, reference;
    path.prepare(kRate, 512);
    reference.prepare(kRate, 512);
    path.applyParameter(kMuteMid, 0.0); // forces side on and queues its echo
    Reports refused;
    refused.accept = false;
    run(path, slice(in, 0, 512), 512, 0, &refused);
    Reports accepted;
    run(path, slice(in, 512, 512), 512, 0, &accepted);
    EXPECT_EQ(accepted.last(kMuteSide), 1.0);
    Reports later;
    run(path, slice(in, 1024, 512), 512, 0, &later);
    EXPECT_EQ(later.count(kMuteSide), 0);

    const Stereo out = run(path, slice(in, 1536, 28464), 512);
    const Stereo expected = slice(run(reference, in, 512), 1536, 28464);
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out.ch[0][i], 0.0f);
        ASSERT_EQ(out.ch[1][i], expected.ch[1][i]);
    }
}

TEST(SignalPath, NonFiniteParameterValuesLeaveTheOutputAlone)
{
    const Stereo in = noise(30000, 11);
    SignalPath path, reference;
    path.prepare(kRate, 512);
    reference.prepare(kRate, 512);
    const Stereo a = run(path, slice(in, 0, 5000), 1000);
    for (uint32_t id = 0; id < kNumControlTags; ++id) path.applyParameter(id, std::nan(""));
    path.applyParameter(kFreq1L, std::numeric_limits<double>::infinity());
    const Stereo b = run(path, slice(in, 5000, 25000), 1000);
    const Stereo expected = run(reference, in, 1000);
    expectIdentical(a, slice(expected, 0, 5000));
    expectIdentical(b, slice(expected, 5000, 25000));
}

TEST(SignalPath, OneRebuildAfterAllChangesEqualsARebuildAfterEachChange)
{
    const std::pair<uint32_t, double> changes[] = {
        {kFreq1L, 0.3},  {kGain1L, 0.9}, {kQ1L, 0.2},     {kBW1L, 0.6},   {kShape2R, 0.5}, {kGain2R, 0.1},
        {kLink, 1.0},    {kFreq3R, 0.7}, {kOnLoCut, 0.0}, {kType4, 0.9},  {kGain4L, 0.2},  {kShape4L, 0.3},
        {kOn3L, 0.0},    {kFreq3L, 0.1}, {kOn3L, 1.0},    {kLink, 0.0},   {kBW2L, 0.05},   {kOnHiCut, 0.0},
        {kOnHiCut, 1.0}, {kQ4R, 0.0},    {kType5, 0.1},   {kGain3L, 0.4}, {kShape1L, 1.0}, {kFreq1L, 0.45},
    };
    const Stereo in = noise(40000, 12);
    SignalPath eachChange, once;
    eachChange.prepare(kRate, 512);
    once.prepare(kRate, 512);
    const Stereo warmA = run(eachChange, slice(in, 0, 4096), 512);
    const Stereo warmB = run(once, slice(in, 0, 4096), 512);
    expectIdentical(warmA, warmB);
    for (const auto& change : changes) {
        eachChange.applyParameter(change.first, change.second);
        eachChange.rebuildKernels(SignalPath::Rebuild::Everything);
        once.applyParameter(change.first, change.second);
    }
    const int64_t before = once.rebuildCount();
    const Stereo a = run(eachChange, slice(in, 4096, 35904), 512);
    const Stereo b = run(once, slice(in, 4096, 35904), 512);
    EXPECT_EQ(once.rebuildCount(), before + 1);
    for (int c = 0; c < 2; ++c)
        for (int32_t k = 0; k < kFftSize; ++k)
            ASSERT_EQ(eachChange.kernelSpectrum(c)[k], once.kernelSpectrum(c)[k]) << c << " " << k;
    expectIdentical(a, b);
}

TEST(SignalPath, RebuildsOnlyWhenTheResponseChanges)
{
    SignalPath path;
    path.prepare(kRate, 512);
    const Stereo in = noise(2048, 13);
    run(path, in, 512);
    const int64_t settled = path.rebuildCount();
    run(path, in, 512);
    EXPECT_EQ(path.rebuildCount(), settled);
    for (uint32_t id : {kInGain, kLgain, kMidSide, kMuteMid, kBypass, kFftSizeMenu})
        path.applyParameter(id, 0.3);
    run(path, in, 512);
    EXPECT_EQ(path.rebuildCount(), settled);
    path.applyParameter(kQ2L, 0.3);
    run(path, in, 512);
    EXPECT_EQ(path.rebuildCount(), settled + 1);
}

TEST(SignalPath, MonoBusesProcessOnlyTheChannelTheyHave)
{
    const Stereo in = noise(20000, 14);
    SignalPath stereo, mono;
    stereo.prepare(kRate, 512);
    mono.prepare(kRate, 512);
    const Stereo expected = run(stereo, in, 512);
    std::vector<float> out(in.size(), 0.0f);
    for (size_t pos = 0; pos < in.size(); pos += 512) {
        const float* ins[1] = {in.ch[0].data() + pos};
        float* outs[1] = {out.data() + pos};
        AudioBlock block;
        block.inputs = ins;
        block.numInputChannels = 1;
        block.outputs = outs;
        block.numOutputChannels = 1;
        block.numSamples = static_cast<int32_t>(std::min<size_t>(512, in.size() - pos));
        Reports reports;
        mono.process(block, &reports);
        EXPECT_EQ(reports.last(kRpeak), 0.0);
    }
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], expected.ch[0][i]) << i;
}

TEST(SignalPath, InPlaceBuffersGiveTheSameOutput)
{
    Stereo in = noise(30000, 15);
    SignalPath a, b;
    a.prepare(kRate, 512);
    b.prepare(kRate, 512);
    a.applyParameter(kMidSide, 0.0);
    b.applyParameter(kMidSide, 0.0);
    const Stereo expected = run(a, in, 512);
    for (size_t pos = 0; pos < in.size(); pos += 512) {
        float* io[2] = {in.ch[0].data() + pos, in.ch[1].data() + pos};
        AudioBlock block;
        block.inputs = io;
        block.numInputChannels = 2;
        block.outputs = io;
        block.numOutputChannels = 2;
        block.numSamples = static_cast<int32_t>(std::min<size_t>(512, in.size() - pos));
        b.process(block, nullptr);
    }
    expectIdentical(in, expected);
}

TEST(SignalPath, RestoresTheCallersFloatingPointMode)
{
    SignalPath path;
    path.prepare(kRate, 512);
    const unsigned saved = _mm_getcsr();
    const unsigned roundTowardZero = (saved & ~0x8040u) | 0x6000u;
    _mm_setcsr(roundTowardZero);
    path.applyParameter(kFreq1L, 0.1);
    run(path, noise(9000, 16), 4500);
    const unsigned after = _mm_getcsr();
    _mm_setcsr(saved);
    const unsigned exceptionFlags = 0x3f; // sticky status bits, not part of the mode
    EXPECT_EQ(after & ~exceptionFlags, roundTowardZero & ~exceptionFlags);
}

} // namespace
} // namespace vosk
