#include "vosk.h"

#include "classids.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <cstdio>
#include <cstring>

namespace vosk {

using namespace Steinberg;
using namespace Steinberg::Vst;

VOSK::VOSK()
{
    setControllerClass(kControllerClassId.toFUID());
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
    return AudioEffect::setActive(state);
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

    const char* id = message->getMessageID();
    if (id && std::strcmp(id, "BinaryMessage") == 0) {
        IAttributeList* attributes = message->getAttributes();
        const void* data = nullptr;
        uint32 size = 0;
        if (attributes && attributes->getBinary("MyData", data, size) == kResultOk) return kResultOk;
    }
    return AudioEffect::notify(message);
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
    return AudioEffect::setupProcessing(setup);
}

tresult PLUGIN_API VOSK::process(ProcessData& data)
{
    if (data.symbolicSampleSize != kSample32) return kResultFalse;
    if (data.numSamples <= 0 || data.numOutputs <= 0 || !data.outputs) return kResultOk;

    // Until the signal path is in, the audio passes through unchanged.
    const size_t bytes = sizeof(Sample32) * static_cast<size_t>(data.numSamples);
    AudioBusBuffers& out = data.outputs[0];
    const AudioBusBuffers* in = data.numInputs > 0 && data.inputs ? &data.inputs[0] : nullptr;
    for (int32 c = 0; c < out.numChannels; ++c) {
        Sample32* dst = out.channelBuffers32 ? out.channelBuffers32[c] : nullptr;
        if (!dst) continue;
        const Sample32* src =
            in && c < in->numChannels && in->channelBuffers32 ? in->channelBuffers32[c] : nullptr;
        if (!src)
            std::memset(dst, 0, bytes);
        else if (src != dst)
            std::memcpy(dst, src, bytes);
    }
    out.silenceFlags = in ? in->silenceFlags : ~uint64(0);
    return kResultOk;
}

namespace {
// The stream is little-endian; so is every platform we build for.
bool readExactly(IBStream* stream, void* data, int32 size)
{
    int32 read = 0;
    return stream->read(data, size, &read) == kResultOk && read == size;
}
} // namespace

tresult PLUGIN_API VOSK::setState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    float gain = 0.0f;
    int32 bypassFlag = 0;
    if (!readExactly(state, &gain, sizeof(gain)) || !readExactly(state, &bypassFlag, sizeof(bypassFlag)))
        return kResultFalse;
    inputGain = gain;
    bypass = bypassFlag > 0;
    return kResultOk;
}

tresult PLUGIN_API VOSK::getState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    const int32 bypassFlag = bypass ? 1 : 0;
    int32 written = 0;
    if (state->write(&inputGain, sizeof(inputGain), &written) != kResultOk || written != sizeof(inputGain))
        return kResultFalse;
    if (state->write(const_cast<int32*>(&bypassFlag), sizeof(bypassFlag), &written) != kResultOk ||
        written != sizeof(bypassFlag))
        return kResultFalse;
    return kResultOk;
}

} // namespace vosk
