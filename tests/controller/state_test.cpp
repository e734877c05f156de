// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The controller taking its values from a processor state, as after a project is
// reopened: the values must be what the processor plays.
#include "source/parameterids.h"
#include "bundle_controller.h"
#include "source/dsp/settings.h"
#include "tests/support/plugin_host.h"
#include "source/statecodec.h"

#include "hosting/componenthandler.h"
#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

IPtr<MemoryStream> streamOf(const std::vector<uint8_t>& bytes)
{
    IPtr<MemoryStream> stream(new MemoryStream(), false);
    int32 written = 0;
    if (!bytes.empty())
        stream->write(const_cast<uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()), &written);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    return stream;
}

// Band tags by [channel: 0 left/mid, 1 right/side][band 1..4 at 0..3].
const ParamID kOnTags[2][4] = {{kOn1L, kOn2L, kOn3L, kOn4L}, {kOn1R, kOn2R, kOn3R, kOn4R}};
const ParamID kFreqTags[2][4] = {{kFreq1L, kFreq2L, kFreq3L, kFreq4L}, {kFreq1R, kFreq2R, kFreq3R, kFreq4R}};
const ParamID kQTags[2][4] = {{kQ1L, kQ2L, kQ3L, kQ4L}, {kQ1R, kQ2R, kQ3R, kQ4R}};
const ParamID kGainTags[2][4] = {{kGain1L, kGain2L, kGain3L, kGain4L}, {kGain1R, kGain2R, kGain3R, kGain4R}};
const ParamID kBWTags[2][4] = {{kBW1L, kBW2L, kBW3L, kBW4L}, {kBW1R, kBW2R, kBW3R, kBW4R}};
const ParamID kShapeTags[2][4] = {{kShape1L, kShape2L, kShape3L, kShape4L},
                                  {kShape1R, kShape2R, kShape3R, kShape4R}};

class ComponentState : public test::BundleController
{
protected:
    tresult restore(const std::vector<uint8_t>& bytes)
    {
        return controller->setComponentState(streamOf(bytes));
    }
    double value(ParamID id) { return controller->getParamNormalized(id); }

    std::vector<double> allValues()
    {
        std::vector<double> values;
        ParameterInfo info{};
        for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
            values.push_back(value(info.id));
        return values;
    }
};

TEST_F(ComponentState, AnOlderStateSetsGainAndBypassOnly)
{
    controller->setParamNormalized(kFreq1L, 0.3);
    controller->setParamNormalized(kLink, 1.0);
    // input gain 2.0, bypass on
    ASSERT_EQ(restore({0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00}), kResultOk);
    EXPECT_EQ(value(kInGain), 0.5);
    EXPECT_EQ(value(kBypass), 1.0);
    EXPECT_EQ(value(kFreq1L), 0.3);
    EXPECT_EQ(value(kLink), 1.0);
    EXPECT_EQ(value(kGain1L), 0.5);

    // A negative integer is bypass off.
    ASSERT_EQ(restore({0x00, 0x00, 0x80, 0x40, 0xFF, 0xFF, 0xFF, 0xFF}), kResultOk);
    EXPECT_EQ(value(kInGain), 1.0);
    EXPECT_EQ(value(kBypass), 0.0);
}

TEST_F(ComponentState, BrokenStatesChangeNothing)
{
    controller->setParamNormalized(kInGain, 0.6);
    controller->setParamNormalized(kBypass, 1.0);
    const std::vector<double> before = allValues();

    EXPECT_EQ(controller->setComponentState(nullptr), kInvalidArgument);
    EXPECT_EQ(restore({}), kResultFalse);
    EXPECT_EQ(restore({0x00, 0x00, 0x00, 0x40}), kResultFalse);
    EXPECT_EQ(restore({0x00, 0x00, 0xC0, 0x7F, 0x00, 0x00, 0x00, 0x00}), kResultFalse); // NaN gain
    EXPECT_EQ(restore({0x00, 0x00, 0xA0, 0x40, 0x00, 0x00, 0x00, 0x00}), kResultFalse); // gain 5
    std::vector<uint8_t> garbage = {0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00, 'J', 'U', 'N', 'K'};
    EXPECT_EQ(restore(garbage), kResultFalse);

    ProcessorState state;
    state.hasSettings = true;
    std::vector<uint8_t> truncated = encodeState(state);
    truncated.resize(truncated.size() - 3);
    EXPECT_EQ(restore(truncated), kResultFalse);
    EXPECT_EQ(allValues(), before);
}

