// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The built bundle driven by a careless or broken host: streams that split or
// misreport their reads, messages without attributes or identifier, values outside
// 0..1, corrupt states, extreme samples and blocks without usable input.
#include "bundle_processors.h"
#include "source/parameterids.h"
#include "source/statecodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::noise;
using test::ProcessorHost;
using test::stateOf;
using test::Stereo;
using Bytes = std::vector<uint8_t>;

// Half a transform: a changed response is heard from the second such block on.
constexpr int32 kBlock = 8192;

// Hands out fixed bytes in pieces of at most `piece` bytes; reports `reported` as the
// count read, when given, instead of the truth.
class PieceStream : public IBStream
{
public:
    PieceStream(Bytes bytes, int32 piece, std::optional<int32> reported = std::nullopt)
        : bytes_(std::move(bytes)), piece_(piece), reported_(reported)
    {
        FUNKNOWN_CTOR
    }
    virtual ~PieceStream() = default;

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const int32 left = static_cast<int32>(bytes_.size() - position_);
        const int32 n = std::max(0, std::min({numBytes, piece_, left}));
        if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += static_cast<size_t>(n);
        if (numBytesRead) *numBytesRead = reported_.value_or(n);
        return kResultOk;
    }
    tresult PLUGIN_API write(void*, int32, int32*) override { return kNotImplemented; }
    tresult PLUGIN_API seek(int64, int32, int64*) override { return kNotImplemented; }
    tresult PLUGIN_API tell(int64* pos) override
    {
        if (pos) *pos = static_cast<int64>(position_);
        return kResultOk;
    }

    DECLARE_FUNKNOWN_METHODS

private:
    Bytes bytes_;
    int32 piece_;
    std::optional<int32> reported_;
    size_t position_ = 0;
};

IMPLEMENT_FUNKNOWN_METHODS(PieceStream, IBStream, IBStream::iid)

IPtr<IBStream> piecesOf(const Bytes& bytes, int32 piece, std::optional<int32> reported = std::nullopt)
{
    return owned(new PieceStream(bytes, piece, reported));
}

// A message as a broken host may send it: any identifier, no attribute list.
class BareMessage : public IMessage
{
public:
    explicit BareMessage(const char* id) : id_(id) { FUNKNOWN_CTOR }
    virtual ~BareMessage() = default;
    FIDString PLUGIN_API getMessageID() override { return id_; }
    void PLUGIN_API setMessageID(FIDString id) override { id_ = id; }
    IAttributeList* PLUGIN_API getAttributes() override { return nullptr; }

    DECLARE_FUNKNOWN_METHODS

private:
    FIDString id_;
};

IMPLEMENT_FUNKNOWN_METHODS(BareMessage, IMessage, IMessage::iid)

// The first sample that is not finite, as text; empty when all are.
std::string firstNonFinite(const Stereo& s)
{
    for (int c = 0; c < 2; ++c)
        for (size_t i = 0; i < s.ch[c].size(); ++i)
            if (!std::isfinite(s.ch[c][i]))
                return "channel " + std::to_string(c) + " sample " + std::to_string(i);
    return {};
}

