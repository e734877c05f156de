// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The listening tools of the built module, asked for by messages as its editor
// asks: a band soloed, what hosts and states make of them, and messages no
// editor would send.
#include "bundle_processors.h"
#include "toneproducts.h"

#include "source/dsp/frequencyresponse.h"
#include "source/listeningmessages.h"
#include "source/parametertable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
constexpr size_t kLatency = 12288;

struct Listen
{
    int64 soloBand = 0, soloChannel = 0, delta = 0, compare = 0;
};

tresult tell(ProcessorHost& host, const Listen& l)
{
    IPtr<IMessage> message = test::makeMessage(host.hostContext(), kListeningMessage);
    IAttributeList* attributes = message->getAttributes();
    attributes->setInt(kSoloBandAttribute, l.soloBand);
    attributes->setInt(kSoloChannelAttribute, l.soloChannel);
    attributes->setInt(kDeltaAttribute, l.delta);
    attributes->setInt(kCompareAttribute, l.compare);
    return FUnknownPtr<IConnectionPoint>(host.component())->notify(message);
}

// Band 3 of the left channel a bell at 1200 Hz, +6 dB, 900 to 1800 Hz, 1600 taps.
const std::vector<std::pair<ParamID, double>> kBell3 = {
    {kLink, switchValue(kLink, false)}, {kFreq3L, normFromFrequency(1200.0)}, {kGain3L, bandGainNormFromDb(6.0)},
    {kBW3L, 0.25},                      {kQ3L, 1.0}};

class Listening : public test::BundleProcessors
{
protected:
    ProcessorHost& start(const std::vector<std::pair<ParamID, double>>& values, int32 mode = kRealtime,
                         int32 block = 512)
    {
        hosts.push_back(std::make_unique<ProcessorHost>(factory, test::processorClassId()));
        ProcessorHost& host = *hosts.back();
        EXPECT_EQ(host.initialize(), kResultOk);
        EXPECT_EQ(host.setupProcessing(kRate48k, block, kSample32, mode), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
        for (const auto& [id, value] : values) host.addParameterChange(id, 0, value);
        return host;
    }
    // `in` through a fresh processor with `values`, told `listen` before it starts.
    Stereo play(const Stereo& in, const std::vector<std::pair<ParamID, double>>& values, const Listen& listen,
                int32 mode = kRealtime)
    {
        ProcessorHost& host = start(values, mode);
        EXPECT_EQ(tell(host, listen), kResultOk);
        return run(host, in, 512);
    }
};

Stereo impulse(size_t n)
{
    Stereo s(n);
    s.ch[0][0] = s.ch[1][0] = 1.0f;
    return s;
}

// A soloed bell plays its window at unity gain, a soloed cut what the cut
// removes; the other channel of a left/right solo is silent, and in mid/side
// the soloed mid plays in both outputs. With the delta, a solo plays the
// band's own change.
TEST_F(Listening, ASoloPlaysTheBandsRegionAlone)
{
    const size_t n = kLatency + 3 * kHop;
    const Stereo bell = play(impulse(n), kBell3, {3, 0, 0, 0});
    const std::vector<double> freqs = {1200.0, 225.0, 7200.0};
    const ResponseCurve left = analyseImpulse(bell.ch[0], kRate48k, freqs);
    EXPECT_NEAR(left.magnitudeDb[0], 0.0, 1.0) << "the band's centre";
    EXPECT_LT(left.magnitudeDb[1], -30.0) << "two octaves below its lower edge";
    EXPECT_LT(left.magnitudeDb[2], -30.0) << "two octaves above its upper edge";
    for (float x : bell.ch[1]) ASSERT_EQ(x, 0.0f) << "the right channel is not soloed";

    // What a cut removes and what it keeps add up to the input.
    std::vector<std::pair<ParamID, double>> cut = kBell3;
    cut.push_back({kShape3L, listValueOfShape(ShapeLowCut)});
    for (ParamID id : {kOnLoCut, kOnHiCut, kOn1L, kOn2L, kOn4L}) cut.push_back({id, 0.0});
    const Stereo in = noise(n, 5);
    const Stereo removed = play(in, cut, {3, 0, 0, 0});
    const Stereo kept = play(in, cut, {});
    for (size_t i = kLatency; i < n; ++i)
        ASSERT_NEAR(removed.ch[0][i] + kept.ch[0][i], in.ch[0][i - kLatency], 1e-5) << "sample " << i;

    // With the delta, the band's own change: the band alone less the input.
    std::vector<std::pair<ParamID, double>> alone = kBell3;
    for (ParamID id : {kOnLoCut, kOnHiCut, kOn1L, kOn2L, kOn4L, kOn1R, kOn2R, kOn3R, kOn4R}) alone.push_back({id, 0.0});
    const Stereo band = play(in, alone, {});
    const Stereo change = play(in, kBell3, {3, 0, 1, 0});
    for (size_t i = kLatency; i < n; ++i)
        for (int c = 0; c < 2; ++c)
            ASSERT_NEAR(change.ch[c][i], (c == 0 ? band.ch[0][i] : in.ch[1][i - kLatency]) - in.ch[c][i - kLatency],
                        1e-5)
                << "channel " << c << " sample " << i;

    std::vector<std::pair<ParamID, double>> midSide = kBell3;
    midSide.push_back({kMidSide, switchValue(kMidSide, true)});
    const Stereo mid = play(in, midSide, {3, 0, 0, 0});
    double energy = 0;
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(mid.ch[0][i], mid.ch[1][i]) << "sample " << i;
        energy += double(mid.ch[0][i]) * mid.ch[0][i];
    }
    EXPECT_GT(energy, 1.0);
}

