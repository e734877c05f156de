// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vosk.h"

#include "classids.h"
#include "listeningmessages.h"
#include "statestream.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace vosk {

using namespace Steinberg;
using namespace Steinberg::Vst;

VOSK::VOSK()
{
    setControllerClass(kControllerClassId.toFUID());
    parameterPoints.reserve(kMaxParameterPoints);
    blockPoints.resize(kMaxParameterPoints);
    publishSnapshot();
}

VOSK::~VOSK() = default;

tresult PLUGIN_API VOSK::initialize(FUnknown* context)
{
    const tresult result = AudioEffect::initialize(context);
    if (result != kResultOk) return result;

    addAudioInput(STR16("Stereo In"), SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
    addAudioOutput(STR16("Stereo Out"), SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
    addEventInput(STR16("Event In"), 1, kMain, BusInfo::kDefaultActive);
    return kResultOk;
}

tresult PLUGIN_API VOSK::terminate()
{
    return AudioEffect::terminate();
}

tresult PLUGIN_API VOSK::setActive(TBool state)
{
    sendTextMessage(state ? "VOSK::setActive (true)" : "VOSK::setActive (false)");
    signalPath.resetMeters();
    // Whatever reached the processor while it ran is in the snapshot before the restart.
    if (!state && !takePendingRestore()) publishSnapshot();
    // A transform length or phase chosen since the setup takes over here, with its latency.
    const int32_t size = requestedFftSize.load();
    const Phase phase = requestedPhase.load();
    if (state && signalPath.isPrepared() && (size != signalPath.fftSize() || phase != signalPath.phase())) {
        signalPath.prepare(processSetup.sampleRate, processSetup.maxSamplesPerBlock, size, phase);
        tellProcessingSetup();
    }
    active = state != 0;
    return AudioEffect::setActive(state);
}

// The controller draws the response at the rate and length in use.
void VOSK::tellProcessingSetup()
{
    if (IPtr<IMessage> message = owned(allocateMessage())) {
        message->setMessageID(kProcessingSetupMessage);
        message->getAttributes()->setFloat(kSampleRateAttribute, signalPath.sampleRate());
        message->getAttributes()->setInt(kFftSizeAttribute, signalPath.fftSize());
        sendMessage(message);
    }
}

// The signal path's figures; before any setup, those the next setup will give.
VOSK::uint32 PLUGIN_API VOSK::getLatencySamples()
{
    if (signalPath.isPrepared()) return static_cast<uint32>(signalPath.latency());
    const TransformSize size{requestedFftSize.load()};
    return requestedPhase.load() == Phase::Minimum ? 0 : static_cast<uint32>(size.latency());
}

VOSK::uint32 PLUGIN_API VOSK::getTailSamples()
{
    if (signalPath.isPrepared()) return static_cast<uint32>(signalPath.tail());
    const TransformSize size{requestedFftSize.load()};
    return static_cast<uint32>(requestedPhase.load() == Phase::Minimum ? size.half() : size.tail());
}

void VOSK::requestFftSize(int32_t size)
{
    if (listValueOfFftSize(size) >= 0.0) requestedFftSize.store(size);
}

tresult VOSK::receiveText(const char* text)
{
    std::fputs("[VOSK] received: ", stderr);
    std::fputs(text ? text : "", stderr);
    std::fputc('\n', stderr);
    return kResultOk;
}

tresult PLUGIN_API VOSK::notify(IMessage* message)
{
    if (!message) return kInvalidArgument;

    // The base reads the attributes of a text message without asking whether there are any.
    if (!message->getAttributes()) return kResultFalse;
    const char* id = message->getMessageID();
    if (id && std::strcmp(id, kFftSizeMessage) == 0) {
        Steinberg::int64 size = 0;
        if (message->getAttributes()->getInt(kFftSizeAttribute, size) != kResultOk) return kResultFalse;
        requestFftSize(static_cast<int32_t>(size));
        // While processing runs, the next process call publishes it with the settings.
        if (!active) publishSnapshot();
        return kResultOk;
    }
    if (id && std::strcmp(id, kPhaseMessage) == 0) {
        Steinberg::int64 phase = 0;
        if (message->getAttributes()->getInt(kPhaseAttribute, phase) != kResultOk || phase < 0 || phase > 1)
            return kResultFalse;
        requestPhase(phase == 1 ? Phase::Minimum : Phase::Linear);
        if (!active) publishSnapshot();
        return kResultOk;
    }
    if (id && std::strcmp(id, kSpectrumWantedMessage) == 0) {
        Steinberg::int64 on = 0;
        if (message->getAttributes()->getInt(kSpectrumWantedAttribute, on) != kResultOk) return kResultFalse;
        spectrum.setWanted(on != 0);
        return kResultOk;
    }
    if (id && std::strcmp(id, kSpectrumRequestMessage) == 0) {
        sendSpectrumFrame();
        spectrum.request();
        return kResultOk;
    }
    if (id && std::strcmp(id, kListeningMessage) == 0) return takeListening(*message) ? kResultOk : kResultFalse;
    if (id && std::strcmp(id, kLoudnessWantedMessage) == 0) {
        Steinberg::int64 on = 0;
        if (message->getAttributes()->getInt(kLoudnessWantedAttribute, on) != kResultOk) return kResultFalse;
        loudnessWanted.store(on != 0);
        return kResultOk;
    }
    if (id && std::strcmp(id, kLoudnessRequestMessage) == 0) {
        sendLoudness();
        return kResultOk;
    }
    if (id && std::strcmp(id, "BinaryMessage") == 0) {
        const void* data = nullptr;
        uint32 size = 0;
        if (message->getAttributes()->getBinary("MyData", data, size) == kResultOk) return kResultOk;
    }
    return AudioEffect::notify(message);
}

tresult PLUGIN_API VOSK::disconnect(IConnectionPoint* other)
{
    // Nobody is left to listen, or to end what was asked.
    spectrum.setWanted(false);
    listening.store(0);
    loudnessWanted.store(false);
    return AudioEffect::disconnect(other);
}

// All four values or nothing: a message from a careless peer must not leave
// half a request behind.
bool VOSK::takeListening(IMessage& message)
{
    IAttributeList* attributes = message.getAttributes();
    Steinberg::int64 band = 0, channel = 0, delta = 0, compare = 0;
    if (attributes->getInt(kSoloBandAttribute, band) != kResultOk ||
        attributes->getInt(kSoloChannelAttribute, channel) != kResultOk ||
        attributes->getInt(kDeltaAttribute, delta) != kResultOk ||
        attributes->getInt(kCompareAttribute, compare) != kResultOk ||
        !ListeningRequest::valid(band, channel, delta, compare))
        return false;
    const ListeningRequest request{static_cast<int32_t>(band), static_cast<int32_t>(channel), delta != 0,
                                   compare != 0};
    listening.store(request.packed());
    return true;
}

void VOSK::sendLoudness()
{
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kLoudnessMessage);
    const float difference = signalPath.loudnessDifferenceLu();
    if (std::isfinite(difference)) message->getAttributes()->setFloat(kLoudnessDifferenceAttribute, difference);
    sendMessage(message);
}

// The newest frame the audio thread handed over, copied into the message.
void VOSK::sendSpectrumFrame()
{
    const float* frame = spectrum.takeFrame();
    if (!frame) return;
    IPtr<IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kSpectrumFrameMessage);
    message->getAttributes()->setFloat(kSpectrumRateAttribute, spectrum.sampleRate());
    const auto bytes =
        static_cast<uint32>(sizeof(float) * SpectrumCapture::kNumSignals * spectrum.frameLength());
    message->getAttributes()->setBinary(kSpectrumSamplesAttribute, frame, bytes);
    sendMessage(message);
}

