// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostedplugin.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include "common/utf.h"
#include "hosting/fileio.h"
#include "hosting/presetfile.h"

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vosk {

namespace {

// The SDK's fixed text fields: UTF-16, terminated unless full.
template <size_t N> std::string utf8Of(const TChar (&text)[N])
{
    const auto* units = reinterpret_cast<const char16_t*>(text);
    size_t length = 0;
    while (length < N && units[length]) ++length;
    return utf16ToUtf8(std::u16string_view(units, length));
}

// Cut to the field, never inside a surrogate pair.
void copyToString128(const std::string& text, String128 out)
{
    std::u16string units = utf8ToUtf16(text);
    size_t length = std::min<size_t>(units.size(), 127);
    if (length > 0 && length < units.size() && units[length - 1] >= 0xD800 && units[length - 1] < 0xDC00)
        --length;
    std::memcpy(out, units.data(), length * sizeof(char16_t));
    out[length] = 0;
}

std::string asciiOf(const char8* text, size_t maxLen)
{
    return std::string(text, strnlen(text, maxLen));
}

std::string classIdText(const TUID cid)
{
    char8 text[64] = {};
    FUID::fromTUID(cid).toString(text);
    return text;
}

} // namespace

struct HostedPlugin::Impl
{
    VST3::Hosting::Module::Ptr module;
    // The SDK's host application counts no references; it lives exactly as
    // long as the plug-in it serves.
    HostApplication hostContext;
    RecordingComponentHandler handler;
    IPtr<IComponent> component;
    IPtr<IAudioProcessor> processor;
    IPtr<IEditController> controller;
    IPtr<IConnectionPoint> componentConnection;
    IPtr<IConnectionPoint> controllerConnection;
    bool componentInitialized = false;
    bool controllerInitialized = false;
    bool controllerIsComponent = false;
    TUID processorTuid = {};

    // Processing.
    HostProcessData data;
    ProcessContext context{};
    ParameterChanges inputChanges;
    ParameterChanges outputChanges;
    std::vector<std::pair<ParamID, ParamValue>> pending;
    bool processing = false;
    bool monoOnStereo = false; // a mono file runs on the plug-in's stereo buses
    std::vector<float> monoScratch[2];
    std::function<void(uint32_t, double)> outputListener;

    ~Impl()
    {
        if (componentConnection && controllerConnection) {
            componentConnection->disconnect(controllerConnection);
            controllerConnection->disconnect(componentConnection);
        }
        if (controller && controllerInitialized) {
            controller->setComponentHandler(nullptr);
            if (!controllerIsComponent) controller->terminate();
        }
        if (component && componentInitialized) component->terminate();
        componentConnection = nullptr;
        controllerConnection = nullptr;
        processor = nullptr;
        controller = nullptr;
        component = nullptr;
        // The module goes last: it unloads the code of the objects above.
        module.reset();
    }
};

HostedPlugin::HostedPlugin() : impl(std::make_unique<Impl>()) {}

HostedPlugin::~HostedPlugin()
{
    stop();
}

std::unique_ptr<HostedPlugin> HostedPlugin::load(const std::string& modulePath, std::string& error)
{
    std::unique_ptr<HostedPlugin> plugin(new HostedPlugin());
    Impl& p = *plugin->impl;

    p.module = VST3::Hosting::Module::create(modulePath, error);
    if (!p.module) return nullptr;
    const auto& factoryPtr = p.module->getFactory().get();
    if (!factoryPtr) {
        error = "the module has no class factory";
        return nullptr;
    }

    PFactoryInfo fi;
    if (factoryPtr->getFactoryInfo(&fi) == kResultOk) {
        plugin->factoryInfo.vendor = asciiOf(fi.vendor, sizeof(fi.vendor));
        plugin->factoryInfo.url = asciiOf(fi.url, sizeof(fi.url));
        plugin->factoryInfo.email = asciiOf(fi.email, sizeof(fi.email));
        plugin->factoryInfo.flags = fi.flags;
    }
    IPtr<IPluginFactory2> factory2 = FUnknownPtr<IPluginFactory2>(factoryPtr);
    IPtr<IPluginFactory3> factory3 = FUnknownPtr<IPluginFactory3>(factoryPtr);
    const int32 count = factoryPtr->countClasses();
    bool haveProcessor = false;
    for (int32 i = 0; i < count; ++i) {
        PClassInfo ci;
        if (factoryPtr->getClassInfo(i, &ci) != kResultOk) continue;
        ClassDescription d;
        d.classId = classIdText(ci.cid);
        d.category = asciiOf(ci.category, sizeof(ci.category));
        d.name = asciiOf(ci.name, sizeof(ci.name));
        d.cardinality = ci.cardinality;
        PClassInfo2 ci2;
        PClassInfoW ciw;
        if (factory3 && factory3->getClassInfoUnicode(i, &ciw) == kResultOk) {
            d.name = utf8Of(ciw.name);
            d.vendor = utf8Of(ciw.vendor);
            d.version = utf8Of(ciw.version);
            d.sdkVersion = utf8Of(ciw.sdkVersion);
            d.subCategories = asciiOf(ciw.subCategories, sizeof(ciw.subCategories));
            d.flags = ciw.classFlags;
        } else if (factory2 && factory2->getClassInfo2(i, &ci2) == kResultOk) {
            d.vendor = asciiOf(ci2.vendor, sizeof(ci2.vendor));
            d.version = asciiOf(ci2.version, sizeof(ci2.version));
            d.sdkVersion = asciiOf(ci2.sdkVersion, sizeof(ci2.sdkVersion));
            d.subCategories = asciiOf(ci2.subCategories, sizeof(ci2.subCategories));
            d.flags = ci2.classFlags;
        }
        if (!haveProcessor && d.category == kVstAudioEffectClass) {
            haveProcessor = true;
            memcpy(p.processorTuid, ci.cid, sizeof(TUID));
            plugin->processorCid = d.classId;
        }
        plugin->factoryInfo.classes.push_back(d);
    }
    if (!haveProcessor) {
        error = "the module offers no audio effect class";
        return nullptr;
    }

    p.component = p.module->getFactory().createInstance<IComponent>(p.processorTuid);
    if (!p.component) {
        error = "the factory could not create the audio effect";
        return nullptr;
    }
    if (p.component->initialize(static_cast<IHostApplication*>(&p.hostContext)) != kResultOk) {
        error = "the audio effect refused to initialise";
        return nullptr;
    }
    p.componentInitialized = true;
    p.processor = FUnknownPtr<IAudioProcessor>(p.component);
    if (!p.processor) {
        error = "the audio effect is no audio processor";
        return nullptr;
    }

    TUID controllerTuid = {};
    if (p.component->getControllerClassId(controllerTuid) == kResultOk &&
        FUID::fromTUID(controllerTuid).isValid()) {
        plugin->controllerCid = classIdText(controllerTuid);
        p.controller = p.module->getFactory().createInstance<IEditController>(controllerTuid);
        if (!p.controller) {
            error = "the factory could not create the controller " + plugin->controllerCid;
            return nullptr;
        }
        if (p.controller->initialize(static_cast<IHostApplication*>(&p.hostContext)) != kResultOk) {
            error = "the controller refused to initialise";
            return nullptr;
        }
    } else {
        // A single-component plug-in is its own controller.
        p.controller = FUnknownPtr<IEditController>(p.component);
        p.controllerIsComponent = true;
        if (!p.controller) {
            error = "the plug-in has no edit controller";
            return nullptr;
        }
    }
    p.controllerInitialized = true;
    // Performed values go to the processor with the next block, as a host forwards them.
    p.handler.onPerform = [&p](ParamID id, ParamValue value) { p.pending.emplace_back(id, value); };
    // A new latency (the transform length or the phase) takes over where the processor
    // restarts; before the start, the setup takes it up.
    HostedPlugin* raw = plugin.get();
    p.handler.onRestart = [raw](int32 flags) {
        if (raw->active && (flags & kLatencyChanged)) raw->restart();
    };
    p.controller->setComponentHandler(&p.handler);

    if (!p.controllerIsComponent) {
        p.componentConnection = FUnknownPtr<IConnectionPoint>(p.component);
        p.controllerConnection = FUnknownPtr<IConnectionPoint>(p.controller);
        if (p.componentConnection && p.controllerConnection) {
            p.componentConnection->connect(p.controllerConnection);
            p.controllerConnection->connect(p.componentConnection);
        }
    }

    // The controller starts from what the processor plays, as after a project load.
    auto state = plugin->componentState();
    if (!state.empty()) {
        MemoryStream stream(state.data(), static_cast<TSize>(state.size()));
        p.controller->setComponentState(&stream);
    }
    plugin->refreshParameters();
    return plugin;
}

void HostedPlugin::refreshParameters()
{
    parameterList.clear();
    const int32 count = impl->controller->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        ParameterInfo info{};
        if (impl->controller->getParameterInfo(i, info) != kResultOk) continue;
        ParameterDescription d;
        d.id = info.id;
        d.title = utf8Of(info.title);
        d.shortTitle = utf8Of(info.shortTitle);
        d.units = utf8Of(info.units);
        d.stepCount = info.stepCount;
        d.defaultNormalized = info.defaultNormalizedValue;
        d.unitId = info.unitId;
        d.flags = info.flags;
        parameterList.push_back(d);
    }
}

