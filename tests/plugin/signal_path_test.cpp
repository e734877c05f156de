// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The signal path of the built bundle, driven through the VST 3 interfaces as a
// host drives it: parameter changes in, audio and output changes out, states.
#include "bundle_processors.h"

#include "source/dsp/settings.h"
#include "source/parameterids.h"
#include "source/statecodec.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::expectIdentical;
using test::kRate;
using test::noise;
using test::ProcessorHost;
using test::restore;
using test::stateOf;
using test::Stereo;

constexpr size_t kLatency = 12288;
constexpr size_t kHalfBlock = 8192;

std::complex<double> responseAt(const std::vector<float>& taps, double hz, double rate = kRate)
{
    std::complex<double> sum = 0.0;
    for (size_t n = 0; n < taps.size(); ++n) {
        if (taps[n] != 0.0f)
            sum += static_cast<double>(taps[n]) *
                   std::polar(1.0, -2.0 * M_PI * hz * static_cast<double>(n) / rate);
    }
    return sum;
}

double magnitudeAt(const std::vector<float>& taps, double hz, double rate = kRate)
{
    return std::abs(responseAt(taps, hz, rate));
}

double decibels(double amplitude)
{
    return 20.0 * std::log10(amplitude);
}

class SignalPathBundle : public test::BundleProcessors
{
protected:
    // The left channel's response to a unit impulse, with `configure` applied first.
    std::vector<float> impulseResponse(double rate, const std::function<void(ProcessorHost&)>& configure)
    {
        ProcessorHost& host = makeHost(512, true, rate);
        configure(host);
        Stereo in(kLatency + kHalfBlock);
        in.ch[0][0] = 1.0f;
        return run(host, in, 512).ch[0];
    }
};

// Whatever combination of sections is on, sections that are flat leave the input
// delayed by exactly the reported latency, to within the transform's rounding.
TEST_F(SignalPathBundle, FlatSettingsGiveTheInputDelayedByExactlyTheLatency)
{
    struct Case
    {
        const char* name;
        std::vector<ParamID> bandsOn; // at 0 dB, their default
    };
    const Case cases[] = {
        {"every section off", {}},
        {"four bands", {kOn1L, kOn2L, kOn3L, kOn4L}},
        {"bands 1 and 3", {kOn1L, kOn3L}},
    };
    Stereo in = noise(kLatency + 30000, 10);
    const float peakInput = std::pow(10.0f, -10.0f / 20.0f);
    for (int c = 0; c < 2; ++c)
        for (float& x : in.ch[c]) x *= peakInput / 0.5f;
    for (const Case& row : cases) {
        ProcessorHost& host = makeHost();
        allSectionsOff(host);
        for (ParamID id : row.bandsOn) host.addParameterChange(id, 0, 1.0); // linked: R follows
        const Stereo out = run(host, in, 512);
        double largest = 0.0, sumOfSquares = 0.0;
        for (int c = 0; c < 2; ++c) {
            for (size_t i = 0; i < out.size(); ++i) {
                const double expected = i < kLatency ? 0.0 : in.ch[c][i - kLatency];
                const double difference = out.ch[c][i] - expected;
                largest = std::max(largest, std::fabs(difference));
                sumOfSquares += difference * difference;
            }
        }
        const double rms = std::sqrt(sumOfSquares / (2.0 * static_cast<double>(out.size())));
        EXPECT_LE(decibels(largest), -96.0) << row.name;
        EXPECT_LE(decibels(rms), -108.0) << row.name;
        EXPECT_EQ(host.processor()->getLatencySamples(), kLatency);
    }
}