class HostileHost : public test::BundleProcessors
{
protected:
    // A processor that restores `state` in pieces of `piece` bytes before set-up, as
    // hosts restore a project, then plays blocks of up to kBlock samples.
    ProcessorHost& restoredHost(const Bytes& state, int32 piece)
    {
        ProcessorHost& host = makeHost(kBlock, false);
        EXPECT_EQ(host.component()->setState(piecesOf(state, piece)), kResultOk);
        EXPECT_EQ(host.setupProcessing(test::kRate, kBlock), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
        return host;
    }

    IPtr<IEditController> makeController()
    {
        auto controller = test::createInstance<IEditController>(factory, test::controllerClassId());
        EXPECT_TRUE(controller);
        EXPECT_EQ(controller->initialize(test::makeHostContext()), kResultOk);
        return controller;
    }

    static std::vector<double> valuesOf(IEditController* controller)
    {
        std::vector<double> values;
        ParameterInfo info{};
        for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
            values.push_back(controller->getParamNormalized(info.id));
        return values;
    }

    // A state with every kind of setting away from its default.
    Bytes unusualState()
    {
        ProcessorHost& host = makeHost(kBlock);
        const std::pair<ParamID, double> changes[] = {
            {kLink, 1.0},    {kMidSide, 0.0}, {kInGain, 0.3},  {kFreq1L, 0.2}, {kGain1L, 0.8},
            {kQ1L, 0.6},     {kBW1L, 0.4},    {kShape2R, 0.5}, {kFreq2R, 0.7}, {kOn3L, 0.0},
            {kGain4R, 0.1},  {kShape3L, 1.0}, {kOnLoCut, 0.0}, {kRgain, 0.2},  {kLgain, 0.3},
            {kGain2L, 0.35}, {kBW4R, 0.9},    {kQ3R, 0.25},
        };
        for (const auto& [id, v] : changes) host.addParameterChange(id, 0, v);
        EXPECT_EQ(host.process(nullptr, 0, nullptr, 0, 0), kResultOk);
        return stateOf(host.component());
    }
};

// --- streams --------------------------------------------------------------------

TEST_F(HostileHost, StreamThatMisreportsItsReadsIsRefused)
{
    const Bytes valid = unusualState();
    ProcessorHost& host = makeHost(kBlock);
    const Bytes before = stateOf(host.component());
    auto controller = makeController();
    const std::vector<double> valuesBefore = valuesOf(controller);

    // More than was asked for (in one piece or in small ones), or a negative count.
    const std::pair<int32, int32> lies[] = {{1 << 20, 65536}, {8, 9}, {1 << 20, -1}, {3, -3}};
    for (const auto& [piece, reported] : lies) {
        SCOPED_TRACE("pieces of " + std::to_string(piece) + " reported as " + std::to_string(reported));
        EXPECT_EQ(host.component()->setState(piecesOf(valid, piece, reported)), kResultFalse);
        EXPECT_EQ(controller->setComponentState(piecesOf(valid, piece, reported)), kResultFalse);
    }
    EXPECT_EQ(stateOf(host.component()), before);
    EXPECT_EQ(valuesOf(controller), valuesBefore);
    controller->terminate();
}

TEST_F(HostileHost, StateInPiecesOfAnySizeRestoresWhole)
{
    const Bytes saved = unusualState();
    const Stereo in = noise(3 * kBlock, 11);
    const Stereo expected = run(restoredHost(saved, 1 << 20), in, kBlock);
    ASSERT_NE(run(makeHost(kBlock), in, kBlock), expected) << "the saved settings should change the sound";
    auto reference = makeController();
    ASSERT_EQ(reference->setComponentState(piecesOf(saved, 1 << 20)), kResultOk);
    const std::vector<double> expectedValues = valuesOf(reference);
    reference->terminate();

    for (int32 piece = 1; piece <= 64; ++piece) {
        SCOPED_TRACE("pieces of " + std::to_string(piece) + " bytes");
        ProcessorHost& host = restoredHost(saved, piece);
        EXPECT_EQ(stateOf(host.component()), saved);
        EXPECT_TRUE(run(host, in, kBlock) == expected);
        hosts.pop_back();

        auto controller = makeController();
        EXPECT_EQ(controller->setComponentState(piecesOf(saved, piece)), kResultOk);
        EXPECT_EQ(valuesOf(controller), expectedValues);
        controller->terminate();
    }
}

// --- messages -------------------------------------------------------------------

TEST_F(HostileHost, MessagesWithoutAttributesOrIdentifierAreAnsweredCleanly)
{
    ProcessorHost& host = makeHost(kBlock);
    auto controller = makeController();
    const IPtr<FUnknown> context = test::makeHostContext();
    const IPtr<IMessage> messages[] = {
        owned<IMessage>(new BareMessage("TextMessage")), owned<IMessage>(new BareMessage("BinaryMessage")),
        owned<IMessage>(new BareMessage(nullptr)),       test::makeMessage(context, nullptr),
        test::makeMessage(context, "NoSuchMessage"),
    };
    const std::pair<const char*, FUnknown*> sides[] = {{"processor", host.component()},
                                                       {"controller", controller.get()}};
    for (const auto& [side, object] : sides) {
        FUnknownPtr<IConnectionPoint> connection(object);
        ASSERT_TRUE(connection) << side;
        for (size_t m = 0; m < std::size(messages); ++m)
            EXPECT_EQ(connection->notify(messages[m]), kResultFalse) << side << ", message " << m;
    }
    controller->terminate();
}

// --- values ---------------------------------------------------------------------

TEST_F(HostileHost, OutOfRangeValuesOnEveryParameterPlayFinite)
{
    ProcessorHost& host = makeHost(kBlock);
    const Bytes defaults = stateOf(host.component());
    const Stereo in = noise(2 * kBlock, 12);
    int tried = 0;
    for (double value : {2.0, 20.0, 1e300, -1e300}) {
        for (ParamID id = 0; id < kNumControlTags; ++id) {
            SCOPED_TRACE("parameter " + std::to_string(id) + " at " + std::to_string(value));
            ASSERT_EQ(host.component()->setState(piecesOf(defaults, 1 << 20)), kResultOk);
            host.addParameterChange(id, 0, value);
            const Stereo out = run(host, in, kBlock);
            ++tried;
            ASSERT_EQ(firstNonFinite(out), "");
        }
    }
    std::printf("out-of-range values: %d parameter values tried, every output finite\n", tried);
}

TEST_F(HostileHost, CorruptStatesAreRefusedWholeOrPlayFinite)
{
    const Bytes valid = unusualState();
    ProcessorHost& host = makeHost(kBlock);
    const Stereo in = noise(2 * kBlock, 13);
    Bytes current = stateOf(host.component());
    int tried = 0, refused = 0;
    for (size_t at = 0; at < valid.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes corrupt = valid;
            corrupt[at] = static_cast<uint8_t>(corrupt[at] ^ (1u << bit));
            SCOPED_TRACE("byte " + std::to_string(at) + " bit " + std::to_string(bit));
            ++tried;
            if (host.component()->setState(piecesOf(corrupt, 1 << 20)) != kResultOk) {
                ++refused;
                ASSERT_EQ(stateOf(host.component()), current) << "a refused state changed the settings";
                continue;
            }
            ASSERT_EQ(firstNonFinite(run(host, in, kBlock)), "");
            current = stateOf(host.component()); // with the lamps the audio lit
        }
    }
    std::printf("corrupt states: %d single-bit flips of a %zu-byte state tried, %d refused\n", tried,
                valid.size(), refused);
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused, tried);
}

