// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/plugin_host.h"

#include "common/utf.h"
#include "source/classids.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <cstdio>
#include <cstdlib>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vosk::test {

namespace {
struct Ids
{
    TUID processor;
    TUID controller;
    Ids()
    {
        kProcessorClassId.toTUID(processor);
        kControllerClassId.toTUID(controller);
    }
};
const Ids& ids()
{
    static const Ids instance;
    return instance;
}
} // namespace

const TUID& processorClassId()
{
    return ids().processor;
}
const TUID& controllerClassId()
{
    return ids().controller;
}

// ---------------------------------------------------------------------------

namespace {
IPluginFactory* callGetPluginFactory(void* library)
{
    using GetFactoryFn = IPluginFactory*(PLUGIN_API*)();
    auto get = reinterpret_cast<GetFactoryFn>(library ? symbolIn(library, "GetPluginFactory") : nullptr);
    return get ? get() : nullptr;
}
} // namespace

Module::Module(const std::string& bundlePath)
{
    auto loaded = VST3::Hosting::Module::create(bundlePath, error_);
    if (!loaded) return;
    handle_ = mappedLibrary(libraryPathInBundle(bundlePath));
    if (!handle_) {
        error_ = "the loader reports " + bundlePath + " loaded, but no such library is mapped";
        return;
    }
    loader_ = std::move(loaded);
}

// The loader calls the exit function and unloads.
Module::~Module() = default;

void* Module::symbol(const char* name) const
{
    return handle_ ? symbolIn(handle_, name) : nullptr;
}

IPluginFactory* Module::getPluginFactory() const
{
    return callGetPluginFactory(handle_);
}

IPluginFactory* LibraryByHand::getPluginFactory() const
{
    return entered_ ? callGetPluginFactory(handle_) : nullptr;
}

IPtr<IPluginFactory> Module::factory() const
{
    return IPtr<IPluginFactory>(getPluginFactory(), false);
}

IPtr<FUnknown> makeHostContext()
{
    // The SDK's host application does not count references (addRef and release
    // are no-ops), so it lives for the whole process.
    static HostApplication application;
    return IPtr<FUnknown>(static_cast<IHostApplication*>(&application));
}

// ---------------------------------------------------------------------------

std::optional<double> Changes::lastValue(ParamID id)
{
    for (int32 i = 0; i < getParameterCount(); ++i) {
        IParamValueQueue* queue = getParameterData(i);
        if (!queue || queue->getParameterId() != id) continue;
        const int32 count = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0;
        if (count > 0 && queue->getPoint(count - 1, offset, value) == kResultOk) return value;
    }
    return std::nullopt;
}

