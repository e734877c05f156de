#include "controller.h"

#include "catalogue.h"
#include "source/dsp/settings.h"
#include "parameterids.h"
#include "statestream.h"

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
    const int32_t fftSize = fftSizeFromListValue(getParamNormalized(kFftSizeMenu));
    const tresult result = EditController::setParamNormalized(tag, value);
    if (tag == kFftSizeMenu) fftSizeMayHaveChanged(fftSize);
    return result;
}

void UIDescriptionController::fftSizeMayHaveChanged(Steinberg::int32 before)
{
    const int32_t size = fftSizeFromListValue(getParamNormalized(kFftSizeMenu));
    if (size == before) return;
    if (Steinberg::IPtr<Steinberg::Vst::IMessage> message = owned(allocateMessage())) {
        message->setMessageID(kFftSizeMessage);
        message->getAttributes()->setInt(kFftSizeAttribute, size);
        sendMessage(message);
    }
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

    const int32_t fftSize = fftSizeFromListValue(getParamNormalized(kFftSizeMenu));
    setValue(kFftSizeMenu, listValueOfFftSize(decoded.fftSize));
    fftSizeMayHaveChanged(fftSize);

    for (int channel = 0; channel < 2; ++channel) {
        for (int band = 1; band <= 4; ++band) {
            const ProcessorState::Band& settings = decoded.bands[channel][band - 1];
            setValue(bandTag(kOn1R, band, channel), switchValue(kOn1R, settings.on));
            setValue(bandTag(kFreq1R, band, channel), settings.freqNorm);
            setValue(bandTag(kQ1R, band, channel), settings.qNorm);
            setValue(bandTag(kGain1R, band, channel), settings.gainNorm);
            // The width played, not the stored normalised one: band defaults carry a
            // normalised width that the intake would turn into half their width.
            setValue(bandTag(kBW1R, band, channel), normFromPlayedWidth(double(settings.width)));
            setValue(bandTag(kShape1R, band, channel), listValueOfShape(settings.shape));
        }
    }
    setValue(kOnLoCut, switchValue(kOnLoCut, decoded.lowCutOn));
    setValue(kOnHiCut, switchValue(kOnHiCut, decoded.highCutOn));
    setValue(kLink, switchValue(kLink, decoded.linked));
    setValue(kMidSide, switchValue(kMidSide, decoded.midSide));
    setValue(kMuteMid, switchValue(kMuteMid, decoded.channelEnabled[0] != 0));
    setValue(kMuteSide, switchValue(kMuteSide, decoded.channelEnabled[1] != 0));
    setValue(kLgain, normFromLinearGain(decoded.channelGain[0]));
    setValue(kRgain, normFromLinearGain(decoded.channelGain[1]));
    return kResultOk;
}

tresult PLUGIN_API UIDescriptionController::notify(Steinberg::Vst::IMessage* message)
{
    // The base reads the attributes without asking whether there are any.
    if (message && !message->getAttributes()) return kResultFalse;
    const char* id = message ? message->getMessageID() : nullptr;
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
    return EditController::notify(message);
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