void VOSK::addStereoBuses(SpeakerArrangement input, SpeakerArrangement output)
{
    removeAudioBusses();
    addAudioInput(STR16("Stereo In"), input, kMain, BusInfo::kDefaultActive);
    addAudioOutput(STR16("Stereo Out"), output, kMain, BusInfo::kDefaultActive);
}

tresult PLUGIN_API VOSK::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                            SpeakerArrangement* outputs, int32 numOuts)
{
    if (numIns != 1 || numOuts != 1) return kResultFalse;
    if (!inputs || !outputs) return kInvalidArgument;

    const int32 inChannels = SpeakerArr::getChannelCount(inputs[0]);
    const int32 outChannels = SpeakerArr::getChannelCount(outputs[0]);
    AudioBus* currentInput = getAudioInput(0);

    if (inChannels == 1 && outChannels == 1) {
        if (!currentInput) return kResultFalse;
        if (currentInput->getArrangement() == inputs[0]) return kResultOk;
        removeAudioBusses();
        // Both sides take the input's arrangement: mono out mirrors mono in.
        addAudioInput(STR16("Mono In"), inputs[0], kMain, BusInfo::kDefaultActive);
        addAudioOutput(STR16("Mono Out"), inputs[0], kMain, BusInfo::kDefaultActive);
        return kResultOk;
    }

    if (!currentInput) return kResultFalse;

    if (inChannels == 2 && outChannels == 2) {
        addStereoBuses(inputs[0], outputs[0]);
        return kResultTrue;
    }

    // Unusable request: fall back to plain stereo and say no.
    if (currentInput->getArrangement() != SpeakerArr::kStereo)
        addStereoBuses(SpeakerArr::kStereo, SpeakerArr::kStereo);
    return kResultFalse;
}

