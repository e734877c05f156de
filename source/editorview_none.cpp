// The editor hook where the editor runtime is not built yet: hosts get no view
// and show their own generic parameter editor.
#include "controller.h"

namespace vosk {

Steinberg::IPlugView* createEditorView(UIDescriptionController& /*controller*/)
{
    return nullptr;
}

} // namespace vosk
