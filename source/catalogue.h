// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameters the controller registers, in registration order (the host sees them
// by index in this order). Their facts are those of the parameter table.
#pragma once

#include "source/parametertable.h"

#include <array>

namespace Steinberg {
namespace Vst {
class Parameter;
}
} // namespace Steinberg

namespace vosk {

using CatalogueEntry = ParameterEntry;

constexpr int kCatalogueSize = 70;
extern const std::array<CatalogueEntry, kCatalogueSize> kCatalogue;

// Creates the entry's parameter object (owned by the caller, one reference), with its
// list entries appended; null when it cannot be allocated.
Steinberg::Vst::Parameter* createParameter(const CatalogueEntry& entry);

} // namespace vosk
