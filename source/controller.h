// The edit controller of the plug-in.
#pragma once

#include "public.sdk/source/vst/vsteditcontroller.h"

namespace vosk {

class UIDescriptionController : public Steinberg::Vst::EditController
{
public:
    UIDescriptionController() = default;
};

} // namespace vosk
