// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve panel's live spectrum as a host meets it: the module's processor
// and the controller connected, the processor playing, and the controller asked
// for the picture on every tick of a panel's timer; and the listening tools'
// requests and figures crossing the same way. The threaded cases are also part
// of the run of make test-tsan.
#include "source/controller.h"
#include "source/parameterids.h"
#include "source/parametertable.h"
#include "tests/support/plugin_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kRate = 48000.0;
constexpr double kToneHz = 1000.0;
constexpr float kAmplitude = 0.5f;

// A processor from the module and a controller, connected as a host connects them.
class Connected
{
public:
    explicit Connected(IPluginFactory* factory, int32 maxBlock) : host(factory, test::processorClassId())
    {
        EXPECT_EQ(host.initialize(), kResultOk);
        EXPECT_EQ(controller->initialize(host.hostContext()), kResultOk);
        EXPECT_EQ(processorPoint->connect(controllerPoint), kResultOk);
        EXPECT_EQ(controllerPoint->connect(processorPoint), kResultOk);
        EXPECT_EQ(host.setupProcessing(kRate, maxBlock), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
    }
    ~Connected()
    {
        controllerPoint->disconnect(processorPoint);
        processorPoint->disconnect(controllerPoint);
        controller->terminate();
    }

    // The next block of the tone on both sides.
    void play(int32 samples)
    {
        tone.resize(static_cast<size_t>(samples));
        out.resize(tone.size());
        for (float& x : tone)
            x = kAmplitude * static_cast<float>(std::sin(2.0 * M_PI * kToneHz * double(played++) / kRate));
        host.processStereo(tone.data(), tone.data(), out.data(), out.data(), samples);
    }

    test::ProcessorHost host;
    IPtr<UIDescriptionController> controller = owned(new UIDescriptionController());

private:
    FUnknownPtr<IConnectionPoint> processorPoint{host.component()};
    FUnknownPtr<IConnectionPoint> controllerPoint{static_cast<IEditController*>(controller.get())};
    std::vector<float> tone, out;
    int64_t played = 0;
};

int loudest(const float* levels)
{
    return static_cast<int>(std::max_element(levels, levels + ui::SpectrumPicture::kPoints) - levels);
}

TEST(Spectrum, AToneOfOneKilohertzPeaksThereOnBothSidesOfTheFilter)
{
    test::Module module(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(module.ok()) << module.error();
    const struct
    {
        const char* mode;
        double midSide;
        int channels;
    } cases[] = {{"left/right", switchValue(kMidSide, false), 1},
                 {"mid/side", switchValue(kMidSide, true), 2}};
    IPtr<IPluginFactory> factory = module.factory();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        constexpr int32 kTick = 1600; // a 30 Hz timer at 48 kHz
        Connected plugin(factory, kTick);
        plugin.controller->setParamNormalized(kMidSide, c.midSide);
        plugin.host.addParameterChange(kMidSide, 0, c.midSide);

        ui::SpectrumPicture picture;
        plugin.play(kTick);
        EXPECT_FALSE(plugin.controller->latestSpectrum(picture)) << "no panel is open";
        plugin.controller->setSpectrumWanted(true);
        // Past the latency, and a frame's length of the filtered tone.
        for (int tick = 0; tick < 45; ++tick) {
            plugin.play(kTick);
            plugin.controller->latestSpectrum(picture);
        }
        ASSERT_TRUE(plugin.controller->latestSpectrum(picture));
        plugin.controller->setSpectrumWanted(false);

        EXPECT_EQ(picture.channels, c.channels);
        const float expectedDb = 20.0f * std::log10(kAmplitude);
        for (const float* levels : {picture.inputDb[0], picture.outputDb[0]}) {
            const int peak = loudest(levels);
            EXPECT_LE(std::abs(std::log2(ui::SpectrumPicture::frequency(peak) / kToneHz)), 1.0 / 6.0)
                << ui::SpectrumPicture::frequency(peak) << " Hz";
            EXPECT_NEAR(levels[peak], expectedDb, 1.0);
        }
        if (c.channels == 2) {
            // The same tone on both sides has no side.
            for (const float* levels : {picture.inputDb[1], picture.outputDb[1]})
                EXPECT_LT(levels[loudest(levels)], expectedDb - 60.0f);
        }
    }
}

// Frames cross from the audio thread to the main thread while both run.
TEST(HostileThreads, SpectrumFramesCrossWhileProcessing)
{
    test::Module module(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(module.ok()) << module.error();
    IPtr<IPluginFactory> factory = module.factory();
    constexpr int32 kBlock = 64;
    Connected plugin(factory, kBlock);
    plugin.controller->setSpectrumWanted(true);

    constexpr int kBlocks = 20000, kTicks = 300;
    std::atomic<int> processed{0};
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            plugin.play(kBlock);
            processed.fetch_add(1, std::memory_order_relaxed);
        }
    });
    int ticks = 0, shown = 0, wrongPeaks = 0;
    ui::SpectrumPicture picture;
    for (; ticks < kTicks || processed.load(std::memory_order_relaxed) < kBlocks; ++ticks) {
        if (plugin.controller->latestSpectrum(picture)) {
            ++shown;
            wrongPeaks +=
                std::abs(std::log2(ui::SpectrumPicture::frequency(loudest(picture.inputDb[0])) / kToneHz)) >
                1.0 / 6.0;
        }
        std::this_thread::yield();
    }
    stop.store(true, std::memory_order_relaxed);
    audio.join();
    plugin.controller->setSpectrumWanted(false);
    EXPECT_GT(shown, 0) << "of " << ticks << " ticks";
    EXPECT_EQ(wrongPeaks, 0) << "of " << shown << " pictures";
}

// What the panel asks to hear reaches the audio thread, and the loudness
// figures come back, while both run.
TEST(HostileThreads, ListeningCrossesWhileProcessing)
{
    test::Module module(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(module.ok()) << module.error();
    IPtr<IPluginFactory> factory = module.factory();
    constexpr int32 kBlock = 64;
    Connected plugin(factory, kBlock);
    plugin.controller->setLoudnessWanted(true);

    constexpr int kBlocks = 20000;
    std::atomic<int> processed{0};
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        while (!stop.load(std::memory_order_relaxed)) {
            plugin.play(kBlock);
            processed.fetch_add(1, std::memory_order_relaxed);
        }
    });
    int ticks = 0, figures = 0;
    for (; processed.load(std::memory_order_relaxed) < kBlocks; ++ticks) {
        // A solo, nothing, the delta, the comparison: a few seconds of each, asked again and again.
        const int phase = (processed.load(std::memory_order_relaxed) / 2000) % 4;
        plugin.controller->setListening(phase == 0 ? 3 : 0, 1, phase == 2, phase == 3);
        double lu = 0;
        if (plugin.controller->loudnessDifference(lu) && std::isfinite(lu)) ++figures;
        std::this_thread::yield();
    }
    stop.store(true, std::memory_order_relaxed);
    audio.join();
    plugin.controller->setListening(0, 0, false, false);
    plugin.controller->setLoudnessWanted(false);
    EXPECT_GT(figures, 0) << "of " << ticks << " ticks";
}

} // namespace
} // namespace vosk
