// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Test helpers that drive the built plug-in bundle the way a VST 3 host does.
//
//   vosk::test::Module module(VOSK_BUNDLE_PATH);      // dlopen + ModuleEntry
//   ASSERT_TRUE(module.ok()) << module.error();
//   auto factory = module.factory();                  // GetPluginFactory
//   vosk::test::ProcessorHost host(factory, vosk::test::processorClassId());
//   host.initialize();                                // buses appear
//   host.setupProcessing(48000, 512);
//   host.setActive(true);                             // also setProcessing (true)
//   host.addParameterChange(vosk::kBypass, 0, 1.0);   // goes into the next block
//   host.processStereo(inL, inR, outL, outR, 512);
//   host.outputChanges().lastValue(vosk::VuMeterLeft);
//
// Objects created from a Module must be released before the Module goes away
// (declare the Module first). The destructors undo what was done: processing
// and activation are switched off, the component is terminated, the module
// gets ModuleExit and dlclose.
#pragma once

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vosk::test {

using Steinberg::IPtr;

// The library inside a bundle folder: <bundle>/Contents/<arch>-linux/<name>.so,
// <bundle>\Contents\<arch>-win\<name>.vst3 on Windows.
std::string libraryPathInBundle(const std::string& bundlePath);

// The platform's part of the two above (module_posix.cpp, module_win.cpp): the
// handle of a library this process has mapped (null when none), and a symbol in it.
void* mappedLibrary(const std::string& libraryPath);
void* symbolIn(void* library, const char* name);

// The class identifiers as the module registers them (16 bytes, in the layout
// of the platform).
const Steinberg::TUID& processorClassId();
const Steinberg::TUID& controllerClassId();

// One plug-in module loaded by the hosting library's loader, as HostedPlugin
// loads it (ModuleEntry or InitDll, GetPluginFactory; ModuleExit or ExitDll and
// unloading at the end), with access to the library it mapped.
class Module
{
public:
    explicit Module(const std::string& bundlePath);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool ok() const { return loader_ && handle_; }
    const std::string& error() const { return error_; }
    void* handle() const { return handle_; }

    // dlsym (GetProcAddress) in the module; null when the symbol is not exported.
    void* symbol(const char* name) const;

    // The loader keeps a reference to the factory for as long as the module is loaded.
    Steinberg::uint32 loaderFactoryReferences() const { return 1; }

    // Calls GetPluginFactory and takes over the reference it returns.
    IPtr<Steinberg::IPluginFactory> factory() const;

    // Raw GetPluginFactory call: the caller owns the returned reference.
    Steinberg::IPluginFactory* getPluginFactory() const;

private:
    void* handle_ = nullptr;
    std::string error_;
    std::shared_ptr<void> loader_; // owns the library
};

// The module's library opened by hand, as some hosts do: ModuleEntry (InitDll)
// and nothing else, so that no loader holds the factory. Closed with ModuleExit
// (ExitDll).
class LibraryByHand
{
public:
    explicit LibraryByHand(const std::string& bundlePath);
    ~LibraryByHand();
    LibraryByHand(const LibraryByHand&) = delete;
    LibraryByHand& operator=(const LibraryByHand&) = delete;

    bool ok() const { return entered_; }
    // Raw GetPluginFactory call: the caller owns the returned reference.
    Steinberg::IPluginFactory* getPluginFactory() const;

private:
    void* handle_ = nullptr;
    bool entered_ = false;
};

// Creates an instance of class cid through the factory, asking for interface I.
template <class I> IPtr<I> createInstance(Steinberg::IPluginFactory* factory, const Steinberg::TUID cid)
{
    void* obj = nullptr;
    if (!factory || factory->createInstance(cid, I::iid, &obj) != Steinberg::kResultOk || !obj) return {};
    return IPtr<I>(static_cast<I*>(obj), false);
}

// The host application context: hands out messages and attribute lists, like a
// host. One instance serves the whole process.
IPtr<Steinberg::FUnknown> makeHostContext();

// Parameter changes as the host sees them, with value lookups for tests.
class Changes : public Steinberg::Vst::ParameterChanges
{
public:
    explicit Changes(Steinberg::int32 maxParameters = 128) : ParameterChanges(maxParameters) {}
    // Last point of the queue for id, if the block carried one.
    std::optional<double> lastValue(Steinberg::Vst::ParamID id);
    // Every point of the queue for id, in order.
    std::vector<std::pair<Steinberg::int32, double>> points(Steinberg::Vst::ParamID id);
};

// Drives one processor component: creation by class id, lifecycle and
// process calls with real parameter-change queues.
class ProcessorHost
{
public:
    ProcessorHost(Steinberg::IPluginFactory* factory, const Steinberg::TUID cid);
    ~ProcessorHost();
    ProcessorHost(const ProcessorHost&) = delete;
    ProcessorHost& operator=(const ProcessorHost&) = delete;

    bool ok() const { return component_ && processor_; }
    Steinberg::Vst::IComponent* component() const { return component_; }
    Steinberg::Vst::IAudioProcessor* processor() const { return processor_; }
    Steinberg::FUnknown* hostContext() const { return context_; }

    Steinberg::tresult initialize();
    Steinberg::tresult terminate();
    Steinberg::tresult setupProcessing(double sampleRate, Steinberg::int32 maxBlock,
                                       Steinberg::int32 sampleSize = Steinberg::Vst::kSample32,
                                       Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
    // setActive, then setProcessing (on); setProcessing (off), then setActive (off).
    Steinberg::tresult setActive(bool on);

    // Queued into the input changes of the next process call.
    void addParameterChange(Steinberg::Vst::ParamID id, Steinberg::int32 sampleOffset, double value);

    // One block; channel pointer arrays may be null for a bus without buffers.
    // Input changes are consumed, output changes of this block are kept in outputChanges().
    Steinberg::tresult process(float* const* inputs, Steinberg::int32 inChannels, float* const* outputs,
                               Steinberg::int32 outChannels, Steinberg::int32 numSamples);
    Steinberg::tresult processStereo(const float* inL, const float* inR, float* outL, float* outR,
                                     Steinberg::int32 numSamples);

    // Silence flags of the input bus for the following process calls, and those
    // the processor set on the output bus in the last call.
    void setInputSilenceFlags(Steinberg::uint64 flags) { inputSilenceFlags_ = flags; }
    Steinberg::uint64 outputSilenceFlags() const { return outputSilenceFlags_; }

    Changes& inputChanges() { return *inputChanges_; }
    Changes& outputChanges() { return *outputChanges_; }

private:
    IPtr<Steinberg::FUnknown> context_;
    IPtr<Steinberg::Vst::IComponent> component_;
    IPtr<Steinberg::Vst::IAudioProcessor> processor_;
    IPtr<Changes> inputChanges_;
    IPtr<Changes> outputChanges_;
    double sampleRate_ = 44100.0;
    Steinberg::int32 processMode_ = Steinberg::Vst::kRealtime;
    Steinberg::uint64 inputSilenceFlags_ = 0;
    Steinberg::uint64 outputSilenceFlags_ = 0;
    bool initialized_ = false;
    bool active_ = false;
};

// Redirects the process's standard error into a file while alive; text() gives
// what was written so far.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    std::string text();

private:
    int savedFd_ = -1;
    std::string path_;
};

// A connection point standing in for the plug-in's peer: records what it is sent.
class RecordingPeer : public Steinberg::Vst::IConnectionPoint
{
public:
    RecordingPeer();
    virtual ~RecordingPeer();

    Steinberg::tresult PLUGIN_API connect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* other) override;
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    // "Text" of every "TextMessage", in arrival order.
    std::vector<std::string> texts;
    // Identifiers of every message, in arrival order.
    std::vector<std::string> messageIds;
    Steinberg::Vst::IConnectionPoint* connectedTo = nullptr;

    DECLARE_FUNKNOWN_METHODS
};

// A message allocated through the host context, with an identifier.
IPtr<Steinberg::Vst::IMessage> makeMessage(Steinberg::FUnknown* hostContext, const char* id);

} // namespace vosk::test
