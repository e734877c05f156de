#include "binding.h"

#include "common/utf.h"

#include <public.sdk/source/vst/vsteditcontroller.h>

#include <algorithm>
#include <cmath>

namespace vosk::ui {

using namespace Steinberg;

Binding::Binding(Vst::EditController* controller, int tag, Vst::Parameter* parameter)
    : controller_(controller), tag_(tag), parameter_(parameter)
{
}

double Binding::value() const
{
    return parameter_ ? parameter_->getNormalized() : local_;
}

void Binding::beginEdit()
{
    if (parameter_) controller_->beginEdit(static_cast<Vst::ParamID>(tag_));
}

void Binding::performEdit(double normalized)
{
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (parameter_) {
        controller_->setParamNormalized(static_cast<Vst::ParamID>(tag_), normalized);
        controller_->performEdit(static_cast<Vst::ParamID>(tag_), parameter_->getNormalized());
    } else {
        local_ = normalized;
    }
    lastSeen = value();
    if (onChange) onChange(*this);
}

void Binding::endEdit()
{
    if (parameter_) controller_->endEdit(static_cast<Vst::ParamID>(tag_));
}

void Binding::edit(double normalized)
{
    beginEdit();
    performEdit(normalized);
    endEdit();
}

std::string Binding::text() const
{
    if (!parameter_) return {};
    Vst::String128 s{};
    parameter_->toString(parameter_->getNormalized(), s);
    s[127] = 0;
    return utf16ToUtf8(reinterpret_cast<const char16_t*>(s));
}

bool Binding::editFromText(const std::string& utf8)
{
    if (!parameter_) return false;
    std::u16string wide = utf8ToUtf16(utf8);
    Vst::ParamValue v = parameter_->getNormalized();
    if (!parameter_->fromString(reinterpret_cast<const Vst::TChar*>(wide.c_str()), v)) return false;
    if (!std::isfinite(v)) return false;
    edit(v);
    return true;
}

std::vector<std::string> Binding::entries() const
{
    std::vector<std::string> out;
    if (!parameter_) return out;
    const int steps = parameter_->getInfo().stepCount;
    if (steps <= 0 || steps > 1000) return out;
    for (int i = 0; i <= steps; ++i) {
        Vst::String128 s{};
        parameter_->toString(static_cast<double>(i) / steps, s);
        s[127] = 0;
        out.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(s)));
    }
    return out;
}

int Binding::entryIndex() const
{
    if (!parameter_) return 0;
    const int steps = parameter_->getInfo().stepCount;
    if (steps <= 0) return 0;
    return std::min(steps, static_cast<int>(value() * (steps + 1)));
}

} // namespace vosk::ui
