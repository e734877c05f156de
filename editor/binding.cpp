// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding.h"

#include "common/utf.h"
#include "editorhost/parameteredits.h"

#include <algorithm>
#include <cmath>

namespace vosk::ui {

using namespace Steinberg;

Binding::Binding(Vst::IEditController* controller, IParameterEdits* edits, int tag, const Vst::ParameterInfo* info)
    : controller_(controller), edits_(edits), tag_(tag), hasParameter_(controller && info)
{
    if (info) stepCount_ = info->stepCount;
}

double Binding::value() const
{
    return hasParameter_ ? controller_->getParamNormalized(id()) : local_;
}

void Binding::beginEdit()
{
    if (hasParameter_ && edits_) edits_->beginEdit(id());
}

void Binding::performEdit(double normalized)
{
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (hasParameter_) {
        // The host hears the value the parameter settled on (a step, a clamp).
        controller_->setParamNormalized(id(), normalized);
        if (edits_) edits_->performEdit(id(), controller_->getParamNormalized(id()));
    } else {
        local_ = normalized;
    }
    lastSeen = value();
    if (onChange) onChange(*this);
}

void Binding::endEdit()
{
    if (hasParameter_ && edits_) edits_->endEdit(id());
}

void Binding::edit(double normalized)
{
    beginEdit();
    performEdit(normalized);
    endEdit();
}

std::string Binding::textOf(double normalized) const
{
    Vst::String128 s{};
    if (controller_->getParamStringByValue(id(), normalized, s) != kResultOk) return {};
    s[127] = 0;
    return utf16ToUtf8(reinterpret_cast<const char16_t*>(s));
}

std::string Binding::text() const
{
    return hasParameter_ ? textOf(value()) : std::string();
}

bool Binding::editFromText(const std::string& utf8)
{
    if (!hasParameter_) return false;
    std::u16string wide = utf8ToUtf16(utf8);
    Vst::ParamValue v = value();
    if (controller_->getParamValueByString(id(), reinterpret_cast<Vst::TChar*>(wide.data()), v) != kResultOk)
        return false;
    if (!std::isfinite(v)) return false;
    edit(v);
    return true;
}

std::vector<std::string> Binding::entries() const
{
    std::vector<std::string> out;
    if (!hasParameter_ || stepCount_ <= 0 || stepCount_ > 1000) return out;
    for (int i = 0; i <= stepCount_; ++i) out.push_back(textOf(static_cast<double>(i) / stepCount_));
    return out;
}

int Binding::entryIndex() const
{
    if (!hasParameter_ || stepCount_ <= 0) return 0;
    return std::min(stepCount_, static_cast<int>(value() * (stepCount_ + 1)));
}

} // namespace vosk::ui