// A solo asked for within a hop is read at the next hop start, as any change,
// and fades in as smoothly.
TEST_F(Listening, ASoloAskedMidHopIsHeardFromTheNextHopWithoutAClick)
{
    const size_t length = 4 * 48000;
    Stereo in(length);
    for (size_t i = 0; i < length; ++i)
        in.ch[0][i] = static_cast<float>(0.25 * std::sin(2 * M_PI * 1200.0 * static_cast<double>(i) / kRate48k));
    const Stereo unsoloed = play(in, kBell3, {});
    ProcessorHost& host = start(kBell3, kRealtime, 64);
    const Stereo soloed = run(host, in, 64, [&](size_t pos) {
        if (pos == kHop + 1024) {
            EXPECT_EQ(tell(host, {3, 0, 0, 0}), kResultOk);
        }
    });
    for (size_t i = 0; i < 3 * kHop; ++i) ASSERT_EQ(soloed.ch[0][i], unsoloed.ch[0][i]) << "sample " << i;
    EXPECT_NE(soloed.ch[0][3 * kHop + 64], unsoloed.ch[0][3 * kHop + 64]);
    EXPECT_LT(test::worstProductsBelowTone(soloed.ch[0], 48000, 1200.0, kRate48k), -100.0);
}

// What the engineer listens to is no setting: a state saved meanwhile is the
// one saved without it, an offline host never hears it, and a controller that
// goes away ends it.
TEST_F(Listening, NothingOfItIsSavedExportedOrLeftBehind)
{
    const Stereo in = noise(kLatency + 4 * kHop, 9);
    const Stereo normal = play(in, kBell3, {});
    ProcessorHost& plain = start(kBell3);
    run(plain, in, 512);
    const std::vector<uint8_t> saved = test::stateOf(plain.component());
    for (const Listen& listen : {Listen{3, 0, 0, 0}, Listen{0, 0, 1, 0}, Listen{0, 0, 0, 1}, Listen{2, 1, 1, 1}}) {
        ProcessorHost& host = start(kBell3);
        EXPECT_EQ(tell(host, listen), kResultOk);
        run(host, in, 512);
        EXPECT_EQ(test::stateOf(host.component()), saved);
        expectIdentical(play(in, kBell3, listen, kOffline), normal);
    }

    // The controller disconnects: the delta fades out and the solo ends at the next hop.
    ProcessorHost& host = start(kBell3);
    test::RecordingPeer peer;
    FUnknownPtr<IConnectionPoint> point(host.component());
    ASSERT_EQ(point->connect(&peer), kResultOk);
    EXPECT_EQ(tell(host, {3, 0, 1, 0}), kResultOk);
    const size_t cut = kHop + 512;
    const Stereo heard = run(host, in, 512, [&](size_t pos) {
        if (pos == cut) point->disconnect(&peer);
    });
    EXPECT_NE(heard.ch[0][cut], normal.ch[0][cut]);
    for (size_t i = cut + kLatency + 3 * kHop; i < in.size(); ++i)
        ASSERT_EQ(heard.ch[0][i], normal.ch[0][i]) << "sample " << i;
}

// Messages no editor sends are refused whole and change nothing.
TEST_F(Listening, MessagesItCannotPlayChangeNothing)
{
    const Stereo in = noise(kLatency + 2 * kHop, 3);
    const Stereo normal = play(in, kBell3, {});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        const char* what;
        std::function<void(IAttributeList&)> attributes;
    } cases[] = {
        {"no attributes", [](IAttributeList&) {}},
        {"no channel",
         [](IAttributeList& a) {
             a.setInt(kSoloBandAttribute, 3), a.setInt(kDeltaAttribute, 1), a.setInt(kCompareAttribute, 0);
         }},
        {"band 5", [](IAttributeList& a) { a.setInt(kSoloBandAttribute, 5); }},
        {"band -1", [](IAttributeList& a) { a.setInt(kSoloBandAttribute, -1); }},
        {"channel 2", [](IAttributeList& a) { a.setInt(kSoloChannelAttribute, 2); }},
        {"delta 2", [](IAttributeList& a) { a.setInt(kDeltaAttribute, 2); }},
        {"compare as a float", [](IAttributeList& a) { a.setFloat(kCompareAttribute, 1.0); }},
        {"delta not a number", [nan](IAttributeList& a) { a.setFloat(kDeltaAttribute, nan); }},
        {"band as a string", [](IAttributeList& a) { a.setString(kSoloBandAttribute, STR16("3")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProcessorHost& host = start(kBell3);
        IPtr<IMessage> message = test::makeMessage(host.hostContext(), kListeningMessage);
        IAttributeList* attributes = message->getAttributes();
        // Each case spoils one attribute of a request that would otherwise play.
        if (std::string(c.what) != "no attributes" && std::string(c.what) != "no channel") {
            attributes->setInt(kSoloBandAttribute, 3);
            attributes->setInt(kSoloChannelAttribute, 0);
            attributes->setInt(kDeltaAttribute, 1);
            attributes->setInt(kCompareAttribute, 1);
        }
        c.attributes(*attributes);
        EXPECT_EQ(FUnknownPtr<IConnectionPoint>(host.component())->notify(message), kResultFalse);
        expectIdentical(run(host, in, 512), normal);
    }
}

} // namespace
} // namespace vosk
