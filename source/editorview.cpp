// The editor hook of the controller: the editor runtime built from the module's
// own description and images, which lie in the bundle's Resources folder.
#include "controller.h"

#include "platform/module.h"
#include "plugview.h"

namespace vosk {

Steinberg::IPlugView* createEditorView(UIDescriptionController& controller)
{
    // Contents/<arch>/VOSK.so → Contents/Resources. Without a recorded folder the
    // editor opens and reports the missing description.
    const std::string& folder = platform::moduleFolder();
    const std::string resources = folder.empty() ? std::string() : folder + "../Resources";
    auto* view =
        new ui::EditorPlugView(&controller, ui::ResourceFolder(resources), "voskEditor.uidesc", "view");
    // The view holds the controller for as long as its editor lives.
    view->editor().setKnobModeSource([&controller] { return controller.knobMode(); });
    return view;
}

} // namespace vosk