std::vector<std::pair<int32, double>> Changes::points(ParamID id)
{
    std::vector<std::pair<int32, double>> out;
    for (int32 i = 0; i < getParameterCount(); ++i) {
        IParamValueQueue* queue = getParameterData(i);
        if (!queue || queue->getParameterId() != id) continue;
        for (int32 p = 0; p < queue->getPointCount(); ++p) {
            int32 offset = 0;
            ParamValue value = 0;
            if (queue->getPoint(p, offset, value) == kResultOk) out.emplace_back(offset, value);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------

ProcessorHost::ProcessorHost(IPluginFactory* factory, const TUID cid)
    : context_(makeHostContext()), inputChanges_(owned(new Changes())), outputChanges_(owned(new Changes()))
{
    component_ = createInstance<IComponent>(factory, cid);
    if (component_) {
        void* obj = nullptr;
        if (component_->queryInterface(IAudioProcessor::iid, &obj) == kResultOk)
            processor_ = IPtr<IAudioProcessor>(static_cast<IAudioProcessor*>(obj), false);
    }
}

ProcessorHost::~ProcessorHost()
{
    if (active_) setActive(false);
    if (initialized_) terminate();
}

tresult ProcessorHost::initialize()
{
    if (!component_) return kResultFalse;
    const tresult result = component_->initialize(context_);
    if (result == kResultOk) initialized_ = true;
    return result;
}

tresult ProcessorHost::terminate()
{
    if (!component_) return kResultFalse;
    initialized_ = false;
    return component_->terminate();
}

tresult ProcessorHost::setupProcessing(double sampleRate, int32 maxBlock, int32 sampleSize, int32 processMode)
{
    if (!processor_) return kResultFalse;
    ProcessSetup setup{processMode, sampleSize, maxBlock, sampleRate};
    sampleRate_ = sampleRate;
    processMode_ = processMode;
    return processor_->setupProcessing(setup);
}

tresult ProcessorHost::setActive(bool on)
{
    if (!component_ || !processor_) return kResultFalse;
    tresult result;
    if (on) {
        result = component_->setActive(true);
        processor_->setProcessing(true);
        active_ = true;
    } else {
        processor_->setProcessing(false);
        result = component_->setActive(false);
        active_ = false;
    }
    return result;
}

void ProcessorHost::addParameterChange(ParamID id, int32 sampleOffset, double value)
{
    int32 index = 0;
    if (IParamValueQueue* queue = inputChanges_->addParameterData(id, index))
        queue->addPoint(sampleOffset, value, index);
}

tresult ProcessorHost::process(float* const* inputs, int32 inChannels, float* const* outputs,
                               int32 outChannels, int32 numSamples)
{
    if (!processor_) return kResultFalse;
    AudioBusBuffers in;
    in.numChannels = inChannels;
    in.channelBuffers32 = const_cast<float**>(inputs);
    in.silenceFlags = inputSilenceFlags_;
    AudioBusBuffers out;
    out.numChannels = outChannels;
    out.channelBuffers32 = const_cast<float**>(outputs);

    ProcessContext context{};
    context.sampleRate = sampleRate_;

    ProcessData data;
    data.processMode = processMode_;
    data.symbolicSampleSize = kSample32;
    data.numSamples = numSamples;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = inputChanges_;
    data.outputParameterChanges = outputChanges_;
    data.processContext = &context;

    outputChanges_->clearQueue();
    const tresult result = processor_->process(data);
    outputSilenceFlags_ = out.silenceFlags;
    inputChanges_->clearQueue();
    return result;
}

tresult ProcessorHost::processStereo(const float* inL, const float* inR, float* outL, float* outR,
                                     int32 numSamples)
{
    float* inputs[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
    float* outputs[2] = {outL, outR};
    return process(inputs, 2, outputs, 2, numSamples);
}

// ---------------------------------------------------------------------------

RecordingPeer::RecordingPeer(){FUNKNOWN_CTOR}

RecordingPeer::~RecordingPeer(){FUNKNOWN_DTOR}

IMPLEMENT_FUNKNOWN_METHODS(RecordingPeer, IConnectionPoint, IConnectionPoint::iid)

    tresult PLUGIN_API RecordingPeer::connect(IConnectionPoint* other)
{
    if (!other) return kInvalidArgument;
    connectedTo = other;
    return kResultOk;
}

tresult PLUGIN_API RecordingPeer::disconnect(IConnectionPoint* other)
{
    if (other != connectedTo) return kResultFalse;
    connectedTo = nullptr;
    return kResultOk;
}

tresult PLUGIN_API RecordingPeer::notify(IMessage* message)
{
    if (!message) return kInvalidArgument;
    const char* id = message->getMessageID();
    messageIds.emplace_back(id ? id : "");
    if (id && std::string(id) == "TextMessage") {
        TChar text[256] = {};
        if (message->getAttributes()->getString("Text", text, sizeof(text)) == kResultOk) {
            text[255] = 0;
            texts.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(text)));
        }
    }
    return kResultOk;
}

IPtr<IMessage> makeMessage(FUnknown* hostContext, const char* id)
{
    FUnknownPtr<IHostApplication> host(hostContext);
    if (!host) return {};
    IPtr<IMessage> message(allocateMessage(host), false);
    if (message) message->setMessageID(id);
    return message;
}

} // namespace vosk::test
