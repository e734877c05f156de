// The parameters the controller registers, in registration order (the host sees them
// by index in this order).
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg {
namespace Vst {
class Parameter;
}
} // namespace Steinberg

namespace vosk {

enum class ParameterClass {
    Plain, // SDK Parameter behaviour
    List,  // SDK StringListParameter behaviour
    Freq,
    Gain,
    InGain,
    BW,
    Precision,
};

struct CatalogueEntry
{
    Steinberg::Vst::ParamID id;
    const char* title;
    ParameterClass parameterClass;
    const char* units; // "" for none
    Steinberg::int32 stepCount;
    Steinberg::Vst::ParamValue defaultValue;
    Steinberg::int32 flags;
    const char* const* entries; // lists: kListEntries texts; otherwise null
};

constexpr int kListEntries = 3;
constexpr int kCatalogueSize = 69;
extern const CatalogueEntry kCatalogue[kCatalogueSize];

// Creates the entry's parameter object (owned by the caller, one reference), with its
// list entries appended; null when it cannot be allocated.
Steinberg::Vst::Parameter* createParameter(const CatalogueEntry& entry);

} // namespace vosk