TEST_F(ComponentState, SettingsSetEveryParameterInTheProcessorsSense)
{
    ProcessorState state;
    state.inputGain = 3.0f;
    state.bypass = true;
    state.hasSettings = true;
    for (int c = 0; c < 2; ++c)
        for (int b = 0; b < 4; ++b) {
            ProcessorState::Band& band = state.bands[c][b];
            const int k = c * 4 + b;
            band.on = k % 3 != 0;
            band.shape = k % 3; // 0 high cut, 1 low cut, 2 bell
            band.freqNorm = 0.1f + 0.1f * k;
            band.qNorm = 0.9f - 0.1f * k;
            band.gainNorm = 0.05f + 0.11f * k;
            band.freqHz = frequencyFromNorm(band.freqNorm);
            band.q = band.qNorm;
            band.gain = bandGainFromNorm(band.gainNorm);
            // Half the bands as the intake leaves them, half with a band's initial pairing.
            band.widthNorm = 0.02f + 0.12f * k;
            band.width = widthFromNorm(band.widthNorm);
            if (k % 2 == 0) {
                band.width = 0.1f + 0.25f * k;
                band.widthNorm = initialWidthNorm(band.width);
            }
        }
    state.lowCutOn = false;
    state.highCutOn = true;
    state.linked = false;
    state.midSide = true;
    state.channelEnabled[0] = 1;
    state.channelEnabled[1] = 0;
    state.channelGain[0] = 2.0f;
    state.channelGain[1] = 0.5f;
    ASSERT_EQ(restore(encodeState(state)), kResultOk);

    EXPECT_EQ(value(kInGain), 0.75);
    EXPECT_EQ(value(kBypass), 1.0);
    const double shapeValues[3] = {1.0, 0.5, 0.0}; // high cut, low cut, bell
    for (int c = 0; c < 2; ++c)
        for (int b = 0; b < 4; ++b) {
            const ProcessorState::Band& band = state.bands[c][b];
            SCOPED_TRACE("channel " + std::to_string(c) + " band " + std::to_string(b + 1));
            EXPECT_EQ(value(kOnTags[c][b]), band.on ? 1.0 : 0.0);
            EXPECT_EQ(value(kShapeTags[c][b]), shapeValues[band.shape]);
            EXPECT_EQ(value(kFreqTags[c][b]), double(band.freqNorm));
            EXPECT_EQ(value(kQTags[c][b]), double(band.qNorm));
            EXPECT_EQ(value(kGainTags[c][b]), double(band.gainNorm));
            // A value that plays the stored width.
            EXPECT_EQ(widthFromNorm(static_cast<float>(value(kBWTags[c][b]))), band.width);
        }
    EXPECT_EQ(value(kOnLoCut), 0.0);
    EXPECT_EQ(value(kOnHiCut), 1.0);
    EXPECT_EQ(value(kLink), 1.0);    // unlinked
    EXPECT_EQ(value(kMidSide), 0.0); // mid/side on
    EXPECT_EQ(value(kMuteMid), 1.0);
    EXPECT_EQ(value(kMuteSide), 0.0);
    EXPECT_EQ(value(kLgain), 0.5);
    EXPECT_EQ(value(kRgain), 0.125);
    // A state put together without held values holds those that set what it plays: the
    // types follow the left bands' shapes.
    const double typeValues[3] = {1.0, 0.0, 0.5}; // high cut, low cut, bell
    for (int b = 0; b < 4; ++b) EXPECT_EQ(value(kType1 + b), typeValues[state.bands[0][b].shape]);
    EXPECT_EQ(value(kFftSizeMenu), 0.0);
}

// --- with the real processor -------------------------------------------------------------

constexpr int32 kBlock = 512;

// Runs a stereo test signal through the processor and returns both outputs, interleaved.
std::vector<float> render(test::ProcessorHost& host, int blocks)
{
    std::vector<float> out;
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    uint32_t noise = 12345;
    for (int block = 0; block < blocks; ++block) {
        for (int i = 0; i < kBlock; ++i) {
            noise = noise * 1664525u + 1013904223u;
            inL[i] = static_cast<float>(static_cast<int32_t>(noise) / 4294967296.0);
            inR[i] = 0.5f * inL[i] + 0.25f * std::sin(0.01f * static_cast<float>(block * kBlock + i));
        }
        EXPECT_EQ(host.processStereo(inL.data(), inR.data(), outL.data(), outR.data(), kBlock), kResultOk);
        for (int i = 0; i < kBlock; ++i) {
            out.push_back(outL[i]);
            out.push_back(outR[i]);
        }
    }
    return out;
}

