// The editor hook of the controller: the description and its images come from
// the bundle's Resources folder, beside the folder of the module binary.
#include "controller.h"
#include "platform/module.h"
#include "platform/plugview.h"

namespace vosk {

Steinberg::IPlugView* createEditorView(UIDescriptionController& controller)
{
    // Contents/<architecture>/ holds the binary; Contents/Resources/ the files.
    const std::string& binaryFolder = platform::moduleFolder();
    const ui::ResourceFolder resources(binaryFolder.empty() ? std::string() : binaryFolder + "../Resources");
    return new ui::PlugView(&controller, resources, "voskEditor.uidesc", "view");
}

} // namespace vosk