// The default settings delay every frequency by the reported latency, as bypass does:
// switching bypass does not move the track, and a parallel mix of the two does not comb.
TEST_F(SignalPathBundle, DefaultSettingsDelayByTheLatencyLikeBypassAtEveryRate)
{
    const double delta = 10.0; // Hz either side, for the slope of the phase
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        const auto processed = impulseResponse(rate, [](ProcessorHost&) {});
        const auto bypassed =
            impulseResponse(rate, [](ProcessorHost& host) { host.addParameterChange(kBypass, 0, 1.0); });
        // The phase left after taking away a delay of exactly the latency.
        auto residualPhase = [&](double hz) {
            const double omega = 2.0 * M_PI * hz / rate;
            return std::arg(responseAt(processed, hz, rate) * std::polar(1.0, omega * kLatency));
        };
        for (double hz : {100.0, 1000.0, 10000.0}) {
            const double slope =
                (residualPhase(hz + delta) - residualPhase(hz - delta)) / (2.0 * M_PI * 2.0 * delta / rate);
            EXPECT_NEAR(kLatency - slope, static_cast<double>(kLatency), 0.001) << hz << " Hz at " << rate;
        }
        const auto wet = responseAt(processed, 1000.0, rate), dry = responseAt(bypassed, 1000.0, rate);
        const double halfway = std::abs(0.5 * wet + 0.5 * dry) / (0.5 * std::abs(wet) + 0.5 * std::abs(dry));
        EXPECT_GT(decibels(halfway), -0.001) << "a crossfade at 1 kHz dips, at " << rate;
    }
}

// Below 36 kHz the fixed high cut, and bands set above the Nyquist frequency, stop
// there instead of folding back into the audible band.
TEST_F(SignalPathBundle, FlatSettingsStayFlatAtLowSampleRates)
{
    struct Case
    {
        double rate;
        bool bellAboveNyquist; // band 1 at 20 kHz, lower edge 19 kHz, +6 dB
    };
    const Case cases[] = {{8000, false}, {16000, false}, {22050, false}, {32000, false}, {32000, true}};
    for (const Case& row : cases) {
        const auto taps = impulseResponse(row.rate, [&](ProcessorHost& host) {
            if (!row.bellAboveNyquist) return;
            host.addParameterChange(kFreq1L, 0, 1.0);
            host.addParameterChange(kBW1L, 0, 0.05);
            host.addParameterChange(kGain1L, 0, 1.0);
        });
        double worst = 0.0, worstHz = 0.0;
        const double lowest = 50.0, highest = 0.45 * row.rate;
        for (int k = 0; k <= 60; ++k) {
            const double hz = lowest * std::pow(highest / lowest, k / 60.0);
            const double level = std::fabs(decibels(magnitudeAt(taps, hz, row.rate)));
            if (level > worst) worst = level, worstHz = hz;
        }
        EXPECT_LT(worst, 0.05) << worstHz << " Hz at " << row.rate
                               << (row.bellAboveNyquist ? " with the bell" : "");
    }
}

TEST_F(SignalPathBundle, HostBlocksOfOne8192And10000SamplesGiveTheSameStream)
{
    const Stereo in = noise(30000, 1);
    Stereo outputs[3];
    const size_t sizes[3] = {1, 8192, 10000};
    for (int k = 0; k < 3; ++k) outputs[k] = run(makeHost(8192), in, sizes[k]);
    expectIdentical(outputs[0], outputs[1]);
    expectIdentical(outputs[0], outputs[2]);
}

TEST_F(SignalPathBundle, MidSideWithIdenticalChannelsReturnsTheDelayedInput)
{
    ProcessorHost& host = makeHost();
    allSectionsOff(host);
    host.addParameterChange(kMidSide, 0, 0.0);
    Stereo in = noise(25000, 2);
    in.ch[1] = in.ch[0];
    const Stereo out = run(host, in, 512);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i + kLatency < in.size(); ++i)
            ASSERT_NEAR(out.ch[c][i + kLatency], in.ch[0][i], 2e-5);
}

