// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The whole signal path driven block by block as the plug-in glue drives it.
#include "dsp_test_util.h"

#include "ffft/FFTReal.h"
#include "tests/plugin/toneproducts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <xmmintrin.h>

namespace vosk {
namespace {

constexpr int32_t kFftSize = kDefaultTransform.n;
constexpr int32_t kHalfFft = kDefaultTransform.half();

using test::noise;
using test::Reports;
using test::run;
using test::Stereo;

constexpr double kRate = 44100.0;
constexpr int32_t kLatency = kDefaultTransform.latency();

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

// Sections designed earlier are reused: after any path of changes, the responses
// equal those that a fresh design of the final settings gives.
TEST(SignalPath, ResponsesFromReusedSectionsEqualAFreshDesign)
{
    const std::pair<uint32_t, double> changes[] = {
        {kFreq1L, 0.3},  {kGain1L, 0.9}, {kQ1L, 0.2},     {kBW1L, 0.6},   {kShape2R, 0.5}, {kGain2R, 0.1},
        {kLink, 1.0},    {kFreq3R, 0.7}, {kOnLoCut, 0.0}, {kType4, 0.9},  {kGain4L, 0.2},  {kShape4L, 0.3},
        {kOn3L, 0.0},    {kFreq3L, 0.1}, {kOn3L, 1.0},    {kLink, 0.0},   {kBW2L, 0.05},   {kOnHiCut, 0.0},
        {kOnHiCut, 1.0}, {kQ4R, 0.0},    {kType5, 0.1},   {kGain3L, 0.4}, {kShape1L, 1.0}, {kFreq1L, 0.45},
        {kQ1L, 0.7},     {kMidSide, 0.0},
    };
    const Stereo in = noise(kHalfFft, 12);
    SignalPath moved, fresh;
    moved.prepare(kRate, 512);
    for (size_t i = 0; i < std::size(changes); ++i) {
        moved.applyParameter(changes[i].first, changes[i].second);
        fresh.applyParameter(changes[i].first, changes[i].second);
        if (i % 3 == 2) run(moved, in, 512); // a hop designs what has changed so far
    }
    run(moved, in, 512);
    fresh.prepare(kRate, 512);
    for (int c = 0; c < 2; ++c)
        for (int32_t k = 0; k < kFftSize; ++k)
            ASSERT_EQ(moved.kernelSpectrum(c)[k], fresh.kernelSpectrum(c)[k]) << c << " " << k;
}

TEST(SignalPath, RedesignsOnlyWhatChangesTheResponse)
{
    SignalPath path;
    path.prepare(kRate, 512);
    const Stereo hop = noise(kHalfFft, 13);
    run(path, hop, 512);
    const int64_t settled = path.designCount();
    const auto designsAfter = [&](std::initializer_list<std::pair<uint32_t, double>> changes) {
        for (const auto& [id, value] : changes) path.applyParameter(id, value);
        run(path, hop, 512);
        return path.designCount() - settled;
    };
    EXPECT_EQ(designsAfter({{kInGain, 0.3}, {kLgain, 0.3}, {kMuteMid, 0.3}, {kBypass, 0.3}, {kFftSizeMenu, 0.3}}), 0);
    EXPECT_EQ(designsAfter({{kGain2L, 0.5}}), 0); // the value it had
    // Gain and width do not shape a cut, nor does anything shape a section that is off.
    EXPECT_EQ(designsAfter({{kShape1L, 1.0}}), 1);
    EXPECT_EQ(designsAfter({{kGain1L, 0.9}, {kBW1L, 0.9}}), 1);
    EXPECT_EQ(designsAfter({{kOn2L, 0.0}}), 2);
    EXPECT_EQ(designsAfter({{kFreq2L, 0.4}}), 2);
    EXPECT_EQ(designsAfter({{kShape1L, 0.3}}), 3); // a bell again: the stored gain applies
    EXPECT_EQ(designsAfter({{kOn2L, 1.0}}), 4);
    EXPECT_EQ(designsAfter({{kMidSide, 0.0}}), 4); // the domain changes, no response does
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

// The example preset's parameter values, and every band at the end of its ranges
// with both cuts on.
const std::vector<std::pair<uint32_t, double>> kExampleValues = {
    {kLink, 0},       {kMidSide, 1},    {kInGain, 0.25},  {kLgain, 0.25},  {kRgain, 0.25},
    {20, 0.14644423}, {21, 0.38204268}, {22, 0.73470664}, {23, 0.92605042}, {24, 0.14644423},
    {25, 0.38204268}, {26, 0.73470664}, {27, 0.92605042}, {44, 0.4},       {45, 0.3},
    {46, 0.35},       {47, 0.25},       {48, 0.4},        {49, 0.3},       {50, 0.35},
    {51, 0.25},       {28, 0.59425110}, {29, 0.37096360}, {30, 0.54823911}, {31, 0.62946272},
    {32, 0.59425110}, {33, 0.37096360}, {34, 0.54823911}, {35, 0.62946272},
};

std::vector<std::pair<uint32_t, double>> extremeValues()
{
    std::vector<std::pair<uint32_t, double>> values = {{kLink, 1}, {kOnLoCut, 1}, {kOnHiCut, 1}};
    for (int c = 0; c < 2; ++c)
        for (int b = 1; b <= 4; ++b) {
            const double end = (b + c) % 2;
            values.push_back({bandTag(kOn1R, b, c), 1});
            values.push_back({bandTag(kFreq1R, b, c), b <= 2 ? end * 0.1 : 1 - end * 0.1});
            values.push_back({bandTag(kGain1R, b, c), end});
            values.push_back({bandTag(kQ1R, b, c), 1 - end});
            values.push_back({bandTag(kBW1R, b, c), end});
        }
    return values;
}

// dB of a response at the bins of a transform of `length` points, first half
// only: in double precision, so that the measure adds no error of its own.
std::vector<double> levelsOf(const std::vector<float>& taps, int32_t length)
{
    ffft::FFTReal<double> fft(length);
    std::vector<double> padded(static_cast<size_t>(length), 0.0), spectrum(padded.size());
    std::copy(taps.begin(), taps.begin() + std::min<size_t>(taps.size(), padded.size()), padded.begin());
    fft.forward_transform(spectrum.data(), padded.data());
    std::vector<double> levels(static_cast<size_t>(length / 2));
    for (int32_t k = 1; k < length / 2; ++k) {
        const double re = spectrum[static_cast<size_t>(k)], im = spectrum[static_cast<size_t>(length / 2 + k)];
        levels[static_cast<size_t>(k)] = 10.0 * std::log10(re * re + im * im + 1e-30);
    }
    return levels;
}

// At zero latency an impulse comes out from its own sample on, peaks at once and
// has Linear's magnitude: at every length and rate, on a gentle curve and at the
// ends of every range.
TEST(SignalPathMinimumPhase, AnImpulseComesOutAtOnceWithLinearsMagnitude)
{
    const struct
    {
        const char* what;
        std::vector<std::pair<uint32_t, double>> values;
    } settings[] = {{"example preset", kExampleValues}, {"every band at its extremes", extremeValues()}};
    // The minimum phase keeps the magnitude of the linear taps it is made from.
    // Linear plays them through its partitions' spectra: at 16384 points exact,
    // from 32768 on transformed with a single-precision twiddle recursion that
    // moves its steep high cut just above -40 dB by up to 0.022 dB.
    const struct
    {
        int32_t size;
        double bound;
    } lengths[] = {{16384, 0.01}, {32768, 0.025}, {65536, 0.025}};
    for (const auto& [size, bound] : lengths) {
        for (double rate : {44100.0, 48000.0, 96000.0, 192000.0}) {
            for (const auto& setting : settings) {
                SCOPED_TRACE(testing::Message() << size << " points at " << rate << " Hz, " << setting.what);
                SignalPath linear, minimum;
                for (SignalPath* path : {&linear, &minimum}) {
                    for (const auto& [id, value] : setting.values) path->applyParameter(id, value);
                }
                linear.prepare(rate, 512, size, Phase::Linear);
                minimum.prepare(rate, 512, size, Phase::Minimum);
                EXPECT_EQ(minimum.latency(), 0);

                const size_t at = 1000;
                Stereo in(at + static_cast<size_t>(size) / 2);
                in.ch[0][at] = in.ch[1][at] = 1.0f;
                const Stereo out = run(minimum, in, 512);
                for (int c = 0; c < 2; ++c) {
                    SCOPED_TRACE(c);
                    const auto& y = out.ch[c];
                    for (size_t i = 0; i < at; ++i) ASSERT_EQ(y[i], 0.0f) << i;
                    const auto peak = std::max_element(y.begin(), y.end(),
                                                       [](float a, float b) { return std::fabs(a) < std::fabs(b); });
                    EXPECT_LT(peak - y.begin(), static_cast<std::ptrdiff_t>(at + 64));

                    const int32_t length = 4 * size;
                    const std::vector<double> expected = levelsOf(linear.kernelTaps(c), length);
                    const std::vector<double> actual =
                        levelsOf(std::vector<float>(y.begin() + static_cast<std::ptrdiff_t>(at), y.end()), length);
                    double worst = 0.0, worstHz = 0.0;
                    for (int32_t k = 1; k < length / 2; ++k) {
                        const double hz = k * rate / length;
                        if (hz < 20.0 || hz > 20000.0 || expected[static_cast<size_t>(k)] < -40.0) continue;
                        const double error = std::fabs(actual[static_cast<size_t>(k)] - expected[static_cast<size_t>(k)]);
                        if (error > worst) worst = error, worstHz = hz;
                    }
                    EXPECT_LT(worst, bound) << "at " << worstHz << " Hz";
                }
            }
        }
    }
}

// A parameter change at an absolute sample of the stream.
struct Change
{
    size_t at;
    uint32_t id;
    double value;
};

// Plays `in` in calls of `block` samples, each change a point of the call that holds it.
Stereo play(SignalPath& path, const Stereo& in, size_t block, const std::vector<Change>& changes)
{
    Stereo out(in.size());
    size_t next = 0;
    std::vector<ParameterPoint> points;
    for (size_t pos = 0; pos < in.size(); pos += block) {
        const size_t n = std::min(block, in.size() - pos);
        points.clear();
        for (; next < changes.size() && changes[next].at < pos + n; ++next)
            points.push_back({static_cast<int32_t>(changes[next].at - pos), changes[next].id, changes[next].value});
        const float* ins[2] = {in.ch[0].data() + pos, in.ch[1].data() + pos};
        float* outs[2] = {out.ch[0].data() + pos, out.ch[1].data() + pos};
        AudioBlock audio;
        audio.inputs = ins;
        audio.numInputChannels = 2;
        audio.outputs = outs;
        audio.numOutputChannels = 2;
        audio.numSamples = static_cast<int32_t>(n);
        audio.points = points.data();
        audio.numPoints = static_cast<int32_t>(points.size());
        path.process(audio, nullptr);
    }
    return out;
}

// In both phases the output does not depend on how the host cuts the audio, and a
// knob moved while a tone plays splatters nothing around it.
TEST(SignalPathMinimumPhase, ChangesAreTheSameForAnySplitAndLeaveNoProducts)
{
    for (Phase phase : {Phase::Linear, Phase::Minimum}) {
        SCOPED_TRACE(phase == Phase::Linear ? "linear" : "minimum");
        const auto prepared = [&](size_t block) {
            auto path = std::make_unique<SignalPath>();
            path->prepare(48000.0, static_cast<int32_t>(block), kFftSize, phase);
            return path;
        };
        const Stereo in = noise(6 * kHalfFft, 21);
        std::vector<Change> changes;
        for (size_t at = 100; at < in.size(); at += 37) {
            const double t = static_cast<double>(at) / static_cast<double>(in.size());
            changes.push_back({at, kGain3L, 0.5 + 0.4 * t});
            if (at % 3 == 0) changes.push_back({at, kFreq1R, 0.2 + 0.3 * t});
            if (at % 5 == 0) changes.push_back({at, kLgain, 0.25 + 0.1 * t});
        }
        const Change switches[] = {{9000, kMidSide, 0.0}, {15000, kLink, 1.0},  {25000, kOn4R, 0.0},
                                   {30000, kMidSide, 1.0}, {33000, kBypass, 1.0}, {34000, kBypass, 0.0}};
        changes.insert(changes.end(), std::begin(switches), std::end(switches));
        std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.at < b.at; });
        const Stereo reference = play(*prepared(4096), in, 4096, changes);
        for (size_t block : {32, 64, 500}) {
            SCOPED_TRACE(testing::Message() << "calls of " << block);
            expectIdentical(play(*prepared(block), in, block, changes), reference);
        }

        // A 1200 Hz tone at -12 dBFS; band 3, a bell there, ramped to +6 dB over a second.
        const size_t length = 4 * 48000, change = 3 * 24000;
        Stereo tone(length);
        for (size_t i = 0; i < length; ++i)
            tone.ch[0][i] = static_cast<float>(0.25 * std::sin(2 * M_PI * 1200.0 * static_cast<double>(i) / 48000.0));
        std::vector<Change> ramp;
        for (size_t at = change; at < change + 48000; at += 64)
            ramp.push_back({at, kGain3L, 0.5 + 0.5 * static_cast<double>(at - change) / 48000.0});
        const Stereo out = play(*prepared(64), tone, 64, ramp);
        const double products = test::worstProductsBelowTone(out.ch[0], 48000, 1200.0, 48000.0);
        EXPECT_LT(products, -100.0);
    }
}

// Equal channels share one response's products; as they part and meet again,
// each channel still plays exactly its own response.
TEST(SignalPathMinimumPhase, EachChannelKeepsItsResponseAsTheChannelsPartAndMeet)
{
    const auto prepared = [](std::initializer_list<std::pair<uint32_t, double>> values) {
        auto path = std::make_unique<SignalPath>();
        path->applyParameter(kLink, switchValue(kLink, false));
        for (const auto& [id, value] : values) path->applyParameter(id, value);
        path->prepare(48000.0, 512, kFftSize, Phase::Minimum);
        return path;
    };
    const size_t hop = kHalfFft;
    const Stereo in = noise(8 * hop, 9);
    // Equal at first, then the left alone changes, then the right follows it.
    const Stereo out = play(*prepared({}), in, 512, {{hop, kGain3L, 0.8}, {4 * hop, kGain3R, 0.8}});
    const Stereo parted = play(*prepared({{kGain3L, 0.8}}), in, 512, {});
    const Stereo met = play(*prepared({{kGain3L, 0.8}, {kGain3R, 0.8}}), in, 512, {});
    expectIdentical(slice(out, 3 * hop, hop), slice(parted, 3 * hop, hop));
    expectIdentical(slice(out, 7 * hop, hop), slice(met, 7 * hop, hop));
}

// At zero latency bypass plays the input itself, to the bit, and leaves without
// a jump in time; delta plays the processed signal less the undelayed input.
TEST(SignalPathMinimumPhase, BypassAndDeltaUseTheUndelayedInput)
{
    const auto prepared = [] {
        auto path = std::make_unique<SignalPath>();
        for (const auto& [id, value] : kExampleValues) path->applyParameter(id, value);
        path->prepare(48000.0, 512, kFftSize, Phase::Minimum);
        return path;
    };
    const Stereo in = noise(4 * kHalfFft, 5);
    const Stereo processed = play(*prepared(), in, 512, {});
    const size_t on = 5000, off = 9000;
    const Stereo bypassed = play(*prepared(), in, 512, {{on, kBypass, 1.0}, {off, kBypass, 0.0}});
    expectIdentical(slice(bypassed, on, off - on), slice(in, on, off - on));
    expectIdentical(slice(bypassed, off, in.size() - off), slice(processed, off, in.size() - off));

    auto path = prepared();
    ListeningRequest delta;
    delta.delta = true;
    path->setListening(delta);
    const Stereo difference = play(*path, in, 512, {});
    const size_t faded = 48000 / 100 + 512; // past the 10 ms fade-in
    double worst = 0.0;
    for (int c = 0; c < 2; ++c)
        for (size_t i = faded; i < in.size(); ++i)
            worst = std::max(worst, std::fabs(static_cast<double>(difference.ch[c][i]) -
                                              (static_cast<double>(processed.ch[c][i]) - in.ch[c][i])));
    EXPECT_LT(worst, 1e-6);
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
