// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Knobs moved while the built module plays, as a host sends the changes: when
// a change is heard, that the output does not depend on how the host cuts the
// audio into blocks, and that a change never splatters, in either phase.
#include "bundle_processors.h"
#include "toneproducts.h"

#include "source/parametertable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::expectIdentical;
using test::noise;
using test::ProcessorHost;
using test::Stereo;

constexpr double kRate48k = 48000.0;
constexpr size_t kHop = 8192;

// A change at an absolute sample of the stream.
struct Change
{
    size_t at;
    ParamID id;
    double value;
};

class Automation : public test::BundleProcessors
{
protected:
    // Plays `in` through a fresh processor in calls of `block` samples, each change
    // queued in the call that holds its sample, at its offset there. The phase is
    // chosen first, as a host applies it: the value, then a restart.
    Stereo play(const Stereo& in, size_t block, const std::vector<Change>& changes, Phase phase,
                int32 mode = kRealtime)
    {
        hosts.push_back(std::make_unique<ProcessorHost>(factory, test::processorClassId()));
        ProcessorHost& host = *hosts.back();
        EXPECT_EQ(host.initialize(), kResultOk);
        EXPECT_EQ(host.setupProcessing(kRate48k, static_cast<int32>(block), kSample32, mode), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
        if (phase != Phase::Linear) {
            host.addParameterChange(kPhase, 0, listValueOfPhase(phase));
            std::vector<float> silence(block, 0.0f), out(block);
            host.processStereo(silence.data(), silence.data(), out.data(), out.data(),
                               static_cast<int32>(block));
            EXPECT_EQ(host.setActive(false), kResultOk);
            EXPECT_EQ(host.setActive(true), kResultOk);
            EXPECT_EQ(host.processor()->getLatencySamples(), 0u);
        }
        size_t next = 0;
        return run(host, in, block, [&](size_t pos) {
            for (; next < changes.size() && changes[next].at < pos + block; ++next)
                host.addParameterChange(changes[next].id, static_cast<int32>(changes[next].at - pos),
                                        changes[next].value);
        });
    }
};

TEST_F(Automation, OutputIsTheSameForAnySplitIntoBlocksAndOffline)
{
    const Stereo in = noise(6 * kHop, 21);
    std::vector<Change> changes;
    for (size_t at = 100; at < in.size(); at += 37) {
        const double t = static_cast<double>(at) / static_cast<double>(in.size());
        changes.push_back({at, kGain3L, 0.5 + 0.4 * t});
        if (at % 3 == 0) changes.push_back({at, kFreq1R, 0.2 + 0.3 * t});
        if (at % 5 == 0) changes.push_back({at, kLgain, 0.25 + 0.1 * t});
    }
    const Change switches[] = {
        {9000, kMidSide, 0.0}, {15000, kLink, 1.0},   {20000, kShape2L, 0.5}, {25000, kOn4R, 0.0},
        {30000, kMidSide, 1.0}, {33000, kBypass, 1.0}, {34000, kBypass, 0.0}, {40000, kOnHiCut, 0.0},
    };
    changes.insert(changes.end(), std::begin(switches), std::end(switches));
    std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.at < b.at; });

    for (Phase phase : {Phase::Linear, Phase::Minimum}) {
        SCOPED_TRACE(kPhaseEntries[static_cast<int>(phase)]);
        const Stereo reference = play(in, 4096, changes, phase);
        for (size_t block : {32, 64, 500}) {
            SCOPED_TRACE("blocks of " + std::to_string(block));
            expectIdentical(play(in, block, changes, phase), reference);
        }
        SCOPED_TRACE("offline");
        expectIdentical(play(in, 4096, changes, phase, kOffline), reference);
    }
}

// A hop's response is designed from the settings in force at its first sample, and
// heard from the next hop start on: in linear phase as the hop comes out after the
// latency, in minimum phase once its design has run over the hop.
TEST_F(Automation, ChangesTakeEffectFromTheNextHopStart)
{
    const Stereo in = noise(5 * kHop, 22);
    const auto first = [](const Stereo& s, size_t n) {
        Stereo part(n);
        for (int c = 0; c < 2; ++c) std::copy(s.ch[c].begin(), s.ch[c].begin() + n, part.ch[c].begin());
        return part;
    };
    for (Phase phase : {Phase::Linear, Phase::Minimum}) {
        SCOPED_TRACE(kPhaseEntries[static_cast<int>(phase)]);
        const auto boost = [&](size_t at) { return play(in, 500, {{at, kGain3L, 0.8}}, phase); };
        const Stereo atHopStart = boost(kHop);
        const Stereo justAfter = boost(kHop + 1);
        expectIdentical(justAfter, boost(2 * kHop));
        EXPECT_NE(atHopStart, justAfter);
        const Stereo unchanged = play(in, 500, {}, phase);
        expectIdentical(first(atHopStart, 2 * kHop), first(unchanged, 2 * kHop));
        EXPECT_NE(first(atHopStart, 2 * kHop + 64), first(unchanged, 2 * kHop + 64));
    }
}

TEST_F(Automation, ChangesLeaveNoProductsAwayFromATone)
{
    // A 1200 Hz tone at -12 dBFS in the left channel; band 3 is a bell at 1200 Hz.
    const size_t length = 4 * 48000, change = 3 * 24000;
    Stereo in(length);
    for (size_t i = 0; i < length; ++i)
        in.ch[0][i] = static_cast<float>(0.25 * std::sin(2 * M_PI * 1200.0 * static_cast<double>(i) / kRate48k));
    std::vector<Change> ramp;
    for (size_t at = change; at < change + 48000; at += 64)
        ramp.push_back({at, kGain3L, 0.5 + 0.5 * static_cast<double>(at - change) / 48000.0});

    const struct
    {
        const char* what;
        std::vector<Change> changes;
    } cases[] = {
        {"gain stepped to +6 dB in one call", {{change, kGain3L, 1.0}}},
        {"gain ramped to +6 dB over a second, one change per call", ramp},
        {"mid/side switched on", {{change, kMidSide, 0.0}}},
        {"band 3 switched off after a boost", {{0, kGain3L, 1.0}, {change, kOn3L, 0.0}}},
    };
    for (Phase phase : {Phase::Linear, Phase::Minimum}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(kPhaseEntries[static_cast<int>(phase)]) + ": " + c.what);
            const Stereo out = play(in, 64, c.changes, phase);
            // From well after the tone's onset has come out.
            EXPECT_LT(test::worstProductsBelowTone(out.ch[0], 48000, 1200.0, kRate48k), -90.0);
        }
    }
}

} // namespace
} // namespace vosk
