// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// VOSK: the audio processor component. Buses, lifecycle, latency and the
// messages to the controller live here; the signal path hooks into
// setupProcessing, process and the state operations.
#pragma once

#include "source/dsp/signalpath.h"
#include "publishedvalue.h"
#include "spectrumcapture.h"
#include "statecodec.h"

#include "public.sdk/source/vst/vstaudioeffect.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace vosk {

class VOSK : public Steinberg::Vst::AudioEffect
{
public:
    using tresult = Steinberg::tresult;
    using TBool = Steinberg::TBool;
    using int32 = Steinberg::int32;
    using uint32 = Steinberg::uint32;
    using SpeakerArrangement = Steinberg::Vst::SpeakerArrangement;

    VOSK();
    ~VOSK() override;

    tresult receiveText(const char* text) override;

    // IPluginBase
    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    tresult PLUGIN_API terminate() override;

    // IComponent
    tresult PLUGIN_API setActive(TBool state) override;
    tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API getState(Steinberg::IBStream* state) override;

    // IConnectionPoint
    tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;
    // Without a controller nobody looks at the spectrum.
    tresult PLUGIN_API disconnect(Steinberg::Vst::IConnectionPoint* other) override;

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                          SpeakerArrangement* outputs, int32 numOuts) override;
    // In linear phase the convolution delays by a quarter plus half a transform, in
    // minimum phase not at all; in every state, bypass included, so that a host's
    // delay compensation never moves.
    uint32 PLUGIN_API getLatencySamples() override;
    uint32 PLUGIN_API getTailSamples() override;
    tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

private:
    void addStereoBuses(SpeakerArrangement input, SpeakerArrangement output);
    bool takePendingRestore();
    void publishSnapshot();
    void tellProcessingSetup();
    void requestFftSize(int32_t size);
    void requestPhase(Phase phase) { requestedPhase.store(phase); }
    int32 gatherPoints(Steinberg::Vst::IParameterChanges* changes, int32 numSamples);
    void sendSpectrumFrame();
    bool takeListening(Steinberg::Vst::IMessage& message);
    void sendLoudness();

    SignalPath signalPath;
    SpectrumCapture spectrum;

    // The block's parameter changes, gathered without allocating: room for far
    // more than any host sends in one block.
    static constexpr size_t kMaxParameterPoints = 8192;
    struct OrderedPoint
    {
        ParameterPoint point;
        uint32_t sequence;
    };
    std::vector<OrderedPoint> parameterPoints;
    std::vector<ParameterPoint> blockPoints;

    // A restored state reaches the audio thread through this slot, without a lock:
    // setState fills it, the next process (or setState itself while inactive) applies it.
    enum RestoreSlot : int { kSlotEmpty, kSlotReady, kSlotBusy };
    std::atomic<int> restoreSlot{kSlotEmpty};
    ProcessorState pendingRestore;
    std::atomic<bool> active{false};

    // What the editor asks to hear (ListeningRequest, packed), taken by each block;
    // an offline setup plays the settings whatever is asked.
    std::atomic<uint32_t> listening{0};
    std::atomic<bool> loudnessWanted{false};
    std::atomic<bool> offline{false}; // set by the setup

    // The transform length chosen, by the host's value, the controller or a state.
    // A change is a change of latency: it applies where no audio runs, at the next
    // setup or activation (the controller asks the host for that restart).
    std::atomic<int32_t> requestedFftSize{kDefaultFftSize};
    // The same for the phase, which changes the latency too.
    std::atomic<Phase> requestedPhase{Phase::Linear};

    // The settings as getState saves them, published by whichever thread changes
    // them, so that a save during playback never reads a half-applied change.
    PublishedValue<ProcessorState> snapshot;
    std::atomic<int32_t> publishedFftSize{kDefaultFftSize}; // the length the snapshot holds
    std::atomic<Phase> publishedPhase{Phase::Linear};
};

} // namespace vosk