TEST_F(SignalPathBundle, FirstBlockEchoesTheBandsThenLinkedMovesEchoThePartner)
{
    ProcessorHost& host = makeHost();
    Stereo block = noise(512, 3);
    run(host, block, 512);
    test::Changes& first = host.outputChanges();
    const double freqNorm[4] = {0.2145, 0.5040, 0.5927, 0.9261};
    for (int c = 0; c < 2; ++c) {
        for (int b = 1; b <= 4; ++b) {
            EXPECT_EQ(first.lastValue(bandTag(kOn1R, b, c)), 1.0);
            EXPECT_NEAR(first.lastValue(bandTag(kFreq1R, b, c)).value_or(-1), freqNorm[b - 1], 1e-4);
            EXPECT_NEAR(first.lastValue(bandTag(kBW1R, b, c)).value_or(-1), b == 4 ? 0.175 : 0.25, 1e-7);
            EXPECT_EQ(first.lastValue(bandTag(kQ1R, b, c)), 1.0);
            EXPECT_EQ(first.lastValue(bandTag(kGain1R, b, c)), 0.5);
        }
    }
    EXPECT_EQ(first.lastValue(kLpeak), 0.0);

    host.addParameterChange(kFreq2L, 0, 0.3);
    host.addParameterChange(kFreq2L, 100, 0.6); // only the last point counts
    run(host, block, 512);
    test::Changes& echo = host.outputChanges();
    EXPECT_NEAR(echo.lastValue(kFreq2R).value_or(-1), 0.6, 1e-6);
    EXPECT_EQ(echo.lastValue(kOn2R), 1.0);
    EXPECT_NEAR(echo.lastValue(kBW2R).value_or(-1), 0.25, 1e-7);
    EXPECT_EQ(echo.lastValue(kQ2R), 1.0);
    EXPECT_EQ(echo.lastValue(kGain2R), 0.5);
    EXPECT_FALSE(echo.lastValue(kFreq2L).has_value());
    EXPECT_FALSE(echo.lastValue(kFreq1R).has_value());
}

TEST_F(SignalPathBundle, LinkedMovesKeepARestoredOffsetAndClamp)
{
    ProcessorHost& host = makeHost();
    run(host, Stereo(512), 512); // the constructor echo
    ProcessorState state;
    std::vector<uint8_t> bytes = stateOf(host.component());
    ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), state));
    ASSERT_TRUE(state.hasSettings && state.linked);
    for (int c = 0; c < 2; ++c) {
        ProcessorState::Band& band = state.bands[c][0];
        band.freqNorm = c == 0 ? 0.5f : 0.6f;
        band.freqHz = frequencyFromNorm(band.freqNorm);
    }
    ASSERT_EQ(restore(host.component(), encodeState(state)), kResultOk);

    host.addParameterChange(kFreq1L, 0, 0.7);
    run(host, Stereo(512), 512);
    EXPECT_NEAR(host.outputChanges().lastValue(kFreq1R).value_or(-1), 0.8, 1e-6);
    host.addParameterChange(kFreq1L, 0, 0.95);
    run(host, Stereo(512), 512);
    EXPECT_EQ(host.outputChanges().lastValue(kFreq1R), 1.0);
}

TEST_F(SignalPathBundle, MuteRulesEchoTheForcedChannelAndSilenceOnlyTheMutedOne)
{
    const Stereo in = noise(20000, 4);
    ProcessorHost& reference = makeHost();
    const Stereo expected = run(reference, in, 500);
    ProcessorHost& host = makeHost();
    host.addParameterChange(kMuteSide, 0, 0.0);
    host.addParameterChange(kMuteMid, 0, 0.0); // side is forced back on
    bool echoed = false;
    const Stereo out = run(host, in, 500, {}, [&](size_t pos) {
        const auto mute = host.outputChanges().lastValue(kMuteSide);
        if (pos == 0)
            echoed = mute == 1.0;
        else
            EXPECT_FALSE(mute.has_value());
    });
    EXPECT_TRUE(echoed);
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(out.ch[0][i], 0.0f);
        ASSERT_EQ(out.ch[1][i], expected.ch[1][i]);
    }
}

