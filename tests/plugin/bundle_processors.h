// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Processors of the built bundle, created and driven as a host does, with the
// stereo signals and state helpers that the bundle tests share.
#pragma once

#include "source/parameterids.h"
#include "tests/support/plugin_host.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace vosk::test {

constexpr double kRate = 44100.0;

struct Stereo
{
    std::vector<float> ch[2];
    explicit Stereo(size_t n = 0) { ch[0].assign(n, 0.0f), ch[1].assign(n, 0.0f); }
    size_t size() const { return ch[0].size(); }
    bool operator==(const Stereo& other) const { return ch[0] == other.ch[0] && ch[1] == other.ch[1]; }
    bool operator!=(const Stereo& other) const { return !(*this == other); }
};

inline Stereo noise(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
    Stereo s(n);
    for (size_t i = 0; i < n; ++i) s.ch[0][i] = dist(rng), s.ch[1][i] = dist(rng);
    return s;
}

inline void expectIdentical(const Stereo& a, const Stereo& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ(a.ch[c][i], b.ch[c][i]) << "channel " << c << " sample " << i;
}

inline std::vector<uint8_t> stateOf(Steinberg::Vst::IComponent* component)
{
    IPtr<Steinberg::MemoryStream> stream(new Steinberg::MemoryStream(), false);
    EXPECT_EQ(component->getState(stream), Steinberg::kResultOk);
    const auto* data = reinterpret_cast<const uint8_t*>(stream->getData());
    return std::vector<uint8_t>(data, data + stream->getSize());
}

inline Steinberg::tresult restore(Steinberg::Vst::IComponent* component, std::vector<uint8_t> bytes)
{
    bytes.reserve(bytes.size() + 1); // never a null buffer, also for an empty stream
    IPtr<Steinberg::MemoryStream> stream(
        new Steinberg::MemoryStream(reinterpret_cast<char*>(bytes.data()),
                                    static_cast<Steinberg::TSize>(bytes.size())),
        false);
    return component->setState(stream);
}

class BundleProcessors : public ::testing::Test
{
protected:
    Module module{VOSK_BUNDLE_PATH};
    IPtr<Steinberg::IPluginFactory> factory;
    std::vector<std::unique_ptr<ProcessorHost>> hosts;

    void SetUp() override
    {
        ASSERT_TRUE(module.ok()) << module.error();
        factory = module.factory();
        ASSERT_TRUE(factory);
    }
    void TearDown() override
    {
        hosts.clear();
        factory = nullptr;
    }

    // A processor, initialised; with `activate` also set up for `rate` and blocks of
    // up to `maxBlock` samples, and active.
    ProcessorHost& makeHost(Steinberg::int32 maxBlock = 512, bool activate = true, double rate = kRate)
    {
        hosts.push_back(std::make_unique<ProcessorHost>(factory, processorClassId()));
        ProcessorHost& host = *hosts.back();
        EXPECT_TRUE(host.ok());
        EXPECT_EQ(host.initialize(), Steinberg::kResultOk);
        if (activate) {
            EXPECT_EQ(host.setupProcessing(rate, maxBlock), Steinberg::kResultOk);
            EXPECT_EQ(host.setActive(true), Steinberg::kResultOk);
        }
        return host;
    }

    // Processes `in` in blocks; `beforeBlock` may queue parameter changes or set flags,
    // `afterBlock` may read the block's output changes.
    static Stereo run(ProcessorHost& host, const Stereo& in, size_t block,
                      const std::function<void(size_t)>& beforeBlock = {},
                      const std::function<void(size_t)>& afterBlock = {})
    {
        Stereo out(in.size());
        for (size_t pos = 0; pos < in.size(); pos += block) {
            const size_t n = std::min(block, in.size() - pos);
            if (beforeBlock) beforeBlock(pos);
            EXPECT_EQ(host.processStereo(in.ch[0].data() + pos, in.ch[1].data() + pos, out.ch[0].data() + pos,
                                         out.ch[1].data() + pos, static_cast<Steinberg::int32>(n)),
                      Steinberg::kResultOk);
            if (afterBlock) afterBlock(pos);
        }
        return out;
    }

    static void allSectionsOff(ProcessorHost& host)
    {
        host.addParameterChange(kOnLoCut, 0, 0.0);
        host.addParameterChange(kOnHiCut, 0, 0.0);
        for (Steinberg::Vst::ParamID id : {kOn1L, kOn2L, kOn3L, kOn4L})
            host.addParameterChange(id, 0, 0.0); // linked: R follows
    }
};

} // namespace vosk::test
