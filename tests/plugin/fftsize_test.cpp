// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The transform length chosen with FftSize and the phase chosen with Phase,
// through the built module as a host drives it: held until the host restarts the
// processor, then latency, tail and delay follow them, they survive the state,
// and twice the rate with twice the length gives the same curve.
#include "bundle_processors.h"

#include "source/dsp/settings.h"
#include "source/statecodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::kRate;
using test::ProcessorHost;
using test::Stereo;

constexpr int32 kBlock = 4096;

class FftSize : public test::BundleProcessors
{
protected:
    // A processor set up at `rate`, whose first block carries `changes` and which
    // the host then restarts, as the controller asks it to.
    ProcessorHost& restartedWith(double rate, const std::vector<std::pair<ParamID, double>>& changes)
    {
        ProcessorHost& host = makeHost(kBlock, true, rate);
        for (const auto& [id, value] : changes) host.addParameterChange(id, 0, value);
        std::vector<float> silence(kBlock, 0.0f), out(kBlock);
        host.processStereo(silence.data(), silence.data(), out.data(), out.data(), kBlock);
        EXPECT_EQ(host.processor()->getLatencySamples(), 12288u) << "applied before the restart";
        EXPECT_EQ(host.setActive(false), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
        return host;
    }

    // The left channel's response to an impulse, from the first sample on.
    static std::vector<float> impulseResponse(ProcessorHost& host, size_t length)
    {
        Stereo in(length);
        in.ch[0][0] = in.ch[1][0] = 1.0f;
        return run(host, in, kBlock).ch[0];
    }
};

TEST_F(FftSize, LatencyTailAndDelayFollowTheLengthAfterARestart)
{
    for (int32_t size : kFftSizes) {
        SCOPED_TRACE(size);
        ProcessorHost& host = restartedWith(kRate, {{kFftSizeMenu, listValueOfFftSize(size)}});
        const uint32 latency = static_cast<uint32>(size / 4 + size / 2);
        EXPECT_EQ(host.processor()->getLatencySamples(), latency);
        EXPECT_EQ(host.processor()->getTailSamples(), static_cast<uint32>(size / 4));

        const std::vector<float> out = impulseResponse(host, 2 * latency);
        size_t peak = 0;
        for (size_t i = 0; i < out.size(); ++i) peak = std::fabs(out[i]) > std::fabs(out[peak]) ? i : peak;
        EXPECT_EQ(peak, latency);

        // Saved and loaded into another processor, the length is set up from the state.
        const std::vector<uint8_t> saved = test::stateOf(host.component());
        ProcessorState decoded;
        ASSERT_TRUE(decodeState(saved.data(), saved.size(), decoded));
        EXPECT_EQ(decoded.fftSize, size);
        ProcessorHost& loaded = makeHost(kBlock, false);
        ASSERT_EQ(test::restore(loaded.component(), saved), kResultOk);
        ASSERT_EQ(loaded.setupProcessing(kRate, kBlock), kResultOk);
        EXPECT_EQ(loaded.processor()->getLatencySamples(), latency);
        EXPECT_EQ(test::stateOf(loaded.component()), saved);
    }
}

// The phase takes the same path: held until the restart, then the latency and the
// tail follow it (minimum phase rings for half a transform after the input, with
// no latency), and a state saved in a phase reopens in it. Only a phase away from linear
// adds to the state, so a state in linear phase is the one earlier versions wrote,
// and such a state reopens in linear phase whatever played before.
TEST_F(FftSize, ThePhaseTakesOverAtTheRestartAndComesBackWithTheState)
{
    const struct
    {
        double value;
        uint32 latency, tail;
        uint8_t stateVersion;
    } cases[] = {{listValueOfPhase(Phase::Minimum), 0, 8192, 3},
                 {0.7, 0, 8192, 3},
                 {listValueOfPhase(Phase::Linear), 12288, 4096, 2}};
    std::vector<uint8_t> linearState;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ProcessorHost& host = restartedWith(kRate, {{kPhase, c.value}});
        EXPECT_EQ(host.processor()->getLatencySamples(), c.latency);
        EXPECT_EQ(host.processor()->getTailSamples(), c.tail);

        const std::vector<uint8_t> saved = test::stateOf(host.component());
        ASSERT_GT(saved.size(), 12u);
        EXPECT_EQ(saved[12], c.stateVersion);
        ProcessorHost& loaded = makeHost(kBlock, false);
        ASSERT_EQ(test::restore(loaded.component(), saved), kResultOk);
        EXPECT_EQ(loaded.processor()->getTailSamples(), c.tail) << "before the setup: the one it will give";
        ASSERT_EQ(loaded.setupProcessing(kRate, kBlock), kResultOk);
        EXPECT_EQ(loaded.processor()->getLatencySamples(), c.latency);
        EXPECT_EQ(test::stateOf(loaded.component()), saved);
        if (c.latency == 12288) linearState = saved;
    }