// Hosts store the normalised values of link and mid/side, whose switches act below one
// half; the texts a host shows and reads must say the same as the sound.
TEST_F(SignalPathBundle, LinkAndMidSideActWhereTheirTextsSayOn)
{
    IPtr<IEditController> controller =
        test::createInstance<IEditController>(factory, test::controllerClassId());
    ASSERT_TRUE(controller);
    ASSERT_EQ(controller->initialize(test::makeHostContext()), kResultOk);
    // The switch value whose text is `text`; typing the text gives the same value.
    auto valueShowing = [&](ParamID id, const std::basic_string<TChar>& text) {
        for (double v : {0.0, 1.0}) {
            String128 shown{};
            EXPECT_EQ(controller->getParamStringByValue(id, v, shown), kResultOk);
            if (std::basic_string<TChar>(shown) != text) continue;
            ParamValue typed = -1.0;
            EXPECT_EQ(controller->getParamValueByString(id, const_cast<TChar*>(text.c_str()), typed),
                      kResultOk);
            EXPECT_EQ(typed, v) << id;
            return v;
        }
        ADD_FAILURE() << "no value of " << id << " shows the text";
        return -1.0;
    };

    // A 1 kHz tone; band 3 (a bell from 600 Hz to 2.4 kHz) at +6 dB on one channel.
    // Mid/side: a left-only tone with the side boosted reaches the right output.
    // Link: a right-only tone with the left band boosted comes out louder.
    struct Case
    {
        ParamID id;
        const TChar* text;
        bool acts;
    };
    const Case cases[] = {{kMidSide, STR16("On"), true},
                          {kMidSide, STR16("Off"), false},
                          {kLink, STR16("On"), true},
                          {kLink, STR16("Off"), false}};
    const size_t length = kLatency + 8192;
    for (const Case& row : cases) {
        const bool midSideCase = row.id == kMidSide;
        Stereo in(length);
        for (size_t i = 0; i < length; ++i)
            in.ch[midSideCase ? 0 : 1][i] =
                0.5f * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / kRate));
        ProcessorHost& host = makeHost();
        if (midSideCase) host.addParameterChange(kLink, 0, valueShowing(kLink, STR16("Off")));
        host.addParameterChange(row.id, 0, valueShowing(row.id, row.text));
        host.addParameterChange(midSideCase ? kGain3R : kGain3L, 0, 1.0);
        const Stereo out = run(host, in, 512);
        double right = 0.0;
        for (size_t i = kLatency; i < length; ++i) right = std::max(right, std::fabs(double(out.ch[1][i])));
        const double expected = row.acts ? (midSideCase ? 0.25 : 1.0) : (midSideCase ? 0.0 : 0.5);
        EXPECT_NEAR(right, expected, 0.05) << row.id << (row.acts ? " on" : " off");
    }
    controller->terminate();
}

TEST_F(SignalPathBundle, MetersReportTheLargestMagnitudeAndNegativePeaksClip)
{
    ProcessorHost& host = makeHost();
    allSectionsOff(host);
    Stereo in(kLatency + 1024);
    in.ch[0][100] = -1.5f;
    in.ch[1][100] = 0.75f;
    double leftMeter = 0.0, rightMeter = 0.0;
    std::vector<double> clips;
    run(host, in, 512, {}, [&](size_t) {
        leftMeter = std::max(leftMeter, host.outputChanges().lastValue(VuMeterLeft).value_or(0.0));
        rightMeter = std::max(rightMeter, host.outputChanges().lastValue(VUMeterRight).value_or(0.0));
        clips.push_back(host.outputChanges().lastValue(kLpeak).value_or(-1.0));
        EXPECT_EQ(host.outputChanges().lastValue(kRpeak), 0.0);
    });
    EXPECT_EQ(leftMeter, 1.0); // a meter is a normalised value: full scale and above read 1
    EXPECT_NEAR(rightMeter, 0.75, 1e-5);
    EXPECT_EQ(clips.front(), 0.0);
    EXPECT_EQ(clips.back(), 1.0); // stays set until the host clears it
    host.addParameterChange(kLpeak, 0, 0.0);
    run(host, Stereo(512), 512);
    EXPECT_EQ(host.outputChanges().lastValue(kLpeak), 0.0);
}

