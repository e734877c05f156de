// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The two classes the module offers: what the factory registers and what the
// module description (moduleinfo.json) lists, from the one set of facts.
#pragma once

#include "classids.h"
#include "version.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdint>

namespace vosk {

constexpr Steinberg::int32 kFactoryFlags = Steinberg::PFactoryInfo::kUnicode;

// Every class is many-instance, of the project's version and of kSdkVersion, and
// names no vendor of its own: the factory's applies.
struct ModuleClass
{
    ClassId id;
    const char* category;
    const char* name;
    uint32_t flags;
    const char* subCategories; // separated by "|"
};

constexpr ModuleClass kProcessorClass{kProcessorClassId, kVstAudioEffectClass, kProcessorName,
                                      Steinberg::Vst::kDistributable, kSubCategories};
constexpr ModuleClass kControllerClass{kControllerClassId, kVstComponentControllerClass, kControllerName, 0, ""};

} // namespace vosk
