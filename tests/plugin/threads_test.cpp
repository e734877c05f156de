// Saves and loads on the main thread while the audio thread processes, as hosts do
// during playback. Every save must be whole; built with ThreadSanitizer (make
// test-tsan), the run must also be free of data races.
#include "source/parameterids.h"
#include "tests/support/plugin_host.h"
#include "source/statecodec.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(HostileThreads, SavesAndLoadsDuringProcessingAreWhole)
{
    test::Module module(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(module.ok()) << module.error();
    IPtr<IPluginFactory> factory = module.factory();
    {
        test::ProcessorHost host(factory, test::processorClassId());
        ASSERT_EQ(host.initialize(), kResultOk);
        ASSERT_EQ(host.setupProcessing(48000, 64), kResultOk);
        ASSERT_EQ(host.setActive(true), kResultOk);
        IComponent* component = host.component();

        // Each block moves the three gains together: a save that holds them unequal
        // was copied while a block's changes were being published.
        constexpr int kBlocks = 3000, kSaves = 3000;
        std::atomic<int> processed{0};
        std::atomic<bool> stop{false};
        std::thread audio([&] {
            std::vector<float> in(64, 0.25f), outL(64), outR(64);
            for (int k = 0; !stop.load(std::memory_order_relaxed); ++k) {
                const double v = static_cast<double>(k % 101) / 100.0;
                for (ParamID id : {kInGain, kLgain, kRgain}) host.addParameterChange(id, 0, v);
                host.processStereo(in.data(), in.data(), outL.data(), outR.data(), 64);
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
                IPtr<MemoryStream> load(new MemoryStream(), false);
                load->write(previous.data(), static_cast<int32>(previous.size()), nullptr);
                load->seek(0, IBStream::kIBSeekSet, nullptr);
                ++loads;
                refusedLoads += component->setState(load) != kResultOk;
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

} // namespace
} // namespace vosk
