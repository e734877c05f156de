#include "controller.h"

#include "catalogue.h"

#include <cmath>
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

Steinberg::IPlugView* PLUGIN_API UIDescriptionController::createView(Steinberg::FIDString name)
{
    if (!name || std::strcmp(name, "editor") != 0) return nullptr;
    return createEditorView(*this);
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
