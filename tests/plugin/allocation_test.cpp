// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The bundle's process call never allocates, in any mode and in either phase,
// with parameter changes and with the listening tools on, driven as a host
// drives it.
#include "tests/support/allocation_counter.h"
#include "tests/support/plugin_host.h"

#include "source/listeningmessages.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(BundleAllocation, ProcessNeverAllocates)
{
    test::Module module(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(module.ok()) << module.error();
    auto factory = module.factory();
    for (Phase phase : {Phase::Linear, Phase::Minimum}) {
        SCOPED_TRACE(kPhaseEntries[static_cast<int>(phase)]);
        test::ProcessorHost host(factory, test::processorClassId());
        ASSERT_EQ(host.initialize(), kResultOk);

        // The counter sees the module's own allocations: set-up allocates its buffers.
        test::allocationCounting = true;
        ASSERT_EQ(host.setupProcessing(44100, 512), kResultOk);
        test::allocationCounting = false;
        EXPECT_GT(test::allocationCount.exchange(0), 0);
        ASSERT_EQ(host.setActive(true), kResultOk);
        // The phase as a host applies it: the value, then a restart, which may allocate.
        host.addParameterChange(kPhase, 0, listValueOfPhase(phase));
        {
            std::vector<float> silence(512, 0.0f), out(512);
            host.processStereo(silence.data(), silence.data(), out.data(), out.data(), 512);
        }
        ASSERT_EQ(host.setActive(false), kResultOk);
        ASSERT_EQ(host.setActive(true), kResultOk);
        ASSERT_EQ(host.processor()->getLatencySamples(), phase == Phase::Minimum ? 0u : 12288u);

        std::mt19937 rng(1);
        std::uniform_real_distribution<float> dist(-0.9f, 0.9f);
        std::vector<float> inL(20000), inR(20000), outL(20000), outR(20000);
        for (size_t i = 0; i < inL.size(); ++i) inL[i] = dist(rng), inR[i] = dist(rng);
        const ParamID bands[] = {kOn1L, kFreq1L, kGain1L, kQ1L, kBW1L, kShape1L};

        size_t pos = 0;
        long during = 0;
        auto block = [&](int32 n, uint64 flags = 0) {
            host.setInputSilenceFlags(flags);
            test::allocationCounting = true;
            host.processStereo(inL.data() + pos, inR.data() + pos, outL.data() + pos, outR.data() + pos, n);
            test::allocationCounting = false;
            during += test::allocationCount.exchange(0);
            pos = (pos + static_cast<size_t>(n)) % 10000;
        };

        block(512); // first block: every band echoes
        for (ParamID id : bands)
            for (int b = 0; b < 4; ++b) host.addParameterChange(id + b, 0, 0.3 + 0.1 * b);
        host.addParameterChange(kLink, 0, 0.0);
        block(512);
        host.addParameterChange(kMidSide, 0, 0.0);
        host.addParameterChange(kFreq2R, 0, 0.7);
        block(512);
        block(9000); // larger than the set-up's maximum: chunked
        host.addParameterChange(kBypass, 0, 1.0);
        block(4096);
        host.addParameterChange(kBypass, 0, 0.0);
        host.addParameterChange(kMuteMid, 0, 0.0);
        block(512);
        for (int k = 0; k < 30; ++k) block(1000, 3); // silent input: drained, then skipped
        host.addParameterChange(kInGain, 0, 0.0);
        block(512);

        // The loudnesses measured, a band soloed, the delta and the comparison heard.
        FUnknownPtr<IConnectionPoint> processor(host.component());
        IPtr<IMessage> wanted = test::makeMessage(host.hostContext(), kLoudnessWantedMessage);
        wanted->getAttributes()->setInt(kLoudnessWantedAttribute, 1);
        processor->notify(wanted);
        host.addParameterChange(kInGain, 0, 0.25);
        for (int k = 0; k < 10; ++k) block(4410);
        IPtr<IMessage> listen = test::makeMessage(host.hostContext(), kListeningMessage);
        for (const char* attribute : {kSoloBandAttribute, kDeltaAttribute, kCompareAttribute})
            listen->getAttributes()->setInt(attribute, 1);
        listen->getAttributes()->setInt(kSoloChannelAttribute, 0);
        processor->notify(listen);
        block(512);
        block(9000);
        for (int k = 0; k < 30; ++k) block(1000, 3);
        EXPECT_EQ(during, 0);
    }
}

} // namespace
} // namespace vosk
