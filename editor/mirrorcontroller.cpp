#include "mirrorcontroller.h"

#include <public.sdk/source/vst/vstparameters.h>

namespace vosk::ui {

using namespace Steinberg;

namespace {

// Texts come from the original controller, so its own conversions apply.
class MirrorParameter : public Vst::Parameter
{
public:
    MirrorParameter(const Vst::ParameterInfo& parameterInfo, Vst::IEditController* original)
        : Vst::Parameter(parameterInfo), original_(original)
    {
    }
    void toString(Vst::ParamValue value, Vst::String128 text) const override
    {
        text[0] = 0;
        if (original_->getParamStringByValue(info.id, value, text) != kResultOk)
            Vst::Parameter::toString(value, text);
    }
    bool fromString(const Vst::TChar* text, Vst::ParamValue& value) const override
    {
        Vst::ParamValue v = value;
        if (original_->getParamValueByString(info.id, const_cast<Vst::TChar*>(text), v) != kResultOk)
            return false;
        value = v;
        return true;
    }

private:
    Vst::IEditController* original_;
};

} // namespace

MirrorController::MirrorController(Vst::IEditController* original) : original_(original)
{
    if (original_) original_->addRef();
    const int32 count = original_ ? original_->getParameterCount() : 0;
    for (int32 i = 0; i < count; ++i) {
        Vst::ParameterInfo info{};
        if (original_->getParameterInfo(i, info) != kResultOk) continue;
        auto* p = new MirrorParameter(info, original_);
        p->setNormalized(original_->getParamNormalized(info.id));
        parameters.addParameter(p);
    }
}

MirrorController::~MirrorController()
{
    parameters.removeAll();
    if (original_) original_->release();
}

void MirrorController::refresh()
{
    for (int32 i = 0; i < parameters.getParameterCount(); ++i) {
        Vst::Parameter* p = parameters.getParameterByIndex(i);
        p->setNormalized(original_->getParamNormalized(p->getInfo().id));
    }
}

tresult MirrorController::performEdit(Vst::ParamID tag, Vst::ParamValue value)
{
    if (!original_ || !getParameterObject(tag)) return kResultFalse;
    return original_->setParamNormalized(tag, value);
}

} // namespace vosk::ui
