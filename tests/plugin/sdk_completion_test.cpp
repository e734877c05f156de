// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The SDK pieces we complete ourselves, exercised in-process through their
// public interfaces: factory bookkeeping, AudioEffect defaults, host-side
// parameter queues and process data.
#include "tests/support/plugin_host.h"

#include "public.sdk/source/main/pluginfactory.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"
#include "public.sdk/source/vst/vstaudioeffect.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// --- CPluginFactory ----------------------------------------------------------

class Dummy : public FUnknown
{
public:
    static int alive;
    Dummy() { ++alive; }
    virtual ~Dummy() { --alive; }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        QUERY_INTERFACE(queried, obj, FUnknown::iid, FUnknown)
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override
    {
        if (--refs == 0) {
            delete this;
            return 0;
        }
        return refs;
    }
    uint32 refs = 1;
};
int Dummy::alive = 0;

FUnknown* createDummy(void*)
{
    return new Dummy();
}
FUnknown* createNothing(void*)
{
    return nullptr;
}

struct Cid
{
    TUID v;
};
Cid cidOf(int n)
{
    return {{static_cast<char>(n), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, static_cast<char>(n + 1)}};
}

} // namespace

TEST(PluginFactory, KeepsEachRegistrationFormApart)
{
    auto* factory = new CPluginFactory(PFactoryInfo("V", "U", "E", PFactoryInfo::kUnicode));
    const Cid a = cidOf(1), b = cidOf(2), c = cidOf(3);
    PClassInfo plain(a.v, PClassInfo::kManyInstances, "Cat", "Plain");
    PClassInfo2 extended(b.v, 1, "Cat2", "Ext", 1, "Fx", "Vendor", "1.2", "SDK");
    PClassInfoW wide(c.v, 1, "Cat3", u"Wide", 0, "Sub", u"WVendor", u"3.4", u"WSDK");
    ASSERT_TRUE(factory->registerClass(&plain, createDummy));
    ASSERT_TRUE(factory->registerClass(&extended, createDummy));
    ASSERT_TRUE(factory->registerClass(&wide, createDummy));
    EXPECT_FALSE(factory->registerClass(static_cast<PClassInfo2*>(nullptr), createDummy));
    EXPECT_FALSE(factory->registerClass(&plain, nullptr));
    ASSERT_EQ(factory->countClasses(), 3);

    // A plain entry has empty extended fields, and reads back in every form.
    PClassInfo2 info2;
    ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
    EXPECT_STREQ(info2.name, "Plain");
    EXPECT_STREQ(info2.subCategories, "");
    EXPECT_STREQ(info2.version, "");
    EXPECT_EQ(info2.classFlags, 0u);
    PClassInfoW infoW;
    ASSERT_EQ(factory->getClassInfoUnicode(0, &infoW), kResultOk);
    EXPECT_EQ(infoW.name[0], u'P');
    EXPECT_EQ(std::memcmp(infoW.cid, a.v, sizeof(TUID)), 0);

    // An extended entry converts to UTF-16 field by field.
    ASSERT_EQ(factory->getClassInfoUnicode(1, &infoW), kResultOk);
    EXPECT_EQ(std::u16string(infoW.vendor), u"Vendor");
    EXPECT_EQ(std::u16string(infoW.version), u"1.2");
    EXPECT_STREQ(infoW.subCategories, "Fx");

    // A UTF-16 entry has no 8-bit form.
    PClassInfo info;
    EXPECT_EQ(factory->getClassInfo(2, &info), kResultFalse);
    EXPECT_EQ(info.name[0], 0);
    EXPECT_EQ(factory->getClassInfo2(2, &info2), kResultFalse);
    ASSERT_EQ(factory->getClassInfoUnicode(2, &infoW), kResultOk);
    EXPECT_EQ(std::u16string(infoW.name), u"Wide");
    EXPECT_EQ(std::u16string(infoW.sdkVersion), u"WSDK");

    EXPECT_TRUE(factory->isClassRegistered(FUID::fromTUID(c.v)));
    EXPECT_FALSE(factory->isClassRegistered(FUID::fromTUID(cidOf(9).v)));
    factory->release();
}