    ProcessorHost& minimum = restartedWith(kRate, {{kPhase, listValueOfPhase(Phase::Minimum)}});
    ASSERT_EQ(minimum.processor()->getLatencySamples(), 0u);
    ASSERT_EQ(minimum.setActive(false), kResultOk);
    ASSERT_EQ(test::restore(minimum.component(), linearState), kResultOk);
    ASSERT_EQ(minimum.setActive(true), kResultOk);
    EXPECT_EQ(minimum.processor()->getLatencySamples(), 12288u);
}

// Magnitude in dB of a response at `hz`, its delay taken out by the magnitude.
double levelAt(const std::vector<float>& taps, double hz, double rate)
{
    std::complex<double> sum = 0.0;
    const std::complex<double> turn = std::polar(1.0, -2.0 * M_PI * hz / rate);
    std::complex<double> phase = 1.0;
    for (float tap : taps) {
        sum += static_cast<double>(tap) * phase;
        phase *= turn;
    }
    return 20.0 * std::log10(std::abs(sum));
}

TEST_F(FftSize, TwiceTheRateWithTwiceTheLengthGivesTheSameCurve)
{
    // A gentle mastering curve: the four bells moved, both channels linked.
    const std::vector<std::pair<ParamID, double>> curve = {
        {kFreq1L, normFromFrequency(55.0)},   {kGain1L, bandGainNormFromDb(1.5)},  {kBW1L, normFromShownWidth(1.6)},
        {kFreq2L, normFromFrequency(280.0)},  {kGain2L, bandGainNormFromDb(-1.2)}, {kBW2L, normFromShownWidth(1.2)},
        {kFreq3L, normFromFrequency(3200.0)}, {kGain3L, bandGainNormFromDb(0.8)},  {kBW3L, normFromShownWidth(1.4)},
        {kFreq4L, normFromFrequency(12000.0)}, {kGain4L, bandGainNormFromDb(2.0)}, {kBW4L, normFromShownWidth(1.0)},
    };
    const auto responseOf = [&](double rate, int32_t size) {
        auto changes = curve;
        changes.emplace_back(kFftSizeMenu, listValueOfFftSize(size));
        ProcessorHost& host = restartedWith(rate, changes);
        return impulseResponse(host, static_cast<size_t>(size));
    };
    const struct
    {
        double rate;
        int32_t size;
        double baseRate;
    } cases[] = {{96000.0, 32768, 48000.0}, {192000.0, 65536, 48000.0}, {88200.0, 32768, 44100.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const std::vector<float> base = responseOf(c.baseRate, 16384);
        const std::vector<float> scaled = responseOf(c.rate, c.size);
        for (double hz = 20.0; hz <= 20000.0; hz *= 1.02) {
            const double expected = levelAt(base, hz, c.baseRate);
            const double level = levelAt(scaled, hz, c.rate);
            if (expected > -20.0) {
                EXPECT_NEAR(level, expected, 0.05) << hz << " Hz";
            } else if (expected > -40.0) {
                EXPECT_NEAR(level, expected, 0.25) << hz << " Hz";
            }
        }
    }
}

} // namespace
} // namespace vosk
