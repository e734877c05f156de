// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controller.h"

#include "catalogue.h"
#include "listeningmessages.h"
#include "source/dsp/settings.h"
#include "parameterids.h"
#include "spectrumcapture.h"
#include "statestream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vosk {

using Steinberg::kInvalidArgument;
using Steinberg::kOutOfMemory;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::tresult;

tresult PLUGIN_API UIDescriptionController::initialize(Steinberg::FUnknown* context)
{
    // The base refuses a second initialisation; nothing may be registered twice.
    const tresult result = EditController::initialize(context);
    if (result != kResultOk) return result;

    for (const CatalogueEntry& entry : kCatalogue) {
        Steinberg::Vst::Parameter* parameter = createParameter(entry);
        if (!parameter) {
            // A partial catalogue would show the host a different plug-in: fail whole.
            EditController::terminate();
            return kOutOfMemory;
        }
        parameters.addParameter(parameter);
    }
    return result;
}

tresult PLUGIN_API UIDescriptionController::setKnobMode(Steinberg::Vst::KnobMode mode)
{
    using namespace Steinberg::Vst;
    if (mode != kCircularMode && mode != kRelativCircularMode && mode != kLinearMode) return kInvalidArgument;
    knobMode_ = mode;
    return kResultOk;
}

Steinberg::IPlugView* PLUGIN_API UIDescriptionController::createView(Steinberg::FIDString name)
{
    if (!name || std::strcmp(name, "editor") != 0 || !openEditor_) return nullptr;
    return openEditor_(*this);
}