TEST_F(HostileHost, MetersReportUnitRangeValuesForAnExtremeSample)
{
    ProcessorHost& host = makeHost(kBlock);
    allSectionsOff(host);
    Stereo in(3 * kBlock);
    in.ch[0][0] = FLT_MAX;
    in.ch[1][0] = -FLT_MAX;
    std::vector<double> meters;
    for (size_t pos = 0; pos < in.ch[0].size(); pos += kBlock) {
        Stereo out(kBlock);
        ASSERT_EQ(host.processStereo(in.ch[0].data() + pos, in.ch[1].data() + pos, out.ch[0].data(),
                                     out.ch[1].data(), kBlock),
                  kResultOk);
        for (ParamID id : {VuMeterLeft, VUMeterRight})
            for (const auto& point : host.outputChanges().points(id)) meters.push_back(point.second);
    }
    ASSERT_FALSE(meters.empty());
    for (double value : meters) EXPECT_TRUE(value >= 0.0 && value <= 1.0) << value;
    EXPECT_EQ(*std::max_element(meters.begin(), meters.end()), 1.0);
    EXPECT_EQ(host.outputChanges().lastValue(kLpeak), 1.0);
}

// --- buffers --------------------------------------------------------------------

TEST_F(HostileHost, BlocksWithoutUsableInputWriteFlaggedSilence)
{
    ProcessorHost& host = makeHost(kBlock);
    const Stereo in = noise(512, 14);
    float* inputs[2] = {const_cast<float*>(in.ch[0].data()), const_cast<float*>(in.ch[1].data())};

    struct Case
    {
        const char* name;
        int32 numInputs;
        bool busGiven;
        float** channels;
        int32 numChannels;
    };
    const Case cases[] = {
        {"no input bus counted", 0, true, inputs, 2},
        {"no input bus array", 1, false, inputs, 2},
        {"no channel buffers", 1, true, nullptr, 2},
        {"no channels", 1, true, inputs, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stereo out(512);
        std::fill(out.ch[0].begin(), out.ch[0].end(), 7.0f);
        std::fill(out.ch[1].begin(), out.ch[1].end(), -7.0f);
        float* outputs[2] = {out.ch[0].data(), out.ch[1].data()};
        AudioBusBuffers inBus;
        inBus.numChannels = c.numChannels;
        inBus.channelBuffers32 = c.channels;
        AudioBusBuffers outBus;
        outBus.numChannels = 2;
        outBus.channelBuffers32 = outputs;
        outBus.silenceFlags = 0;
        ProcessData data;
        data.processMode = kRealtime;
        data.symbolicSampleSize = kSample32;
        data.numSamples = 512;
        data.numInputs = c.numInputs;
        data.numOutputs = 1;
        data.inputs = c.busGiven ? &inBus : nullptr;
        data.outputs = &outBus;
        ASSERT_EQ(host.processor()->process(data), kResultOk);
        EXPECT_TRUE(out == Stereo(512));
        EXPECT_EQ(outBus.silenceFlags, 3u);
    }
}

} // namespace
} // namespace vosk
