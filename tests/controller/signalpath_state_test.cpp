// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's reading of a processor state checked against the signal path
// itself: values taken from a saved state, applied to a fresh signal path, must give
// the sound of the one that saved it.
#include "source/controller.h"
#include "source/dsp/signalpath.h"
#include "source/parameterids.h"
#include "tests/support/plugin_host.h"
#include "source/statecodec.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int32_t kBlock = 512;

// Applies changes between blocks and filters with them at once.
void applyChanges(SignalPath& path, const std::vector<std::pair<ParamID, double>>& changes)
{
    for (const auto& [id, value] : changes) {
        path.applyParameter(id, value);
        path.designNow();
    }
}

std::vector<float> render(SignalPath& path, int blocks)
{
    std::vector<float> out;
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    const float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    uint32_t noise = 12345;
    for (int block = 0; block < blocks; ++block) {
        for (int i = 0; i < kBlock; ++i) {
            noise = noise * 1664525u + 1013904223u;
            inL[i] = static_cast<float>(static_cast<int32_t>(noise) / 4294967296.0);
            inR[i] = 0.5f * inL[i] + 0.25f * std::sin(0.01f * static_cast<float>(block * kBlock + i));
        }
        AudioBlock audio;
        audio.inputs = inputs;
        audio.numInputChannels = 2;
        audio.outputs = outputs;
        audio.numOutputChannels = 2;
        audio.numSamples = kBlock;
        path.process(audio, nullptr);
        for (int i = 0; i < kBlock; ++i) {
            out.push_back(outL[i]);
            out.push_back(outR[i]);
        }
    }
    return out;
}

using Changes = std::vector<std::pair<ParamID, double>>;

struct Scenario
{
    // The host first sends the controller's initial values, so that every setting the
    // processor holds comes from a parameter.
    bool hostSentInitialValues;
    Changes changes;
};

class RestoredSound : public ::testing::TestWithParam<Scenario>
{
protected:
    IPtr<FUnknown> context = test::makeHostContext();
    IPtr<UIDescriptionController> controller = owned(new UIDescriptionController());

    void SetUp() override { ASSERT_EQ(controller->initialize(context), kResultOk); }
    void TearDown() override { controller->terminate(); }

    // Every writable parameter's value, in registration order, as a host sends them.
    Changes controllerValues()
    {
        Changes values;
        ParameterInfo info{};
        for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
            if (!(info.flags & ParameterInfo::kIsReadOnly))
                values.emplace_back(info.id, controller->getParamNormalized(info.id));
        return values;
    }
};

TEST_P(RestoredSound, MatchesTheSavedSignalPath)
{
    const Scenario& scenario = GetParam();
    SignalPath original;
    original.prepare(48000, kBlock);
    if (scenario.hostSentInitialValues) applyChanges(original, controllerValues());
    applyChanges(original, scenario.changes);

    ProcessorState saved;
    original.captureState(saved);
    const std::vector<uint8_t> bytes = encodeState(saved);
    IPtr<MemoryStream> stream(new MemoryStream(), false);
    stream->write(const_cast<uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()), nullptr);
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(controller->setComponentState(stream), kResultOk);

    // What a host sends back after reopening the project.
    SignalPath restored;
    restored.prepare(48000, kBlock);
    applyChanges(restored, controllerValues());

    SignalPath untouched;
    untouched.prepare(48000, kBlock);

    const int blocks = 40; // well past the latency
    const std::vector<float> expected = render(original, blocks);
    const std::vector<float> actual = render(restored, blocks);
    size_t differing = 0;
    float largest = 0.0f;
    for (size_t i = 0; i < expected.size(); ++i) {
        differing += actual[i] != expected[i];
        largest = std::max(largest, std::fabs(actual[i] - expected[i]));
    }
    if (scenario.hostSentInitialValues) {
        EXPECT_EQ(differing, 0u) << "of " << expected.size() << " samples";
    } else {
        // Bands never touched keep frequencies that a normalised value reaches only to
        // the nearest float: the same sound, not the same bits.
        EXPECT_LT(largest, 1e-5f);
    }
    EXPECT_NE(render(untouched, blocks), expected) << "the settings should change the sound";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Settings, RestoredSound,
    ::testing::Values(
        // Unlinked, mid/side, every kind of band setting on both channels.
        Scenario{true, Changes{{kLink, 1.0}, {kMidSide, 0.0}, {kInGain, 0.3}, {kFreq1L, 0.2}, {kGain1L, 0.8},
                               {kQ1L, 0.6}, {kBW1L, 0.4}, {kShape2R, 0.5}, {kFreq2R, 0.7}, {kOn3L, 0.0},
                               {kGain4R, 0.1}, {kShape3L, 1.0}, {kOnLoCut, 0.0}, {kRgain, 0.2}, {kLgain, 0.3},
                               {kGain2L, 0.35}, {kBW4R, 0.9}, {kQ3R, 0.25}}},
        // Linked moves, a muted side channel and the high cut off.
        Scenario{true, Changes{{kFreq1L, 0.3}, {kGain1L, 0.9}, {kBW2L, 0.01}, {kMuteSide, 0.0}, {kOnHiCut, 0.0}}},
        // Only a few parameters ever sent: untouched bands keep the processor's own defaults.
        Scenario{false, Changes{{kLink, 1.0}, {kFreq1L, 0.3}, {kGain3R, 0.2}, {kMidSide, 0.0}}},
        Scenario{false, Changes{{kInGain, 0.2}}}));
// clang-format on

} // namespace
} // namespace vosk