TEST(PluginFactory, GrowsItsClassListAndCreatesByIdentifier)
{
    auto* factory = new CPluginFactory(PFactoryInfo());
    for (int n = 0; n < 40; ++n) {
        const Cid cid = cidOf(n);
        PClassInfo info(cid.v, 1, "C", "N");
        ASSERT_TRUE(factory->registerClass(&info, n == 39 ? createNothing : createDummy));
    }
    ASSERT_EQ(factory->countClasses(), 40);
    PClassInfo last;
    ASSERT_EQ(factory->getClassInfo(38, &last), kResultOk);
    const Cid expected = cidOf(38);
    EXPECT_EQ(std::memcmp(last.cid, expected.v, sizeof(TUID)), 0);

    void* obj = nullptr;
    const Cid cid38 = cidOf(38);
    ASSERT_EQ(factory->createInstance(cid38.v, FUnknown::iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(Dummy::alive, 1);
    EXPECT_EQ(static_cast<Dummy*>(static_cast<FUnknown*>(obj))->refs, 1u); // creation reference dropped
    static_cast<FUnknown*>(obj)->release();
    EXPECT_EQ(Dummy::alive, 0);

    // An interface the object lacks: nothing is returned and nothing leaks.
    obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(cid38.v, IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(Dummy::alive, 0);

    const Cid cid39 = cidOf(39);
    EXPECT_NE(factory->createInstance(cid39.v, FUnknown::iid, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);
    factory->release();
}

TEST(PluginFactory, ClearsTheModulePointerOnlyWhenItIsTheOne)
{
    auto* registered = new CPluginFactory(PFactoryInfo());
    auto* other = new CPluginFactory(PFactoryInfo());
    gPluginFactory = registered;
    other->release();
    EXPECT_EQ(gPluginFactory, registered);
    registered->addRef();
    EXPECT_EQ(registered->release(), 1u);
    EXPECT_EQ(gPluginFactory, registered);
    EXPECT_EQ(registered->release(), 0u);
    EXPECT_EQ(gPluginFactory, nullptr);
}

// --- AudioEffect defaults -----------------------------------------------------

namespace {
class Effect : public AudioEffect
{
public:
    const ProcessSetup& setup() const { return processSetup; }
};
} // namespace

TEST(AudioEffect, BusHelpersAndDefaultNegotiation)
{
    IPtr<Effect> effect(new Effect(), false);
    AudioBus* in = effect->addAudioInput(STR16("In"), SpeakerArr::kStereo);
    effect->addAudioInput(STR16("Side"), SpeakerArr::kMono, kAux, 0);
    effect->addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
    EventBus* events = effect->addEventInput(STR16("Ev"));
    ASSERT_TRUE(in && events);
    EXPECT_EQ(effect->getAudioInput(0), in);
    EXPECT_EQ(effect->getAudioInput(2), nullptr);
    EXPECT_EQ(effect->getEventInput(0), events);
    EXPECT_EQ(effect->getEventOutput(0), nullptr);

    BusInfo info{};
    ASSERT_EQ(effect->getBusInfo(kEvent, kInput, 0, info), kResultOk);
    EXPECT_EQ(info.channelCount, 16);
    ASSERT_EQ(effect->getBusInfo(kAudio, kInput, 1, info), kResultOk);
    EXPECT_EQ(info.busType, kAux);
    EXPECT_EQ(info.flags, 0u);

    // More arrangements than buses: refused, nothing changes.
    SpeakerArrangement three[3] = {SpeakerArr::k51, SpeakerArr::k51, SpeakerArr::k51};
    SpeakerArrangement one = SpeakerArr::kMono;
    EXPECT_EQ(effect->setBusArrangements(three, 3, &one, 1), kResultFalse);
    SpeakerArrangement arr = 0;
    ASSERT_EQ(effect->getBusArrangement(kInput, 0, arr), kResultOk);
    EXPECT_EQ(arr, SpeakerArr::kStereo);

    // Within the bus counts every arrangement is taken as given.
    EXPECT_EQ(effect->setBusArrangements(three, 2, &one, 1), kResultTrue);
    ASSERT_EQ(effect->getBusArrangement(kInput, 1, arr), kResultOk);
    EXPECT_EQ(arr, SpeakerArr::k51);
    ASSERT_EQ(effect->getBusArrangement(kOutput, 0, arr), kResultOk);
    EXPECT_EQ(arr, SpeakerArr::kMono);
    ASSERT_EQ(effect->getBusInfo(kAudio, kOutput, 0, info), kResultOk);
    EXPECT_EQ(info.channelCount, 1);

    EXPECT_EQ(effect->removeAudioBusses(), kResultOk);
    EXPECT_EQ(effect->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(effect->getBusCount(kEvent, kInput), 1);
}

TEST(AudioEffect, StoresAnAcceptedSetupOnly)
{
    IPtr<Effect> effect(new Effect(), false);
    ProcessSetup good{kOffline, kSample32, 333, 96000.0};
    EXPECT_EQ(effect->setupProcessing(good), kResultOk);
    EXPECT_EQ(effect->setup().maxSamplesPerBlock, 333);
    EXPECT_EQ(effect->setup().sampleRate, 96000.0);
    EXPECT_EQ(effect->setup().processMode, kOffline);

    ProcessSetup wide{kRealtime, kSample64, 64, 44100.0};
    EXPECT_EQ(effect->setupProcessing(wide), kResultFalse);
    EXPECT_EQ(effect->setup().maxSamplesPerBlock, 333);
    EXPECT_EQ(effect->setup().symbolicSampleSize, kSample32);

    EXPECT_EQ(effect->getLatencySamples(), 0u);
    EXPECT_EQ(effect->getTailSamples(), 0u);
}

// --- ParameterChanges -----------------------------------------------------------

TEST(ParameterChanges, QueuesKeepPointsInOffsetOrder)
{
    IPtr<ParameterValueQueue> queue(new ParameterValueQueue(7), false);
    int32 index = -1;
    queue->addPoint(100, 0.5, index);
    EXPECT_EQ(index, 0);
    queue->addPoint(10, 0.1, index);
    EXPECT_EQ(index, 0);
    queue->addPoint(50, 0.3, index);
    EXPECT_EQ(index, 1);
    queue->addPoint(50, 0.4, index); // same offset: the value is replaced
    EXPECT_EQ(index, 1);
    ASSERT_EQ(queue->getPointCount(), 3);

    const int32 offsets[] = {10, 50, 100};
    const double values[] = {0.1, 0.4, 0.5};
    for (int32 i = 0; i < 3; ++i) {
        int32 offset = -1;
        ParamValue value = -1;
        ASSERT_EQ(queue->getPoint(i, offset, value), kResultOk);
        EXPECT_EQ(offset, offsets[i]);
        EXPECT_EQ(value, values[i]);
    }
    int32 offset = 0;
    ParamValue value = 0;
    EXPECT_NE(queue->getPoint(3, offset, value), kResultOk);
    EXPECT_NE(queue->getPoint(-1, offset, value), kResultOk);
    EXPECT_EQ(queue->getParameterId(), 7u);
}

TEST(ParameterChanges, OneQueuePerParameterRecycledEachBlock)
{
    IPtr<ParameterChanges> changes(new ParameterChanges(2), false);
    int32 index = -1;
    IParamValueQueue* a = changes->addParameterData(11, index);
    EXPECT_EQ(index, 0);
    IParamValueQueue* b = changes->addParameterData(24, index);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(changes->addParameterData(11, index), a);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(changes->getParameterCount(), 2);
    EXPECT_EQ(changes->getParameterData(1), b);
    EXPECT_EQ(changes->getParameterData(2), nullptr);
    a->addPoint(0, 0.25, index);

    // Beyond the reserved queues it still works.
    IParamValueQueue* c = changes->addParameterData(40, index);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(index, 2);

    changes->clearQueue();
    EXPECT_EQ(changes->getParameterCount(), 0);
    IParamValueQueue* reused = changes->addParameterData(99, index);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(reused->getParameterId(), 99u);
    EXPECT_EQ(reused->getPointCount(), 0); // no points carried over from the last block
}

// --- HostProcessData ----------------------------------------------------------------

TEST(HostProcessData, SizesBuffersFromTheComponentsBuses)
{
    vosk::test::Module module(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(module.ok()) << module.error();
    auto factory = module.factory();
    {
        vosk::test::ProcessorHost host(factory, vosk::test::processorClassId());
        ASSERT_EQ(host.initialize(), kResultOk);

        HostProcessData data;
        ASSERT_TRUE(data.prepare(*host.component(), 64, kSample32));
        ASSERT_EQ(data.numInputs, 1);
        ASSERT_EQ(data.numOutputs, 1);
        ASSERT_EQ(data.inputs[0].numChannels, 2);
        ASSERT_EQ(data.outputs[0].numChannels, 2);
        for (int32 c = 0; c < 2; ++c) {
            ASSERT_NE(data.inputs[0].channelBuffers32[c], nullptr);
            for (int32 i = 0; i < 64; ++i) EXPECT_EQ(data.inputs[0].channelBuffers32[c][i], 0.0f);
        }
        // Owned buffers are not replaced from outside.
        float outside[4] = {};
        data.setChannelBuffer(kInput, 0, 0, outside);
        EXPECT_NE(data.inputs[0].channelBuffers32[0], outside);

        // After a mono negotiation the buffers follow the buses.
        SpeakerArrangement mono = SpeakerArr::kMono;
        ASSERT_EQ(host.processor()->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
        ASSERT_TRUE(data.prepare(*host.component(), 0, kSample32));
        ASSERT_EQ(data.inputs[0].numChannels, 1);
        EXPECT_EQ(data.inputs[0].channelBuffers32[0], nullptr);
        float left[8] = {};
        data.setChannelBuffer(kInput, 0, 0, left);
        data.setChannelBuffer(kInput, 0, 5, left); // out of range: ignored
        data.setChannelBuffers(kOutput, 0, left);
        EXPECT_EQ(data.inputs[0].channelBuffers32[0], left);
        EXPECT_EQ(data.outputs[0].channelBuffers32[0], left);

        data.unprepare();
        EXPECT_EQ(data.numInputs, 0);
        EXPECT_EQ(data.inputs, nullptr);
        EXPECT_EQ(data.outputs, nullptr);
    }
}
