// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The processor component driven through the VST 3 interfaces as a host
// does: lifecycle, buses and their negotiation, messages, process calls.
#include "source/parameterids.h"
#include "tests/support/plugin_host.h"

#include "public.sdk/source/common/memorystream.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using vosk::test::Module;
using vosk::test::ProcessorHost;

namespace {

std::string busName(IComponent* component, BusDirection dir, MediaType type = kAudio, int32 index = 0)
{
    BusInfo info{};
    if (component->getBusInfo(type, dir, index, info) != kResultOk) return "<none>";
    std::string out;
    for (const char16* c = info.name; *c; ++c) out.push_back(static_cast<char>(*c));
    return out;
}

SpeakerArrangement arrangement(IAudioProcessor* processor, BusDirection dir)
{
    SpeakerArrangement arr = ~SpeakerArrangement(0);
    processor->getBusArrangement(dir, 0, arr);
    return arr;
}

class Processor : public ::testing::Test
{
protected:
    Module module{VOSK_BUNDLE_PATH};
    IPtr<IPluginFactory> factory;
    std::unique_ptr<ProcessorHost> host;

    void SetUp() override
    {
        ASSERT_TRUE(module.ok()) << module.error();
        factory = module.factory();
        ASSERT_TRUE(factory);
        host = std::make_unique<ProcessorHost>(factory, vosk::test::processorClassId());
        ASSERT_TRUE(host->ok());
    }
    void TearDown() override
    {
        host.reset();
        factory = nullptr;
    }

    IComponent* component() { return host->component(); }
    IAudioProcessor* processor() { return host->processor(); }

    tresult request(SpeakerArrangement in, SpeakerArrangement out)
    {
        return processor()->setBusArrangements(&in, 1, &out, 1);
    }

    // Every audio bus reports the same channel count through both interfaces.
    void expectConsistentBuses()
    {
        for (BusDirection dir : {kInput, kOutput}) {
            for (int32 i = 0; i < component()->getBusCount(kAudio, dir); ++i) {
                BusInfo info{};
                ASSERT_EQ(component()->getBusInfo(kAudio, dir, i, info), kResultOk);
                SpeakerArrangement arr = 0;
                ASSERT_EQ(processor()->getBusArrangement(dir, i, arr), kResultOk);
                EXPECT_EQ(info.channelCount, SpeakerArr::getChannelCount(arr));
                EXPECT_EQ(info.mediaType, kAudio);
                EXPECT_EQ(info.direction, dir);
                EXPECT_EQ(info.busType, kMain);
                EXPECT_TRUE(info.flags & BusInfo::kDefaultActive);
            }
        }
    }
};

} // namespace

TEST_F(Processor, InitializeAddsStereoInOutAndOneEventInput)
{
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 0);
    ASSERT_EQ(host->initialize(), kResultOk);

    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kOutput), 0);

    EXPECT_EQ(busName(component(), kInput), "Stereo In");
    EXPECT_EQ(busName(component(), kOutput), "Stereo Out");
    EXPECT_EQ(busName(component(), kInput, kEvent), "Event In");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereo);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kStereo);
    expectConsistentBuses();

    BusInfo event{};
    ASSERT_EQ(component()->getBusInfo(kEvent, kInput, 0, event), kResultOk);
    EXPECT_EQ(event.channelCount, 1);
    EXPECT_EQ(event.busType, kMain);
    EXPECT_EQ(event.flags, static_cast<uint32>(BusInfo::kDefaultActive));
}