// The lamp lights from an output sample at full scale at or after the last clear,
// and only from those: a clear inside a block after a full-scale sample stays
// dark, however the audio and the changes are divided into blocks, and the saved
// state says what the lamp says.
TEST_F(SignalPathBundle, ClipLampFollowsTheLastClearWhateverTheBlocks)
{
    constexpr size_t kBefore = kLatency + 100, kClear = kBefore + 50, kAfter = kLatency + 4096 + 500;
    Stereo in(kLatency + 2 * 4096);
    in.ch[0][kBefore - kLatency] = 1.5f;
    in.ch[0][kAfter - kLatency] = 1.5f;
    struct Division
    {
        size_t block;
        bool ignoredPoints; // non-finite values that split the block and change nothing
    };
    std::vector<uint8_t> firstState;
    for (const Division& d : {Division{1, false}, Division{64, false}, Division{333, false},
                              Division{4096, false}, Division{4096, true}}) {
        SCOPED_TRACE(testing::Message() << "blocks of " << d.block << (d.ignoredPoints ? " with NaN points" : ""));
        ProcessorHost& host = makeHost(4096);
        allSectionsOff(host);
        size_t mismatches = 0;
        const auto clearIn = [&](size_t pos) {
            if (d.ignoredPoints)
                for (int32 offset : {40, 149, 151, 2000})
                    host.addParameterChange(kFreq1L, offset, std::numeric_limits<double>::quiet_NaN());
            if (pos <= kClear && kClear < pos + d.block)
                host.addParameterChange(kLpeak, static_cast<int32>(kClear - pos), 0.0);
        };
        const auto check = [&](size_t pos) {
            const size_t end = std::min(pos + d.block, in.size());
            const bool lit = kClear < end ? kAfter < end : kBefore < end;
            const std::vector<uint8_t> bytes = stateOf(host.component());
            ProcessorState state;
            ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), state));
            const bool reported = host.outputChanges().lastValue(kLpeak) == 1.0;
            if ((reported != lit || state.clip[0] != lit) && mismatches++ < 3)
                ADD_FAILURE() << "at sample " << end << ": reported " << reported << ", saved " << state.clip[0]
                              << ", lit " << lit;
            EXPECT_EQ(host.outputChanges().lastValue(kRpeak), 0.0);
        };
        const Stereo out = run(host, in, d.block, clearIn, check);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(std::fabs(out.ch[0][i]) >= 1.0f, i == kBefore || i == kAfter) << i;
        EXPECT_EQ(mismatches, 0u);
        if (firstState.empty()) firstState = stateOf(host.component());
        EXPECT_EQ(stateOf(host.component()), firstState);
    }
}

TEST_F(SignalPathBundle, BellAndCutsMeasureAsDesigned)
{
    auto sectionResponse = [&](const std::function<void(ProcessorHost&)>& configure) {
        return impulseResponse(kRate, [&](ProcessorHost& host) {
            allSectionsOff(host);
            configure(host);
        });
    };
    // Band 2 as a bell of +100 % around 1 kHz (width 1: 500 Hz to 2 kHz), sharpness 1.
    const auto bell = sectionResponse([](ProcessorHost& host) {
        host.addParameterChange(kOn2L, 0, 1.0);
        host.addParameterChange(kFreq2L, 0, (std::log10(1000.0 / 2000.0) + 2.0) / 3.0);
        host.addParameterChange(kGain2L, 0, 1.0);
    });
    EXPECT_NEAR(magnitudeAt(bell, 1000.0), 2.0, 0.02);
    EXPECT_NEAR(magnitudeAt(bell, 750.0), 2.0, 0.02);
    EXPECT_NEAR(magnitudeAt(bell, 1750.0), 2.0, 0.02);
    EXPECT_NEAR(magnitudeAt(bell, 250.0), 1.0, 0.02);
    EXPECT_NEAR(magnitudeAt(bell, 2300.0), 1.0, 0.02);
    EXPECT_NEAR(magnitudeAt(bell, 10000.0), 1.0, 0.02);
    EXPECT_NEAR(magnitudeAt(bell, 500.0), 1.5, 0.05); // half way at each edge
    EXPECT_NEAR(magnitudeAt(bell, 2000.0), 1.5, 0.05);

    const auto lowCut =
        sectionResponse([](ProcessorHost& host) { host.addParameterChange(kOnLoCut, 0, 1.0); });
    EXPECT_NEAR(magnitudeAt(lowCut, 29.0), 0.5, 0.02);
    EXPECT_LT(magnitudeAt(lowCut, 15.0), 0.05);
    EXPECT_NEAR(magnitudeAt(lowCut, 60.0), 1.0, 0.01);

    const auto highCut =
        sectionResponse([](ProcessorHost& host) { host.addParameterChange(kOnHiCut, 0, 1.0); });
    EXPECT_NEAR(magnitudeAt(highCut, 18000.0), 0.5, 0.02);
    EXPECT_NEAR(magnitudeAt(highCut, 15000.0), 1.0, 0.01);
    EXPECT_LT(magnitudeAt(highCut, 20500.0), 0.02);
}

