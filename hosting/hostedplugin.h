// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// A VST 3 plug-in driven the way a host drives it: the module is loaded from
// its bundle, processor and controller come from the factory, are initialised
// with a host context, connected, kept in step, and run block by block.
//
// Everything here runs on the caller's thread; the object is not shared between
// threads.
#pragma once

#include "hosting/componenthandler.h"
#include "hosting/presetfile.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vosk {

struct ClassDescription
{
    std::string classId; // 32 hexadecimal digits
    std::string category;
    std::string name;
    std::string vendor;
    std::string version;
    std::string sdkVersion;
    std::string subCategories;
    uint32_t flags = 0;
    int32_t cardinality = 0;
};

struct FactoryDescription
{
    std::string vendor;
    std::string url;
    std::string email;
    int32_t flags = 0;
    std::vector<ClassDescription> classes;
};

struct BusDescription
{
    std::string name;
    bool audio = true; // false: event bus
    bool input = true;
    int32_t channelCount = 0;
    bool main = true;
    uint32_t flags = 0;
};

struct ParameterDescription
{
    uint32_t id = 0;
    std::string title;
    std::string shortTitle;
    std::string units;
    int32_t stepCount = 0;
    double defaultNormalized = 0;
    int32_t unitId = 0;
    int32_t flags = 0;
};

class HostedPlugin
{
public:
    // Loads the module at `modulePath` (a .vst3 bundle), creates the first
    // audio-effect class and its controller, initialises and connects them and
    // hands the processor's state to the controller. Null on failure, with the
    // reason in `error`.
    static std::unique_ptr<HostedPlugin> load(const std::string& modulePath, std::string& error);
    ~HostedPlugin();

    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    const FactoryDescription& factory() const { return factoryInfo; }
    const std::string& processorClassId() const { return processorCid; }
    const std::string& controllerClassId() const { return controllerCid; }
    std::vector<BusDescription> buses() const;

    // --- parameters (as the controller lists them) ---
    const std::vector<ParameterDescription>& parameters() const { return parameterList; }
    const ParameterDescription* findParameter(uint32_t id) const;
    const ParameterDescription* findParameter(const std::string& title) const;
    double normalizedValue(uint32_t id) const;
    std::string textOf(uint32_t id, double normalized) const;
    // The plug-in's own text conversion; discrete parameters also accept the
    // text of one of their steps ("On", "Low Cut"). False when nothing parses.
    bool normalizedFromText(uint32_t id, const std::string& text, double& normalized) const;
    // Sets a value as host automation does: the controller shows it at once and
    // the processor receives it with the next processed block.
    void setParameter(uint32_t id, double normalized);

    // Edits the controller reported to the host's component handler.
    const std::vector<ParameterEdit>& editsReceived() const;

    // --- state ---
    std::vector<uint8_t> componentState() const;
    // The processor's state, then the same stream to the controller.
    bool setComponentState(const std::vector<uint8_t>& state, std::string& error);
    // A .vstpreset image of the processor's and the controller's states
    // (presetfile.h).
    bool savePreset(std::vector<uint8_t>& image, std::string& error) const;
    bool loadPreset(const std::vector<uint8_t>& image, std::string& error);
    bool savePresetFile(const std::string& path, std::string& error) const;
    bool loadPresetFile(const std::string& path, std::string& error);

    // --- processing ---
    // Bus arrangement for `channels` (1 or 2), bus activation, setupProcessing,
    // setActive and setProcessing. A mono request the plug-in refuses runs on
    // its stereo buses with the signal on both channels. Values set since the
    // last call go to the processor first, and it is set up again with them.
    bool start(double sampleRate, int32_t maxBlockSize, int32_t channels, std::string& error,
               bool offline = true);
    void stop();
    bool running() const { return active; }
    int32_t channels() const { return hostChannels; }

    // Processes `numSamples` (at most the block size given to start) from the
    // input channel buffers into the output channel buffers; both have
    // `channels()` entries. Input and output may be the same buffers.
    void process(const float* const* inputs, float* const* outputs, int32_t numSamples);

    // Read anew at each call: a restart the controller asks for while the plug-in
    // runs (a new transform length or phase) happens at once, as a host does it.
    uint32_t latencySamples() const;
    uint32_t tailSamples() const;

    // Called for every point of the processor's output parameter changes, after
    // the value has reached the controller.
    void setOutputListener(std::function<void(uint32_t id, double value)> listener);

    // Raw interfaces, for callers that need more than the above.
    Steinberg::Vst::IComponent* component() const;
    Steinberg::Vst::IAudioProcessor* processor() const;
    Steinberg::Vst::IEditController* controller() const;

    struct Impl;

private:
    HostedPlugin();
    void refreshParameters();
    void restart();
    void queuePending();
    void passReports();

    std::unique_ptr<Impl> impl;
    FactoryDescription factoryInfo;
    std::string processorCid;
    std::string controllerCid;
    std::vector<ParameterDescription> parameterList;
    bool active = false;
    int32_t hostChannels = 0;
};

} // namespace vosk