std::vector<BusDescription> HostedPlugin::buses() const
{
    std::vector<BusDescription> out;
    for (MediaType type : {MediaType(kAudio), MediaType(kEvent)}) {
        for (BusDirection dir : {BusDirection(kInput), BusDirection(kOutput)}) {
            const int32 n = impl->component->getBusCount(type, dir);
            for (int32 i = 0; i < n; ++i) {
                BusInfo info{};
                if (impl->component->getBusInfo(type, dir, i, info) != kResultOk) continue;
                BusDescription d;
                d.name = utf8Of(info.name);
                d.audio = type == kAudio;
                d.input = dir == kInput;
                d.channelCount = info.channelCount;
                d.main = info.busType == kMain;
                d.flags = info.flags;
                out.push_back(d);
            }
        }
    }
    return out;
}

const ParameterDescription* HostedPlugin::findParameter(uint32_t id) const
{
    for (const auto& d : parameterList)
        if (d.id == id) return &d;
    return nullptr;
}

const ParameterDescription* HostedPlugin::findParameter(const std::string& title) const
{
    for (const auto& d : parameterList)
        if (d.title == title) return &d;
    return nullptr;
}

double HostedPlugin::normalizedValue(uint32_t id) const
{
    return impl->controller->getParamNormalized(id);
}

