// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The .vstpreset file: a processor's and a controller's states under a header
// that names the processor class. Render, match and the factory presets' generator
// write it; every preset a command loads is read through here.
#pragma once

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vosk {

// The states of `component` and, unless null (a single-component plug-in), of
// `controller`, as a preset of `processorClass`, whose header names the class
// in the SDK's text of its bytes.
bool writePreset(Steinberg::Vst::IComponent* component, Steinberg::Vst::IEditController* controller,
                 const Steinberg::TUID processorClass, std::vector<uint8_t>& image, std::string& error);

// Checks every offset and size against the image first, then restores the
// processor's state, the same state to the controller and the controller's own
// state, as a host restores a project. Refuses a preset of another class. The
// class's text may be in either platform's reading of the same bytes: a module
// that lays out its identifier in one order on every platform writes presets
// that the other platform reads in the other.
bool readPreset(const std::vector<uint8_t>& image, const Steinberg::TUID processorClass,
                Steinberg::Vst::IComponent* component, Steinberg::Vst::IEditController* controller,
                std::string& error);

} // namespace vosk
