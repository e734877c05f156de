// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Saves and loads on the main thread while the audio thread processes, as hosts do
// during playback. Every save must be whole; built with ThreadSanitizer (make
// test-tsan), the run must also be free of data races.
#include "source/parameterids.h"
#include "source/parametertable.h"
#include "tests/support/plugin_host.h"
#include "source/statecodec.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// A processor playing 64-sample blocks at 48 kHz.
class HostileThreads : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.ok()) << module.error();
        host = std::make_unique<test::ProcessorHost>(module.factory(), test::processorClassId());
        ASSERT_EQ(host->initialize(), kResultOk);
        ASSERT_EQ(host->setupProcessing(48000, 64), kResultOk);
        ASSERT_EQ(host->setActive(true), kResultOk);
        component = host->component();
    }
    void TearDown() override { host.reset(); }

    // Loads saved bytes as a host loads a project; answers whether they were taken.
    bool load(const std::vector<uint8_t>& bytes)
    {
        IPtr<MemoryStream> stream(new MemoryStream(), false);
        stream->write(const_cast<uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()), nullptr);
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        return component->setState(stream) == kResultOk;
    }

    test::Module module{VOSK_BUNDLE_PATH};
    std::unique_ptr<test::ProcessorHost> host;
    IComponent* component = nullptr;
};

TEST_F(HostileThreads, SavesAndLoadsDuringProcessingAreWhole)
{
    {
        // Each block moves the three gains together: a save that holds them unequal
        // was copied while a block's changes were being published.
        constexpr int kBlocks = 3000, kSaves = 3000;
        std::atomic<int> processed{0};
        std::atomic<bool> stop{false};
        std::thread audio([&] {
            std::vector<float> in(64, 0.25f), outL(64), outR(64);
            for (int k = 0; !stop.load(std::memory_order_relaxed); ++k) {
                const double v = static_cast<double>(k % 101) / 100.0;
                for (ParamID id : {kInGain, kLgain, kRgain}) host->addParameterChange(id, 0, v);
                host->processStereo(in.data(), in.data(), outL.data(), outR.data(), 64);
                processed.store(k + 1, std::memory_order_relaxed);
            }
        });

        int saves = 0, loads = 0, torn = 0, refusedLoads = 0;
        int nextLoadAt = 0;
        std::vector<uint8_t> previous;
        int played = 0;
        while ((played = processed.load(std::memory_order_relaxed)) < kBlocks || saves < kSaves) {
            IPtr<MemoryStream> saved(new MemoryStream(), false);
            ++saves;
            const bool savedOk = component->getState(saved) == kResultOk;
            const auto* data = reinterpret_cast<const uint8_t*>(saved->getData());
            std::vector<uint8_t> bytes(data, data + saved->getSize());
            ProcessorState state;
            if (!savedOk || !decodeState(bytes.data(), bytes.size(), state) ||
                state.inputGain != state.channelGain[0] || state.inputGain != state.channelGain[1]) {
                ++torn;
                continue;
            }

            // Now and then a load of an earlier save, which the audio thread takes up
            // (and redesigns every band for: not too often).
            if (played >= nextLoadAt && !previous.empty()) {
                nextLoadAt = played + kBlocks / 10;
                ++loads;
                refusedLoads += !load(previous);
            }
            previous = std::move(bytes);
        }
        stop.store(true, std::memory_order_relaxed);
        audio.join();
        EXPECT_EQ(torn, 0) << "of " << saves << " saves during " << played << " blocks";
        EXPECT_EQ(refusedLoads, 0) << "of " << loads << " loads";
        EXPECT_GT(loads, 0);
    }
}

// Each block chooses a transform length and an input gain that goes with it: a
// save that pairs one block's gain with another block's length mixed two moments.
TEST_F(HostileThreads, SavesKeepTheLengthWithTheSettingsOfItsMoment)
{
    const int32_t sizes[] = {16384, 32768, 65536};
    const double gains[] = {0.2, 0.4, 0.6};
    constexpr int kBlocks = 3000, kSaves = 100000;
    std::atomic<int> processed{0};
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        // Short blocks: the moments change as often as they can.
        std::vector<float> in(4, 0.25f), outL(4), outR(4);
        for (int k = 0; !stop.load(std::memory_order_relaxed); ++k) {
            host->addParameterChange(kFftSizeMenu, 0, listValueOfFftSize(sizes[k % 3]));
            host->addParameterChange(kInGain, 0, gains[k % 3]);
            host->processStereo(in.data(), in.data(), outL.data(), outR.data(), 4);
            processed.store(k + 1, std::memory_order_relaxed);
        }
    });

    std::map<float, std::set<int32_t>> lengthsOfGain;
    int saves = 0, loads = 0, refused = 0;
    std::vector<uint8_t> previous;
    // Until every pairing has been saved (or far too long).
    while (processed.load(std::memory_order_relaxed) < kBlocks || saves < kSaves ||
           (lengthsOfGain.size() < 3 && saves < 100 * kSaves)) {
        IPtr<MemoryStream> saved(new MemoryStream(), false);
        ++saves;
        if (component->getState(saved) != kResultOk) {
            ++refused;
            continue;
        }
        const auto* data = reinterpret_cast<const uint8_t*>(saved->getData());
        std::vector<uint8_t> bytes(data, data + saved->getSize());
        ProcessorState state;
        if (!decodeState(bytes.data(), bytes.size(), state)) {
            ++refused;
            continue;
        }
        lengthsOfGain[state.inputGain].insert(state.fftSize);
        if (saves % 10000 == 0 && !previous.empty()) {
            ++loads;
            refused += !load(previous);
        }
        previous = std::move(bytes);
    }
    stop.store(true, std::memory_order_relaxed);
    audio.join();
    EXPECT_EQ(refused, 0);
    EXPECT_GT(loads, 0);
    EXPECT_GE(lengthsOfGain.size(), 3u);
    for (const auto& [gain, lengths] : lengthsOfGain) EXPECT_EQ(lengths.size(), 1u) << "input gain " << gain;
}

} // namespace
} // namespace vosk