std::string HostedPlugin::textOf(uint32_t id, double normalized) const
{
    String128 text{};
    if (impl->controller->getParamStringByValue(id, normalized, text) != kResultOk) return {};
    return utf8Of(text);
}

bool HostedPlugin::normalizedFromText(uint32_t id, const std::string& text, double& normalized) const
{
    String128 wide{};
    copyToString128(text, wide);
    ParamValue value = 0;
    if (impl->controller->getParamValueByString(id, wide, value) == kResultOk && value == value) {
        normalized = std::clamp(value, 0.0, 1.0);
        return true;
    }
    // Discrete parameters: the text of one of the steps, in any letter case.
    const ParameterDescription* d = findParameter(id);
    if (!d || d->stepCount <= 0 || d->stepCount > 1024) return false;
    auto lower = [](std::string s) {
        for (auto& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string wanted = lower(text);
    for (int32 step = 0; step <= d->stepCount; ++step) {
        const double v = static_cast<double>(step) / d->stepCount;
        const std::string shown = textOf(id, v);
        if (!shown.empty() && lower(shown) == wanted) {
            normalized = v;
            return true;
        }
    }
    return false;
}

void HostedPlugin::setParameter(uint32_t id, double normalized)
{
    impl->controller->setParamNormalized(id, normalized);
    for (auto& change : impl->pending) {
        if (change.first == id) {
            change.second = normalized;
            return;
        }
    }
    impl->pending.emplace_back(id, normalized);
}

const std::vector<ParameterEdit>& HostedPlugin::editsReceived() const
{
    return impl->handler.edits;
}

std::vector<uint8_t> HostedPlugin::componentState() const
{
    MemoryStream stream;
    if (impl->component->getState(&stream) != kResultOk) return {};
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.getData());
    return std::vector<uint8_t>(bytes, bytes + stream.getSize());
}

bool HostedPlugin::setComponentState(const std::vector<uint8_t>& state, std::string& error)
{
    std::vector<uint8_t> copy = state; // MemoryStream wants writable memory
    MemoryStream stream(copy.data(), static_cast<TSize>(copy.size()));
    if (impl->component->setState(&stream) != kResultOk) {
        error = "the processor refused the state";
        return false;
    }
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    const tresult r = impl->controller->setComponentState(&stream);
    if (r != kResultOk && r != kNotImplemented) {
        error = "the controller refused the processor's state";
        return false;
    }
    return true;
}

bool HostedPlugin::savePreset(std::vector<uint8_t>& image, std::string& error) const
{
    return writePreset(impl->component.get(), impl->controllerIsComponent ? nullptr : impl->controller.get(),
                       impl->processorTuid, image, error);
}

bool HostedPlugin::loadPreset(const std::vector<uint8_t>& image, std::string& error)
{
    if (!readPreset(image, impl->processorTuid, impl->component.get(), impl->controller.get(), error))
        return false;
    // Values the host queued earlier would undo the preset.
    impl->pending.clear();
    return true;
}

bool HostedPlugin::savePresetFile(const std::string& path, std::string& error) const
{
    std::vector<uint8_t> image;
    return savePreset(image, error) && writeFileAtomically(path, image, error);
}

bool HostedPlugin::loadPresetFile(const std::string& path, std::string& error)
{
    std::vector<uint8_t> image;
    if (!readWholeFile(path, image, error)) return false;
    if (!loadPreset(image, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool HostedPlugin::start(double sampleRate, int32_t maxBlockSize, int32_t channels, std::string& error,
                         bool offline)
{
    Impl& p = *impl;
    if (active) stop();
    if (channels != 1 && channels != 2) {
        error = "only mono and stereo are supported";
        return false;
    }
    if (maxBlockSize <= 0) {
        error = "the block size must be positive";
        return false;
    }
    if (p.processor->canProcessSampleSize(kSample32) != kResultTrue) {
        error = "the plug-in cannot process 32-bit samples";
        return false;
    }

    SpeakerArrangement want = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    SpeakerArrangement in = want, out = want;
    p.monoOnStereo = false;
    if (p.processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue) {
        if (channels == 2) {
            error = "the plug-in refuses a stereo bus arrangement";
            return false;
        }
        SpeakerArrangement sin = SpeakerArr::kStereo, sout = SpeakerArr::kStereo;
        if (p.processor->setBusArrangements(&sin, 1, &sout, 1) != kResultTrue) {
            error = "the plug-in refuses both mono and stereo bus arrangements";
            return false;
        }
        p.monoOnStereo = true;
    }
    // Only the main audio buses carry signal.
    for (BusDirection dir : {BusDirection(kInput), BusDirection(kOutput)}) {
        const int32 n = p.component->getBusCount(kAudio, dir);
        for (int32 i = 0; i < n; ++i) p.component->activateBus(kAudio, dir, i, i == 0);
    }

    ProcessSetup setup{offline ? kOffline : kRealtime, kSample32, maxBlockSize, sampleRate};
    if (p.processor->setupProcessing(setup) != kResultOk) {
        error = "the plug-in refused the processing setup";
        return false;
    }
    if (!p.data.prepare(*p.component, 0, kSample32)) {
        error = "could not prepare the process buffers";
        return false;
    }
    if (p.data.numInputs < 1 || p.data.numOutputs < 1) {
        error = "the plug-in has no audio input or output bus";
        return false;
    }
    if (p.component->setActive(true) != kResultOk) {
        error = "the plug-in refused to activate";
        return false;
    }
    active = true;
    // Plug-ins that do not implement setProcessing answer kNotImplemented.
    const tresult r = p.processor->setProcessing(true);
    p.processing = r == kResultOk;

    for (auto& scratch : p.monoScratch) scratch.assign(p.monoOnStereo ? maxBlockSize : 0, 0.0f);
    p.inputChanges.setMaxParameters(static_cast<int32>(parameterList.size()) + 16);
    p.outputChanges.setMaxParameters(static_cast<int32>(parameterList.size()) + 16);
    p.pending.reserve(parameterList.size() + 16);

    p.context = ProcessContext{};
    p.context.sampleRate = sampleRate;
    p.context.state = ProcessContext::kPlaying;
    p.data.processMode = setup.processMode;
    p.data.symbolicSampleSize = kSample32;
    p.data.inputParameterChanges = &p.inputChanges;
    p.data.outputParameterChanges = &p.outputChanges;
    p.data.processContext = &p.context;
    hostChannels = channels;

    // Values set before the start are the settings to play from the first sample.
    // A plug-in may hear changes at its first sample only from a later one (a
    // response designed while the music plays): they reach it in a call of no
    // samples, and the setup that follows starts from them.
    if (!p.pending.empty()) {
        queuePending();
        p.data.numSamples = 0;
        p.processor->process(p.data);
        passReports();
        if (p.processing) p.processor->setProcessing(false);
        p.component->setActive(false);
        if (p.processor->setupProcessing(setup) != kResultOk || p.component->setActive(true) != kResultOk) {
            stop();
            error = "the plug-in refused the processing setup";
            return false;
        }
        if (p.processing) p.processor->setProcessing(true);
    }
    return true;
}

void HostedPlugin::queuePending()
{
    Impl& p = *impl;
    p.inputChanges.clearQueue();
    for (const auto& change : p.pending) {
        int32 queueIndex = 0;
        if (IParamValueQueue* queue = p.inputChanges.addParameterData(change.first, queueIndex)) {
            int32 pointIndex = 0;
            queue->addPoint(0, change.second, pointIndex);
        }
    }
    p.pending.clear();
    p.outputChanges.clearQueue();
}

void HostedPlugin::passReports()
{
    // The processor's reports reach the controller, as a host passes them on.
    Impl& p = *impl;
    const int32 queues = p.outputChanges.getParameterCount();
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = p.outputChanges.getParameterData(q);
        if (!queue) continue;
        const int32 points = queue->getPointCount();
        if (points <= 0) continue;
        const ParamID id = queue->getParameterId();
        int32 offset = 0;
        ParamValue value = 0;
        if (queue->getPoint(points - 1, offset, value) == kResultOk)
            p.controller->setParamNormalized(id, value);
        if (p.outputListener) {
            for (int32 i = 0; i < points; ++i)
                if (queue->getPoint(i, offset, value) == kResultOk) p.outputListener(id, value);
        }
    }
}

void HostedPlugin::stop()
{
    if (!active) return;
    Impl& p = *impl;
    if (p.processing) p.processor->setProcessing(false);
    p.processing = false;
    p.component->setActive(false);
    p.data.unprepare();
    active = false;
}

void HostedPlugin::restart()
{
    Impl& p = *impl;
    if (p.processing) p.processor->setProcessing(false);
    p.component->setActive(false);
    p.component->setActive(true);
    if (p.processing) p.processor->setProcessing(true);
}

void HostedPlugin::process(const float* const* inputs, float* const* outputs, int32_t numSamples)
{
    Impl& p = *impl;
    if (!active || numSamples <= 0) return;
    queuePending();

    AudioBusBuffers& in = p.data.inputs[0];
    AudioBusBuffers& out = p.data.outputs[0];
    if (p.monoOnStereo) {
        in.channelBuffers32[0] = const_cast<float*>(inputs[0]);
        in.channelBuffers32[1] = const_cast<float*>(inputs[0]);
        out.channelBuffers32[0] = outputs[0];
        out.channelBuffers32[1] = p.monoScratch[1].data();
    } else {
        for (int32 c = 0; c < hostChannels && c < in.numChannels; ++c)
            in.channelBuffers32[c] = const_cast<float*>(inputs[c]);
        for (int32 c = 0; c < hostChannels && c < out.numChannels; ++c) out.channelBuffers32[c] = outputs[c];
    }
    in.silenceFlags = 0;
    out.silenceFlags = 0;
    p.data.numSamples = numSamples;

    p.processor->process(p.data);
    p.context.projectTimeSamples += numSamples;
    passReports();
}

uint32_t HostedPlugin::latencySamples() const
{
    return impl->processor->getLatencySamples();
}

uint32_t HostedPlugin::tailSamples() const
{
    return impl->processor->getTailSamples();
}

void HostedPlugin::setOutputListener(std::function<void(uint32_t, double)> listener)
{
    impl->outputListener = std::move(listener);
}

IComponent* HostedPlugin::component() const
{
    return impl->component.get();
}
IAudioProcessor* HostedPlugin::processor() const
{
    return impl->processor.get();
}
IEditController* HostedPlugin::controller() const
{
    return impl->controller.get();
}

} // namespace vosk