tresult PLUGIN_API UIDescriptionController::getParameterInfo(Steinberg::int32 paramIndex,
                                                             Steinberg::Vst::ParameterInfo& info)
{
    // The container's index lookup throws past its end; a host may probe any index.
    if (paramIndex < 0 || paramIndex >= getParameterCount()) return kResultFalse;
    return EditController::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API UIDescriptionController::setParamNormalized(ParamID tag, ParamValue value)
{
    // A NaN would pass the base's clamping and reach every control bound to the tag.
    if (std::isnan(value)) return kInvalidArgument;
    const LatencyChoice before = latencyChoice();
    const tresult result = EditController::setParamNormalized(tag, value);
    if (tag == kFftSizeMenu || tag == kPhase) latencyMayHaveChanged(before);
    return result;
}

UIDescriptionController::LatencyChoice UIDescriptionController::latencyChoice()
{
    return {fftSizeFromListValue(getParamNormalized(kFftSizeMenu)),
            phaseFromListValue(getParamNormalized(kPhase))};
}

void UIDescriptionController::latencyMayHaveChanged(const LatencyChoice& before)
{
    const LatencyChoice now = latencyChoice();
    if (now.fftSize == before.fftSize && now.phase == before.phase) return;
    if (now.fftSize != before.fftSize) sendToProcessor(kFftSizeMessage, kFftSizeAttribute, now.fftSize);
    if (now.phase != before.phase)
        sendToProcessor(kPhaseMessage, kPhaseAttribute, now.phase == Phase::Minimum ? 1 : 0);
    if (componentHandler) componentHandler->restartComponent(Steinberg::Vst::kLatencyChanged);
}

void UIDescriptionController::setValue(ParamID tag, ParamValue value)
{
    if (Steinberg::Vst::Parameter* parameter = getParameterObject(tag)) parameter->setNormalized(value);
}

tresult PLUGIN_API UIDescriptionController::setComponentState(Steinberg::IBStream* state)
{
    if (!state) return kInvalidArgument;
    ProcessorState decoded;
    if (!readState(*state, decoded)) return kResultFalse;

    setValue(kInGain, normFromLinearGain(decoded.inputGain));
    setValue(kBypass, switchValue(kBypass, decoded.bypass));
    if (!decoded.hasSettings) return kResultOk; // an older state: the rest is the host's

    const LatencyChoice before = latencyChoice();
    // Switches, lists and types as they were set. An older state has no record of them:
    // the switches and lists take the values that set what it plays, and the types stay
    // as they are, as they always did.
    for (int i = 0; i < kNumHeldValues; ++i) {
        const ParamID tag = kHeldValueTags[i];
        if (!decoded.hasHeldValues && tag >= kType1 && tag <= kType6) continue;
        setValue(tag, decoded.heldValues[static_cast<size_t>(i)]);
    }
    latencyMayHaveChanged(before);
    setValue(kLpeak, switchValue(kLpeak, decoded.clip[0]));
    setValue(kRpeak, switchValue(kRpeak, decoded.clip[1]));

    for (int channel = 0; channel < 2; ++channel) {
        for (int band = 1; band <= 4; ++band) {
            const ProcessorState::Band& settings = decoded.bands[channel][band - 1];
            setValue(bandTag(kFreq1R, band, channel), settings.freqNorm);
            setValue(bandTag(kQ1R, band, channel), settings.qNorm);
            setValue(bandTag(kGain1R, band, channel), settings.gainNorm);
            // The width played: band defaults carry a normalised width that the intake
            // would turn into half their width. Where the width follows from the value
            // (many values play the narrowest width), a newer state's value itself.
            const bool widthFollows =
                decoded.hasHeldValues && widthFromNorm(settings.widthNorm) == settings.width;
            setValue(bandTag(kBW1R, band, channel),
                     widthFollows ? settings.widthNorm : normFromPlayedWidth(double(settings.width)));
        }
    }
    setValue(kLgain, normFromLinearGain(decoded.channelGain[0]));
    setValue(kRgain, normFromLinearGain(decoded.channelGain[1]));
    return kResultOk;
}

tresult PLUGIN_API UIDescriptionController::notify(Steinberg::Vst::IMessage* message)
{
    // The base reads the attributes without asking whether there are any.
    if (message && !message->getAttributes()) return kResultFalse;
    const char* id = message ? message->getMessageID() : nullptr;
    if (id && std::strcmp(id, kSpectrumFrameMessage) == 0) {
        const void* samples = nullptr;
        Steinberg::uint32 bytes = 0;
        double rate = 0.0;
        Steinberg::Vst::IAttributeList* attributes = message->getAttributes();
        if (attributes->getBinary(kSpectrumSamplesAttribute, samples, bytes) != kResultOk ||
            attributes->getFloat(kSpectrumRateAttribute, rate) != kResultOk)
            return kResultFalse;
        // A frame that crossed a panel's closing is not shown.
        if (spectrumPanels_ == 0) return kResultOk;
        return spectrum_.accept(samples, bytes, rate) ? kResultOk : kResultFalse;
    }
    if (id && std::strcmp(id, kProcessingSetupMessage) == 0) {
        double rate = 0;
        Steinberg::int64 size = 0;
        if (message->getAttributes()->getFloat(kSampleRateAttribute, rate) != kResultOk ||
            message->getAttributes()->getInt(kFftSizeAttribute, size) != kResultOk || !(rate >= 1 && rate < 1e7) ||
            listValueOfFftSize(static_cast<int32_t>(size)) < 0)
            return kResultFalse;
        setupRate_ = rate;
        setupFftSize_ = static_cast<Steinberg::int32>(size);
        return kResultOk;
    }
    if (id && std::strcmp(id, kLoudnessMessage) == 0) {
        double lu = 0;
        loudnessKnown_ = message->getAttributes()->getFloat(kLoudnessDifferenceAttribute, lu) == kResultOk &&
                         std::isfinite(lu);
        loudnessDifference_ = loudnessKnown_ ? lu : 0;
        return kResultOk;
    }
    return EditController::notify(message);
}

void PLUGIN_API UIDescriptionController::setListening(Steinberg::int32 soloBand, Steinberg::int32 soloChannel,
                                                      Steinberg::TBool delta, Steinberg::TBool compare)
{
    if (!ListeningRequest::valid(soloBand, soloChannel, delta ? 1 : 0, compare ? 1 : 0)) return;
    const ListeningRequest request{soloBand, soloChannel, delta != 0, compare != 0};
    listening_ = request;
    Steinberg::IPtr<Steinberg::Vst::IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(kListeningMessage);
    Steinberg::Vst::IAttributeList* attributes = message->getAttributes();
    attributes->setInt(kSoloBandAttribute, request.soloBand);
    attributes->setInt(kSoloChannelAttribute, request.soloChannel);
    attributes->setInt(kDeltaAttribute, request.delta ? 1 : 0);
    attributes->setInt(kCompareAttribute, request.compare ? 1 : 0);
    sendMessage(message);
}

void PLUGIN_API UIDescriptionController::listening(Steinberg::int32& soloBand, Steinberg::int32& soloChannel,
                                                   Steinberg::TBool& delta, Steinberg::TBool& compare)
{
    soloBand = listening_.soloBand;
    soloChannel = listening_.soloChannel;
    delta = listening_.delta;
    compare = listening_.compare;
}

void PLUGIN_API UIDescriptionController::setLoudnessWanted(Steinberg::TBool wanted)
{
    const int before = loudnessWanted_;
    loudnessWanted_ = wanted ? loudnessWanted_ + 1 : std::max(loudnessWanted_ - 1, 0);
    if ((before == 0) == (loudnessWanted_ == 0)) return;
    if (loudnessWanted_ == 0) loudnessKnown_ = false;
    sendToProcessor(kLoudnessWantedMessage, kLoudnessWantedAttribute, loudnessWanted_ > 0 ? 1 : 0);
}

Steinberg::TBool PLUGIN_API UIDescriptionController::loudnessDifference(double& lu)
{
    // The answer may come at once, or by a later call if the host queues messages.
    sendToProcessor(kLoudnessRequestMessage);
    lu = loudnessDifference_;
    return loudnessKnown_;
}

void UIDescriptionController::sendSpectrumMessage(const char* id, Steinberg::int64 on)
{
    sendToProcessor(id, on >= 0 ? kSpectrumWantedAttribute : nullptr, on);
}

void UIDescriptionController::sendToProcessor(const char* id, const char* attribute, Steinberg::int64 value)
{
    Steinberg::IPtr<Steinberg::Vst::IMessage> message = owned(allocateMessage());
    if (!message) return;
    message->setMessageID(id);
    if (attribute) message->getAttributes()->setInt(attribute, value);
    sendMessage(message);
}

void UIDescriptionController::setSpectrumWanted(bool wanted)
{
    const int before = spectrumPanels_;
    spectrumPanels_ = wanted ? spectrumPanels_ + 1 : std::max(spectrumPanels_ - 1, 0);
    if ((before == 0) == (spectrumPanels_ == 0)) return;
    spectrum_.reset();
    lastSpectrumTick_ = std::chrono::steady_clock::now();
    sendSpectrumMessage(kSpectrumWantedMessage, spectrumPanels_ > 0 ? 1 : 0);
}

bool UIDescriptionController::latestSpectrum(ui::SpectrumPicture& picture)
{
    if (spectrumPanels_ == 0) return false;
    // The answer may come at once, or with a later tick if the host queues messages.
    sendSpectrumMessage(kSpectrumRequestMessage);
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - lastSpectrumTick_).count();
    lastSpectrumTick_ = now;
    const bool midSide = switchIsOn(kMidSide, getParamNormalized(kMidSide));
    return spectrum_.update(seconds, midSide, picture);
}