tresult PLUGIN_API VOSK::setupProcessing(ProcessSetup& setup)
{
    const tresult result = AudioEffect::setupProcessing(setup);
    if (result != kResultOk) return result;
    signalPath.prepare(setup.sampleRate, setup.maxSamplesPerBlock, requestedFftSize.load(),
                       requestedPhase.load());
    spectrum.prepare(setup.sampleRate);
    // An export or a freeze plays the settings, never what the engineer listens to.
    offline = setup.processMode == kOffline;
    tellProcessingSetup();
    return result;
}

namespace {

// Output parameter changes: one point at offset 0 per value, as the host reads them.
class HostReports final : public OutputReports
{
public:
    explicit HostReports(IParameterChanges* changes) : changes_(changes) {}
    bool report(uint32_t id, double value) override
    {
        int32 queueIndex = 0;
        IParamValueQueue* queue = changes_->addParameterData(id, queueIndex);
        if (!queue) return false;
        int32 pointIndex = 0;
        queue->addPoint(0, value, pointIndex);
        return true;
    }

private:
    IParameterChanges* changes_;
};

} // namespace

bool VOSK::takePendingRestore()
{
    int expected = kSlotReady;
    if (!restoreSlot.compare_exchange_strong(expected, kSlotBusy, std::memory_order_acquire)) return false;
    signalPath.restoreState(pendingRestore);
    if (pendingRestore.hasSettings) {
        requestFftSize(pendingRestore.fftSize);
        requestPhase(
            phaseFromListValue(pendingRestore.heldValues[static_cast<size_t>(heldValueIndex(kPhase))]));
    }
    // Published before the slot empties: a save that finds it empty finds the restore.
    publishSnapshot();
    restoreSlot.store(kSlotEmpty, std::memory_order_release);
    return true;
}

void VOSK::publishSnapshot()
{
    ProcessorState state;
    signalPath.captureState(state);
    // The length and phase held go with the settings of the same moment; a phase the
    // controller asked for ahead of its parameter change is saved as that change.
    state.fftSize = requestedFftSize.load();
    const Phase phase = requestedPhase.load();
    float& heldPhase = state.heldValues[static_cast<size_t>(heldValueIndex(kPhase))];
    if (phaseFromListValue(heldPhase) != phase) heldPhase = static_cast<float>(listValueOfPhase(phase));
    snapshot.publish(state);
    publishedFftSize.store(state.fftSize);
    publishedPhase.store(phase);
}

// Every point of every queue, in the order they apply: by offset, and in the
// host's order where offsets tie. A block with more points than there is room
// for keeps the last point of each queue that does not fit.
int32 VOSK::gatherPoints(IParameterChanges* changes, int32 numSamples)
{
    parameterPoints.clear();
    if (!changes) return 0;
    const int32 queues = changes->getParameterCount();
    uint32_t sequence = 0;
    auto add = [&](ParamID id, int32 offset, ParamValue value) {
        offset = std::clamp(offset, 0, std::max(numSamples, 0));
        parameterPoints.push_back(OrderedPoint{{offset, id, value}, sequence++});
    };
    for (int32 i = 0; i < queues; ++i) {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (!queue) continue;
        const ParamID id = queue->getParameterId();
        const int32 points = queue->getPointCount();
        if (points <= 0) continue;
        const size_t room = parameterPoints.capacity() - parameterPoints.size();
        const int32 first = static_cast<size_t>(points) <= room ? 0 : points - 1;
        if (room == 0) break;
        for (int32 p = first; p < points; ++p) {
            int32 offset = 0;
            ParamValue value = 0.0;
            if (queue->getPoint(p, offset, value) == kResultOk) add(id, offset, value);
        }
    }
    std::sort(parameterPoints.begin(), parameterPoints.end(),
              [](const OrderedPoint& a, const OrderedPoint& b) {
                  return a.point.offset != b.point.offset ? a.point.offset < b.point.offset
                                                          : a.sequence < b.sequence;
              });
    for (size_t i = 0; i < parameterPoints.size(); ++i) blockPoints[i] = parameterPoints[i].point;
    return static_cast<int32>(parameterPoints.size());
}