TEST_F(Processor, InvalidBusQueriesAreRefused)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    BusInfo info{};
    EXPECT_NE(component()->getBusInfo(kAudio, kInput, 1, info), kResultOk);
    EXPECT_NE(component()->getBusInfo(kAudio, kOutput, -1, info), kResultOk);
    EXPECT_NE(component()->getBusInfo(kEvent, kOutput, 0, info), kResultOk);
    EXPECT_NE(component()->getBusInfo(MediaType(7), kInput, 0, info), kResultOk);
    SpeakerArrangement arr = 0;
    EXPECT_NE(processor()->getBusArrangement(kInput, 1, arr), kResultOk);
    EXPECT_NE(processor()->getBusArrangement(kOutput, -1, arr), kResultOk);
    EXPECT_NE(component()->activateBus(kAudio, kInput, 3, true), kResultOk);
    // Activating existing buses works in both directions.
    EXPECT_EQ(component()->activateBus(kAudio, kInput, 0, false), kResultOk);
    EXPECT_EQ(component()->activateBus(kAudio, kInput, 0, true), kResultOk);
    EXPECT_EQ(component()->activateBus(kEvent, kInput, 0, false), kResultOk);
}

TEST_F(Processor, InitializeTerminateCycles)
{
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_EQ(host->initialize(), kResultOk) << "cycle " << cycle;
        EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
        EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
        EXPECT_EQ(host->setupProcessing(48000, 512), kResultOk);
        EXPECT_EQ(host->setActive(true), kResultOk);
        EXPECT_EQ(host->setActive(false), kResultOk);
        EXPECT_EQ(host->terminate(), kResultOk);
        EXPECT_EQ(component()->getBusCount(kAudio, kInput), 0);
        EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 0);
        EXPECT_EQ(component()->getBusCount(kEvent, kInput), 0);
    }
}

TEST_F(Processor, SecondInitializeIsRefusedAndAddsNoBuses)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_NE(component()->initialize(host->hostContext()), kResultOk);
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
}

TEST_F(Processor, FixedAnswers)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_EQ(processor()->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor()->canProcessSampleSize(kSample64), kResultFalse);
    EXPECT_EQ(processor()->getTailSamples(), 4096u); // the decay past the latency
    EXPECT_EQ(component()->setIoMode(kAdvanced), kNotImplemented);
    EXPECT_EQ(processor()->setProcessing(true), kNotImplemented);
    EXPECT_EQ(processor()->setProcessing(false), kNotImplemented);

    // Refusing 64-bit samples covers the set-up too.
    EXPECT_NE(host->setupProcessing(48000, 512, kSample64), kResultOk);
    EXPECT_EQ(host->setupProcessing(48000, 512, kSample32), kResultOk);
}

TEST_F(Processor, LatencyIsConstantInEveryState)
{
    EXPECT_EQ(processor()->getLatencySamples(), 12288u);
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_EQ(processor()->getLatencySamples(), 12288u);
    ASSERT_EQ(host->setupProcessing(44100, 1024), kResultOk);
    ASSERT_EQ(host->setActive(true), kResultOk);
    EXPECT_EQ(processor()->getLatencySamples(), 12288u);
    ASSERT_EQ(host->setActive(false), kResultOk);

    // Bypass on through a restored state: a host's delay compensation must not move.
    uint8_t bypassed[8] = {0x00, 0x00, 0x80, 0x3F, 0x01, 0x00, 0x00, 0x00};
    IPtr<MemoryStream> stream(new MemoryStream(bypassed, sizeof(bypassed)), false);
    ASSERT_EQ(component()->setState(stream), kResultOk);
    EXPECT_EQ(processor()->getLatencySamples(), 12288u);
}