Steinberg::TBool PLUGIN_API UIDescriptionController::processingSetup(double& sampleRate, Steinberg::int32& fftSize)
{
    if (setupRate_ <= 0) return false;
    sampleRate = setupRate_;
    fftSize = setupFftSize_;
    return true;
}

namespace {

// The controller's state: a mark, then flags; bit 0 says the curve panel shows.
constexpr char kControllerStateMark[4] = {'V', 'K', 'e', 'd'};
constexpr uint32_t kCurvePanelOpenFlag = 1u;

} // namespace

tresult PLUGIN_API UIDescriptionController::setState(Steinberg::IBStream* state)
{
    if (!state) return kInvalidArgument;
    curvePanelOpen_ = false;
    unsigned char bytes[8] = {};
    Steinberg::int32 total = 0;
    while (total < 8) {
        Steinberg::int32 read = 0;
        if (state->read(bytes + total, 8 - total, &read) != kResultOk || read <= 0 || read > 8 - total) break;
        total += read;
    }
    if (total < 8 || std::memcmp(bytes, kControllerStateMark, 4) != 0) return kResultOk;
    const uint32_t flags = static_cast<uint32_t>(bytes[4]) | static_cast<uint32_t>(bytes[5]) << 8 |
                           static_cast<uint32_t>(bytes[6]) << 16 | static_cast<uint32_t>(bytes[7]) << 24;
    curvePanelOpen_ = (flags & kCurvePanelOpenFlag) != 0;
    return kResultOk;
}

tresult PLUGIN_API UIDescriptionController::getState(Steinberg::IBStream* state)
{
    if (!state) return kInvalidArgument;
    const uint32_t flags = curvePanelOpen_ ? kCurvePanelOpenFlag : 0;
    unsigned char bytes[8];
    std::memcpy(bytes, kControllerStateMark, 4);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(flags >> (8 * i));
    Steinberg::int32 written = 0;
    if (state->write(bytes, 8, &written) != kResultOk || written != 8) return kResultFalse;
    return kResultOk;
}

tresult PLUGIN_API UIDescriptionController::beginEdit(ParamID tag)
{
    if (!getParameterObject(tag)) return kResultFalse;
    return EditController::beginEdit(tag);
}

tresult PLUGIN_API UIDescriptionController::performEdit(ParamID tag, ParamValue valueNormalized)
{
    if (!getParameterObject(tag)) return kResultFalse;
    return EditController::performEdit(tag, valueNormalized);
}

tresult PLUGIN_API UIDescriptionController::endEdit(ParamID tag)
{
    if (!getParameterObject(tag)) return kResultFalse;
    return EditController::endEdit(tag);
}

} // namespace vosk