// A processor ready to play, whose first block carries the queued changes over silence.
struct Player
{
    test::ProcessorHost host;
    explicit Player(IPluginFactory* factory) : host(factory, test::processorClassId())
    {
        EXPECT_EQ(host.initialize(), kResultOk);
        EXPECT_EQ(host.setupProcessing(48000, kBlock), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
    }
    void settle(int blocks = 1)
    {
        std::vector<float> silence(kBlock, 0.0f), outL(kBlock), outR(kBlock);
        for (int i = 0; i < blocks; ++i)
            EXPECT_EQ(host.processStereo(silence.data(), silence.data(), outL.data(), outR.data(), kBlock),
                      kResultOk);
    }
};

// A new transform length or phase is a new latency: the processor hears of it
// first, then the host is asked for the restart in which the processor takes it up.
TEST_F(ComponentState, AChangedFftSizeOrPhaseReachesTheProcessorAndAsksForARestart)
{
    RecordingComponentHandler handler;
    ASSERT_EQ(controller->setComponentHandler(&handler), kResultOk);
    IPtr<test::RecordingPeer> processor(new test::RecordingPeer(), false);
    FUnknownPtr<IConnectionPoint> connection(controller);
    ASSERT_EQ(connection->connect(processor), kResultOk);
    const auto stateWith = [](int32_t fftSize, float phase = 0.0f) {
        ProcessorState state;
        state.hasSettings = true;
        state.fftSize = fftSize;
        state.hasHeldValues = true;
        state.heldValues[static_cast<size_t>(heldValueIndex(kFftSizeMenu))] =
            static_cast<float>(listValueOfFftSize(fftSize));
        state.heldValues[static_cast<size_t>(heldValueIndex(kPhase))] = phase;
        return encodeState(state);
    };
    // What the first version wrote: its 316 bytes of settings end before the length.
    // The version and the payload's size stand after the head and the tag.
    const auto withoutFftSize = [](std::vector<uint8_t> bytes) {
        constexpr size_t kFirstPayload = 316;
        bytes.resize(8 + 12 + kFirstPayload);
        bytes[12] = 1;
        bytes[16] = kFirstPayload & 0xFF;
        bytes[17] = kFirstPayload >> 8;
        return bytes;
    };

    const struct
    {
        const char* how;
        std::function<void()> change;
        bool restarts;
        double fftSizeValue, phaseValue;
    } steps[] = {
        {"the host's value", [&] { controller->setParamNormalized(kFftSizeMenu, 0.5); }, true, 0.5, 0.0},
        {"the same again", [&] { controller->setParamNormalized(kFftSizeMenu, 0.6); }, false, 0.6, 0.0},
        {"a state", [&] { restore(stateWith(65536)); }, true, 1.0, 0.0},
        {"the same state", [&] { restore(stateWith(65536)); }, false, 1.0, 0.0},
        {"the host's phase", [&] { controller->setParamNormalized(kPhase, 1.0); }, true, 1.0, 1.0},
        {"a state in the same phase", [&] { restore(stateWith(65536, 0.7f)); }, false, 1.0, double(0.7f)},
        {"a state written before the phase was stored", [&] { restore(stateWith(65536)); }, true, 1.0, 0.0},
        {"a state written before the length was stored", [&] { restore(withoutFftSize(stateWith(16384))); },
         true, 0.0, 0.0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.how);
        handler.restartFlags = 0;
        const size_t told = processor->messageIds.size();
        step.change();
        EXPECT_EQ(value(kFftSizeMenu), step.fftSizeValue);
        EXPECT_EQ(value(kPhase), step.phaseValue);
        EXPECT_EQ(handler.restartFlags, step.restarts ? kLatencyChanged : 0);
        EXPECT_EQ(processor->messageIds.size(), told + (step.restarts ? 1 : 0));
    }
    connection->disconnect(processor);
    controller->setComponentHandler(nullptr);
}

// What a strict validator does: every parameter a host can write set to random values,
// a save, other values, the save loaded; every value must be the one saved. The host
// sends each value to both sides and hands the processor's reports to the controller.
TEST_F(ComponentState, EveryParameterComesBackFromASave)
{
    std::vector<ParamID> writable;
    ParameterInfo info{};
    for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
        if (!(info.flags & ParameterInfo::kIsReadOnly)) writable.push_back(info.id);

    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        Player player(factory);
        ASSERT_TRUE(player.host.ok());
        const auto setEverything = [&] {
            std::vector<ParamID> order = writable;
            std::shuffle(order.begin(), order.end(), random);
            for (ParamID id : order) {
                const double v = unit(random);
                controller->setParamNormalized(id, v);
                player.host.addParameterChange(id, 0, v);
            }
            player.settle();
            test::Changes& reports = player.host.outputChanges();
            for (int32 q = 0; q < reports.getParameterCount(); ++q) {
                const ParamID id = reports.getParameterData(q)->getParameterId();
                controller->setParamNormalized(id, *reports.lastValue(id));
            }
        };

        setEverything();
        std::vector<double> saved;
        for (ParamID id : writable) saved.push_back(value(id));
        IPtr<MemoryStream> state(new MemoryStream(), false);
        ASSERT_EQ(player.host.component()->getState(state), kResultOk);

        setEverything();
        state->seek(0, IBStream::kIBSeekSet, nullptr);
        ASSERT_EQ(player.host.component()->setState(state), kResultOk);
        state->seek(0, IBStream::kIBSeekSet, nullptr);
        ASSERT_EQ(controller->setComponentState(state), kResultOk);
        for (size_t i = 0; i < writable.size(); ++i) {
            EXPECT_NEAR(value(writable[i]), saved[i], 1e-6) << "parameter " << writable[i];
        }
    }
}