TEST_F(SignalPathBundle, SilenceFlagsKeepTheOtherChannelAndPlayOutTheTail)
{
    // Sound, then the left channel flagged silent, then both, then sound again.
    const size_t block = 1000, soundEnd = 6000, leftOnlyEnd = 12000, silenceEnd = 40000;
    const Stereo in = noise(60000, 5);
    Stereo zeroed = in; // what the flagged channels must be read as
    for (size_t i = soundEnd; i < silenceEnd; ++i) {
        zeroed.ch[0][i] = 0.0f;
        if (i >= leftOnlyEnd) zeroed.ch[1][i] = 0.0f;
    }
    const Stereo expected = run(makeHost(), zeroed, block);

    ProcessorHost& host = makeHost();
    std::vector<uint64> flags;
    const Stereo out = run(
        host, in, block,
        [&](size_t pos) {
            const bool silent = pos >= soundEnd && pos < silenceEnd;
            host.setInputSilenceFlags(!silent ? 0 : pos < leftOnlyEnd ? 1 : 3);
        },
        [&](size_t) { flags.push_back(host.outputSilenceFlags()); });
    expectIdentical(out, expected);
    size_t firstSilent = flags.size();
    for (size_t k = 0; k < flags.size(); ++k) {
        if (flags[k] == 0) continue;
        firstSilent = std::min(firstSilent, k);
        EXPECT_EQ(flags[k], 3u);
    }
    EXPECT_GE(firstSilent * block, leftOnlyEnd + kLatency + kHalfBlock);
    EXPECT_LT(firstSilent * block, silenceEnd);
    EXPECT_EQ(flags.back(), 0u);
}

TEST_F(SignalPathBundle, BypassKeepsTheLatencyAndLeavesSeamlessly)
{
    const Stereo in = noise(50000, 6);
    const Stereo expected = run(makeHost(), in, 1000);
    ProcessorHost& host = makeHost();
    const Stereo out = run(host, in, 1000, [&](size_t pos) {
        if (pos == 15000) host.addParameterChange(kBypass, 0, 1.0);
        if (pos == 35000) host.addParameterChange(kBypass, 0, 0.0);
        EXPECT_EQ(host.processor()->getLatencySamples(), kLatency);
    });
    for (int c = 0; c < 2; ++c) {
        for (size_t i = 0; i < in.size(); ++i) {
            const float want = i >= 15000 && i < 35000 ? in.ch[c][i - kLatency] : expected.ch[c][i];
            ASSERT_EQ(out.ch[c][i], want) << c << " " << i;
        }
    }
}

TEST_F(SignalPathBundle, NonFiniteParameterValuesAreIgnored)
{
    const Stereo in = noise(20000, 7);
    const Stereo expected = run(makeHost(), in, 1000);
    ProcessorHost& host = makeHost();
    const Stereo out = run(host, in, 1000, [&](size_t pos) {
        if (pos != 3000) return;
        host.addParameterChange(kFreq1L, 0, std::numeric_limits<double>::quiet_NaN());
        host.addParameterChange(kGain2R, 0, std::numeric_limits<double>::infinity());
        host.addParameterChange(kInGain, 0, -std::numeric_limits<double>::infinity());
    });
    expectIdentical(out, expected);
}

