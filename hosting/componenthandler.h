// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The host's side of a controller's edits: every begin, perform and end, in the
// order they arrive, and the restart flags asked for. It belongs to its owner
// (a hosted plug-in, a test) and is unregistered before it goes.
#pragma once

#include "common/refcounted.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vosk {

struct ParameterEdit
{
    enum Kind { Begin, Perform, End } kind;
    uint32_t id;
    double value;
};

class RecordingComponentHandler : public OwnerManaged<Steinberg::Vst::IComponentHandler>
{
public:
    std::vector<ParameterEdit> edits;
    Steinberg::int32 restartFlags = 0;
    // Told of every performed value, as a host forwards them to the processor.
    std::function<void(Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue)> onPerform;
    // Told of every restart asked for, as a host restarts the processor.
    std::function<void(Steinberg::int32)> onRestart;

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override
    {
        edits.push_back({ParameterEdit::Begin, id, 0.0});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) override
    {
        edits.push_back({ParameterEdit::Perform, id, value});
        if (onPerform) onPerform(id, value);
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override
    {
        edits.push_back({ParameterEdit::End, id, 0.0});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override
    {
        restartFlags |= flags;
        if (onRestart) onRestart(flags);
        return Steinberg::kResultOk;
    }

    // The values performed for `id`, in order.
    std::vector<double> performed(Steinberg::Vst::ParamID id) const
    {
        std::vector<double> values;
        for (const auto& e : edits)
            if (e.kind == ParameterEdit::Perform && e.id == id) values.push_back(e.value);
        return values;
    }
};

} // namespace vosk