TEST_F(ComponentState, RestoredValuesReproduceTheProcessorsSound)
{
    Player original(factory);
    ASSERT_TRUE(original.host.ok());
    const std::pair<ParamID, double> changes[] = {
        {kLink, 1.0},    {kMidSide, 0.0}, {kInGain, 0.3}, {kFreq1L, 0.2},  {kGain1L, 0.8}, {kQ1L, 0.6},
        {kBW1L, 0.4},    {kShape2R, 0.5}, {kFreq2R, 0.7}, {kOn3L, 0.0},    {kGain4R, 0.1}, {kShape3L, 1.0},
        {kOnLoCut, 0.0}, {kRgain, 0.2},   {kLgain, 0.3},  {kGain2L, 0.35}, {kBW4R, 0.9},   {kQ3R, 0.25},
    };
    // The host first sends the controller's initial values, so that every setting the
    // processor holds comes from a parameter and a value can reproduce it exactly.
    ParameterInfo info{};
    for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
        if (!(info.flags & ParameterInfo::kIsReadOnly))
            original.host.addParameterChange(info.id, 0, value(info.id));
    original.settle();
    for (const auto& [id, v] : changes) original.host.addParameterChange(id, 0, v);
    // Changes take over at the next hop's start and fade in over the hop after it.
    const int twoHops = 2 * 8192 / kBlock;
    original.settle(twoHops);

    IPtr<MemoryStream> saved(new MemoryStream(), false);
    ASSERT_EQ(original.host.component()->getState(saved), kResultOk);
    if (saved->getSize() <= 8)
        GTEST_SKIP() << "the processor's state carries no settings block yet; nothing beyond gain and bypass "
                        "can be restored";
    saved->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(controller->setComponentState(saved), kResultOk);

    // A fresh processor gets the controller's values, as a host sends them back.
    Player restored(factory);
    for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
        if (!(info.flags & ParameterInfo::kIsReadOnly))
            restored.host.addParameterChange(info.id, 0, value(info.id));
    restored.settle();
    // As many blocks before the signal as the original had: the convolution's framing,
    // and with it its rounding, follows the block count.
    restored.settle(twoHops);

    Player untouched(factory);
    untouched.settle();

    const int blocks = 40; // well past the latency
    const std::vector<float> expected = render(original.host, blocks);
    const std::vector<float> actual = render(restored.host, blocks);
    const std::vector<float> defaults = render(untouched.host, blocks);
    ASSERT_EQ(actual.size(), expected.size());
    size_t differing = 0;
    for (size_t i = 0; i < expected.size(); ++i) differing += actual[i] != expected[i];
    EXPECT_EQ(differing, 0u) << "of " << expected.size() << " samples";
    // The settings matter: the defaults sound different.
    EXPECT_NE(defaults, expected);
}

} // namespace
} // namespace vosk