TEST_F(Processor, StateRoundTripAndShortStreams)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    IPtr<MemoryStream> saved(new MemoryStream(), false);
    ASSERT_EQ(component()->getState(saved), kResultOk);
    ASSERT_GE(saved->getSize(), 8);
    const uint8_t defaults[8] = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(saved->getData(), defaults, 8), 0);

    // A stream that ends early changes nothing and is reported as a failure.
    uint8_t truncated[6] = {0x00, 0x00, 0x00, 0x40, 0x01, 0x00};
    IPtr<MemoryStream> shortStream(new MemoryStream(truncated, sizeof(truncated)), false);
    EXPECT_NE(component()->setState(shortStream), kResultOk);
    IPtr<MemoryStream> again(new MemoryStream(), false);
    ASSERT_EQ(component()->getState(again), kResultOk);
    EXPECT_EQ(std::memcmp(again->getData(), defaults, 8), 0);

    uint8_t changed[8] = {0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00};
    IPtr<MemoryStream> in(new MemoryStream(changed, sizeof(changed)), false);
    ASSERT_EQ(component()->setState(in), kResultOk);
    IPtr<MemoryStream> out(new MemoryStream(), false);
    ASSERT_EQ(component()->getState(out), kResultOk);
    ASSERT_GE(out->getSize(), 8);
    EXPECT_EQ(std::memcmp(out->getData(), changed, 8), 0);
}

// --- bus-arrangement negotiation --------------------------------------------

TEST_F(Processor, MonoRequestGivesMonoBuses)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);
    EXPECT_EQ(busName(component(), kInput), "Mono In");
    EXPECT_EQ(busName(component(), kOutput), "Mono Out");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kMono);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kMono);
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    // The event input survives the rebuild.
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(busName(component(), kInput, kEvent), "Event In");
    expectConsistentBuses();
}

TEST_F(Processor, RepeatedMonoRequestIsAcceptedAgain)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    ASSERT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);
    EXPECT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(busName(component(), kInput), "Mono In");
    EXPECT_EQ(busName(component(), kOutput), "Mono Out");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kMono);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kMono);
}

TEST_F(Processor, MonoOutputTakesTheInputArrangement)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    const SpeakerArrangement centre = kSpeakerC;
    EXPECT_EQ(request(centre, SpeakerArr::kMono), kResultOk);
    EXPECT_EQ(arrangement(processor(), kInput), centre);
    EXPECT_EQ(arrangement(processor(), kOutput), centre);
    expectConsistentBuses();
}

TEST_F(Processor, MonoInStereoOutFallsBackToStereo)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_EQ(request(SpeakerArr::kMono, SpeakerArr::kStereo), kResultFalse);
    EXPECT_EQ(busName(component(), kInput), "Stereo In");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereo);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kStereo);

    // From mono buses the same request brings stereo back.
    ASSERT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);
    EXPECT_EQ(request(SpeakerArr::kMono, SpeakerArr::k51), kResultFalse);
    EXPECT_EQ(busName(component(), kInput), "Stereo In");
    EXPECT_EQ(busName(component(), kOutput), "Stereo Out");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereo);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kStereo);
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
    expectConsistentBuses();
}

TEST_F(Processor, WrongBusCountsChangeNothing)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    ASSERT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);

    SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    EXPECT_EQ(processor()->setBusArrangements(two, 2, two, 1), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(two, 1, two, 2), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(two, 0, two, 1), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(nullptr, 0, nullptr, 0), kResultFalse);
    EXPECT_EQ(busName(component(), kInput), "Mono In");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kMono);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kMono);
}

TEST_F(Processor, AnyTwoChannelPairIsAccepted)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_EQ(request(SpeakerArr::kStereoSurround, SpeakerArr::kStereoCenter), kResultTrue);
    EXPECT_EQ(busName(component(), kInput), "Stereo In");
    EXPECT_EQ(busName(component(), kOutput), "Stereo Out");
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereoSurround);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kStereoCenter);
    expectConsistentBuses();

    // Back to plain stereo from mono as well.
    ASSERT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);
    EXPECT_EQ(request(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultTrue);
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereo);
    EXPECT_EQ(busName(component(), kOutput), "Stereo Out");
}