TEST_F(SignalPathBundle, StateBytesAndTheRestoreExamples)
{
    ProcessorHost& host = makeHost(512, false);
    const std::vector<uint8_t> defaults = stateOf(host.component());
    ASSERT_GT(defaults.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(defaults.begin(), defaults.begin() + 8),
              (std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00}));

    // Old head-only streams restore gain and bypass and keep every other setting.
    ASSERT_EQ(restore(host.component(), {0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00}), kResultOk);
    std::vector<uint8_t> now = stateOf(host.component());
    EXPECT_EQ(std::vector<uint8_t>(now.begin(), now.begin() + 8),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(std::vector<uint8_t>(now.begin() + 8, now.end()),
              std::vector<uint8_t>(defaults.begin() + 8, defaults.end()));
    ASSERT_EQ(restore(host.component(), {0x00, 0x00, 0x00, 0x40, 0xFF, 0xFF, 0xFF, 0xFF}), kResultOk);
    now = stateOf(host.component());
    EXPECT_EQ(now[4], 0x00);

    // Short, truncated or corrupt streams answer false and change nothing.
    const std::vector<uint8_t> before = stateOf(host.component());
    for (size_t n : {size_t{0}, size_t{3}, size_t{7}, size_t{9}, size_t{20}, defaults.size() - 1}) {
        EXPECT_EQ(restore(host.component(), std::vector<uint8_t>(defaults.begin(), defaults.begin() + n)),
                  kResultFalse)
            << n;
    }
    std::vector<uint8_t> nanGain = defaults;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nanGain.data(), &nan, 4);
    EXPECT_EQ(restore(host.component(), nanGain), kResultFalse);
    EXPECT_EQ(stateOf(host.component()), before);
}

TEST_F(SignalPathBundle, SavesDuringPlaybackHoldTheLatestChanges)
{
    ProcessorHost& host = makeHost();
    host.addParameterChange(kFreq3L, 0, 0.77);
    host.addParameterChange(kMidSide, 0, 0.0);
    host.addParameterChange(kRgain, 0, 0.125);
    run(host, noise(512, 9), 512);
    const std::vector<uint8_t> bytes = stateOf(host.component());
    ProcessorState state;
    ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), state));
    EXPECT_EQ(state.bands[0][2].freqNorm, 0.77f);
    EXPECT_EQ(state.bands[1][2].freqNorm, 0.77f); // linked
    EXPECT_TRUE(state.midSide);
    EXPECT_EQ(state.channelGain[1], 0.5f);

    // A restore that the audio thread has not taken yet is what a save returns.
    state.bands[1][3].gainNorm = 0.25f;
    state.bands[1][3].gain = bandGainFromNorm(0.25f);
    ASSERT_EQ(restore(host.component(), encodeState(state)), kResultOk);
    EXPECT_EQ(stateOf(host.component()), encodeState(state));
}

TEST_F(SignalPathBundle, SavedAndRestoredProcessorsProduceBitIdenticalOutput)
{
    ProcessorHost& original = makeHost();
    const std::pair<ParamID, double> changes[] = {
        {kLink, 1.0},    {kFreq1L, 0.31}, {kGain1L, 0.83}, {kQ1L, 0.27},    {kBW1L, 0.61},  {kShape2R, 0.5},
        {kGain3R, 0.1},  {kBW4L, 0.93},   {kOn3R, 0.0},    {kLgain, 0.2},   {kRgain, 0.31}, {kInGain, 0.3},
        {kMidSide, 0.0}, {kOnHiCut, 0.0}, {kType4, 1.0},   {kFreq2R, 0.07},
    };
    for (const auto& change : changes) original.addParameterChange(change.first, 0, change.second);
    EXPECT_EQ(original.process(nullptr, 0, nullptr, 0, 0), kResultOk); // a parameter flush
    const std::vector<uint8_t> saved = stateOf(original.component());

    ProcessorHost& restored = makeHost(512, false);
    ASSERT_EQ(restore(restored.component(), saved), kResultOk); // before set-up, as hosts do
    ASSERT_EQ(restored.setupProcessing(kRate, 512), kResultOk);
    ASSERT_EQ(restored.setActive(true), kResultOk);
    EXPECT_EQ(stateOf(restored.component()), saved);

    const Stereo in = noise(30000, 8);
    const Stereo a = run(original, in, 512);
    const Stereo b = run(restored, in, 512);
    expectIdentical(a, b);
    const Stereo fresh = run(makeHost(), in, 512);
    EXPECT_NE(a.ch[0][20000], fresh.ch[0][20000]); // the settings did change the sound
}

} // namespace
} // namespace vosk
