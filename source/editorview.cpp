// The editor hook of the controller. Until the editor runtime is part of the module
// there is no view to open.
#include "controller.h"

namespace vosk {

Steinberg::IPlugView* createEditorView(UIDescriptionController& /*controller*/)
{
    return nullptr;
}

} // namespace vosk