TEST_F(Processor, UnusableRequestResetsAnUnusualPairToStereo)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    ASSERT_EQ(request(SpeakerArr::kStereoSurround, SpeakerArr::kStereoSurround), kResultTrue);
    EXPECT_EQ(request(SpeakerArr::k51, SpeakerArr::k51), kResultFalse);
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereo);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kStereo);

    // Already plain stereo: the answer is still no and the buses stay stereo.
    EXPECT_EQ(request(SpeakerArr::kStereo, SpeakerArr::kMono), kResultFalse);
    EXPECT_EQ(arrangement(processor(), kInput), SpeakerArr::kStereo);
    EXPECT_EQ(arrangement(processor(), kOutput), SpeakerArr::kStereo);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
}

TEST_F(Processor, NegotiationBeforeInitializeFindsNoBus)
{
    EXPECT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultFalse);
    EXPECT_EQ(request(SpeakerArr::kStereo, SpeakerArr::kStereo), kResultFalse);
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 0);
}

TEST_F(Processor, HostCanReapplyTheCurrentArrangement)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    SpeakerArrangement in = arrangement(processor(), kInput);
    SpeakerArrangement out = arrangement(processor(), kOutput);
    EXPECT_EQ(processor()->setBusArrangements(&in, 1, &out, 1), kResultTrue);
    expectConsistentBuses();
}

// --- messages -----------------------------------------------------------------

TEST_F(Processor, SetActiveTellsThePeerEveryTime)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    IPtr<vosk::test::RecordingPeer> peer(new vosk::test::RecordingPeer(), false);
    auto connection = FUnknownPtr<IConnectionPoint>(component());
    ASSERT_TRUE(connection);
    ASSERT_EQ(connection->connect(peer), kResultOk);

    ASSERT_EQ(host->setupProcessing(48000, 256), kResultOk);
    EXPECT_EQ(component()->setActive(true), kResultOk);
    EXPECT_EQ(component()->setActive(true), kResultOk);
    EXPECT_EQ(component()->setActive(false), kResultOk);
    EXPECT_EQ(component()->setActive(false), kResultOk);
    EXPECT_EQ(peer->texts, (std::vector<std::string>{"VOSK::setActive (true)", "VOSK::setActive (true)",
                                                     "VOSK::setActive (false)", "VOSK::setActive (false)"}));
    // The setup told the peer the rate and length it plays with first.
    ASSERT_EQ(peer->messageIds.size(), 5u);
    EXPECT_EQ(peer->messageIds[0], vosk::kProcessingSetupMessage);

    // Without a peer activation still works and sends nothing.
    ASSERT_EQ(connection->disconnect(peer), kResultOk);
    EXPECT_EQ(component()->setActive(true), kResultOk);
    EXPECT_EQ(component()->setActive(false), kResultOk);
    EXPECT_EQ(peer->texts.size(), 4u);
}

TEST_F(Processor, TerminateDropsThePeer)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    IPtr<vosk::test::RecordingPeer> peer(new vosk::test::RecordingPeer(), false);
    FUnknownPtr<IConnectionPoint> connection(component());
    ASSERT_EQ(connection->connect(peer), kResultOk);
    EXPECT_EQ(connection->connect(peer), kResultFalse); // one peer only
    ASSERT_EQ(host->terminate(), kResultOk);
    ASSERT_EQ(host->initialize(), kResultOk);
    EXPECT_EQ(component()->setActive(true), kResultOk);
    EXPECT_EQ(component()->setActive(false), kResultOk);
    EXPECT_TRUE(peer->texts.empty());
}

TEST_F(Processor, NotifyAnswers)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    FUnknownPtr<IConnectionPoint> connection(component());
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->notify(nullptr), kInvalidArgument);

    auto binary = vosk::test::makeMessage(host->hostContext(), "BinaryMessage");
    ASSERT_TRUE(binary);
    EXPECT_EQ(connection->notify(binary), kResultFalse); // no payload: not ours
    const char payload[3] = {1, 2, 3};
    binary->getAttributes()->setBinary("MyData", payload, sizeof(payload));
    EXPECT_EQ(connection->notify(binary), kResultOk);

    auto other = vosk::test::makeMessage(host->hostContext(), "SomethingElse");
    other->getAttributes()->setBinary("MyData", payload, sizeof(payload));
    EXPECT_EQ(connection->notify(other), kResultFalse);

    auto textWithoutText = vosk::test::makeMessage(host->hostContext(), "TextMessage");
    EXPECT_EQ(connection->notify(textWithoutText), kResultFalse);
}