tresult PLUGIN_API VOSK::process(ProcessData& data)
{
    if (data.symbolicSampleSize != kSample32) return kResultFalse;
    takePendingRestore();

    signalPath.setListening(offline ? ListeningRequest{} : ListeningRequest::unpacked(listening.load()));
    signalPath.setMeasuring(!offline && loudnessWanted.load());

    AudioBlock block; // without an input bus the signal path writes silence
    block.numPoints = gatherPoints(data.inputParameterChanges, data.numSamples);
    // Held, not half-applied: the size takes over at the restart the controller asks for.
    for (int32 i = 0; i < block.numPoints; ++i) {
        const ParameterPoint& point = blockPoints[static_cast<size_t>(i)];
        if (point.id == kFftSizeMenu && std::isfinite(point.value))
            requestFftSize(fftSizeFromListValue(point.value));
        if (point.id == kPhase && std::isfinite(point.value)) requestPhase(phaseFromListValue(point.value));
    }
    block.points = blockPoints.data();
    block.numSamples = data.numSamples;
    if (data.numInputs > 0 && data.inputs) {
        const AudioBusBuffers& in = data.inputs[0];
        block.inputs = in.channelBuffers32;
        block.numInputChannels = in.numChannels;
        block.inputSilenceFlags = in.silenceFlags;
    }
    AudioBusBuffers* out = data.numOutputs > 0 && data.outputs ? &data.outputs[0] : nullptr;
    if (out) {
        block.outputs = out->channelBuffers32;
        block.numOutputChannels = out->numChannels;
    }

    HostReports reports(data.outputParameterChanges);
    const bool reporting = out && data.outputParameterChanges;
    spectrum.takeInput(block.inputs, block.numInputChannels, block.inputSilenceFlags, block.numSamples);
    const uint64_t silence = signalPath.process(block, reporting ? &reports : nullptr);
    spectrum.takeOutput(block.outputs, block.numOutputChannels, block.numSamples);
    if (out) out->silenceFlags = silence;
    // A lamp the audio lit is saved like a change the host sent.
    const bool stateChanged = signalPath.takeStateChange();
    if (block.numPoints > 0 || stateChanged || publishedFftSize.load() != requestedFftSize.load() ||
        publishedPhase.load() != requestedPhase.load())
        publishSnapshot();
    return kResultOk;
}

tresult PLUGIN_API VOSK::setState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    ProcessorState restored;
    if (!readState(*state, restored)) return kResultFalse;

    // The audio thread never waits: if it is reading the slot, wait for it here.
    for (;;) {
        int expected = restoreSlot.load(std::memory_order_relaxed);
        if (expected != kSlotBusy &&
            restoreSlot.compare_exchange_weak(expected, kSlotBusy, std::memory_order_acquire))
            break;
        std::this_thread::yield();
    }
    pendingRestore = restored;
    restoreSlot.store(kSlotReady, std::memory_order_release);
    if (!active) takePendingRestore();
    return kResultOk;
}

tresult PLUGIN_API VOSK::getState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    // A restore the audio thread has not finished taking up is what the host expects
    // back; once the slot is empty the snapshot holds it.
    const bool restorePending = restoreSlot.load(std::memory_order_acquire) != kSlotEmpty;
    ProcessorState current = snapshot.read();
    if (restorePending) {
        if (pendingRestore.hasSettings) {
            current = pendingRestore;
        } else {
            current.inputGain = pendingRestore.inputGain;
            current.bypass = pendingRestore.bypass;
        }
    }
    current.hasSettings = true;
    const std::vector<uint8_t> bytes = encodeState(current);
    int32 written = 0;
    const int32 size = static_cast<int32>(bytes.size());
    if (state->write(const_cast<uint8_t*>(bytes.data()), size, &written) != kResultOk || written != size)
        return kResultFalse;
    return kResultOk;
}

} // namespace vosk
