#include "controller.h"

#include "catalogue.h"
#include "dsp/settings.h"
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
    return EditController::setParamNormalized(tag, value);
}

namespace {

// The shape lists' values: entry 0 "Bell", 1 "Low Cut", 2 "High Cut".
double shapeValue(int32_t shape)
{
    switch (shape) {
    case 0:
        return 1.0; // high cut
    case 1:
        return 0.5; // low cut
    default:
        return 0.0; // bell
    }
}

double onOff(bool on)
{
    return on ? 1.0 : 0.0;
}

} // namespace

void UIDescriptionController::setValue(ParamID tag, ParamValue value)
{
    if (Steinberg::Vst::Parameter* parameter = getParameterObject(tag)) parameter->setNormalized(value);
}

tresult PLUGIN_API UIDescriptionController::setComponentState(Steinberg::IBStream* state)
{
    if (!state) return kInvalidArgument;
    ProcessorState decoded;
    if (!readState(*state, decoded)) return kResultFalse;

    setValue(kInGain, decoded.inputGain / kMaxLinearGain);
    setValue(kBypass, onOff(decoded.bypass));
    if (!decoded.hasSettings) return kResultOk; // an older state: the rest is the host's

    for (int channel = 0; channel < 2; ++channel) {
        for (int band = 1; band <= 4; ++band) {
            const ProcessorState::Band& settings = decoded.bands[channel][band - 1];
            setValue(bandTag(kOn1R, band, channel), onOff(settings.on));
            setValue(bandTag(kFreq1R, band, channel), settings.freqNorm);
            setValue(bandTag(kQ1R, band, channel), settings.qNorm);
            setValue(bandTag(kGain1R, band, channel), settings.gainNorm);
            // The width played, not the stored normalised one: band defaults carry a
            // normalised width that the intake would turn into half their width.
            setValue(bandTag(kBW1R, band, channel), settings.width / 2.0);
            setValue(bandTag(kShape1R, band, channel), shapeValue(settings.shape));
        }
    }
    setValue(kOnLoCut, onOff(decoded.lowCutOn));
    setValue(kOnHiCut, onOff(decoded.highCutOn));
    // Both switches are on below one half.
    setValue(kLink, onOff(!decoded.linked));
    setValue(kMidSide, onOff(!decoded.midSide));
    setValue(kMuteMid, onOff(decoded.channelEnabled[0] != 0));
    setValue(kMuteSide, onOff(decoded.channelEnabled[1] != 0));
    setValue(kLgain, decoded.channelGain[0] / kMaxLinearGain);
    setValue(kRgain, decoded.channelGain[1] / kMaxLinearGain);
    return kResultOk;
}

tresult PLUGIN_API UIDescriptionController::notify(Steinberg::Vst::IMessage* message)
{
    // The base reads the attributes without asking whether there are any.
    if (message && !message->getAttributes()) return kResultFalse;
    return EditController::notify(message);
}

tresult UIDescriptionController::beginEdit(ParamID tag)
{
    if (!getParameterObject(tag)) return kResultFalse;
    return EditController::beginEdit(tag);
}

tresult UIDescriptionController::performEdit(ParamID tag, ParamValue valueNormalized)
{
    if (!getParameterObject(tag)) return kResultFalse;
    return EditController::performEdit(tag, valueNormalized);
}

tresult UIDescriptionController::endEdit(ParamID tag)
{
    if (!getParameterObject(tag)) return kResultFalse;
    return EditController::endEdit(tag);
}

} // namespace vosk