TEST_F(Processor, ReceivedTextIsPrintedVerbatim)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    FUnknownPtr<IConnectionPoint> connection(component());
    auto message = vosk::test::makeMessage(host->hostContext(), "TextMessage");
    ASSERT_TRUE(message);
    const char16 text[] = STR16("100% sure: %s %d %n %%");
    message->getAttributes()->setString("Text", text);

    std::string printed;
    {
        vosk::test::StderrCapture capture;
        EXPECT_EQ(connection->notify(message), kResultOk);
        printed = capture.text();
    }
    EXPECT_EQ(printed, "[VOSK] received: 100% sure: %s %d %n %%\n");
}

// --- processing ---------------------------------------------------------------

TEST_F(Processor, ProcessWritesEveryOutputSampleAndNothingBeyond)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    ASSERT_EQ(host->setupProcessing(48000, 512), kResultOk);
    ASSERT_EQ(host->setActive(true), kResultOk);

    const int32 n = 512;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> inL(n), inR(n), outL(n + 16, nan), outR(n + 16, nan);
    for (int32 i = 0; i < n; ++i) {
        inL[i] = std::sin(0.01f * i);
        inR[i] = 0.5f * std::cos(0.03f * i);
    }
    const float guard = 12345.0f;
    std::fill(outL.begin() + n, outL.end(), guard);
    std::fill(outR.begin() + n, outR.end(), guard);

    for (int block = 0; block < 4; ++block) {
        ASSERT_EQ(host->processStereo(inL.data(), inR.data(), outL.data(), outR.data(), n), kResultOk);
        for (int32 i = 0; i < n; ++i) {
            ASSERT_TRUE(std::isfinite(outL[i])) << "left sample " << i;
            ASSERT_TRUE(std::isfinite(outR[i])) << "right sample " << i;
        }
        for (size_t i = n; i < outL.size(); ++i) {
            ASSERT_EQ(outL[i], guard);
            ASSERT_EQ(outR[i], guard);
        }
    }
}

TEST_F(Processor, ProcessCopesWithHostCornerCases)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    ASSERT_EQ(host->setupProcessing(44100, 1024), kResultOk);
    ASSERT_EQ(host->setActive(true), kResultOk);

    // Parameter flush: no samples, no buffers.
    host->addParameterChange(11, 0, 0.5);
    EXPECT_EQ(host->process(nullptr, 0, nullptr, 0, 0), kResultOk);

    // Varying block sizes, processing in place.
    std::vector<float> left(1024, 0.25f), right(1024, -0.25f);
    for (int32 n : {1, 7, 64, 1024, 3}) {
        float* channels[2] = {left.data(), right.data()};
        EXPECT_EQ(host->process(channels, 2, channels, 2, n), kResultOk) << n;
        for (int32 i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i]));
    }
}

TEST_F(Processor, MonoBlocksTouchOnlyTheGivenChannel)
{
    ASSERT_EQ(host->initialize(), kResultOk);
    ASSERT_EQ(request(SpeakerArr::kMono, SpeakerArr::kMono), kResultOk);
    ASSERT_EQ(host->setupProcessing(48000, 256), kResultOk);
    ASSERT_EQ(host->setActive(true), kResultOk);

    const int32 n = 256;
    std::vector<float> in(n, 0.5f), out(n, std::numeric_limits<float>::quiet_NaN());
    float* inputs[1] = {in.data()};
    float* outputs[1] = {out.data()};
    for (int block = 0; block < 3; ++block) {
        ASSERT_EQ(host->process(inputs, 1, outputs, 1, n), kResultOk);
        for (int32 i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(out[i])) << i;
    }
}
