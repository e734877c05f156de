// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor hook of the plug-in's controller: the editor runtime built from
// the module's own description and images.
#include "editor/plugview.h"

#include "source/controller.h"
#include "source/platform/module.h"

#if defined(_WIN32)
#include "editor/platform/win32/moduleresources.h"
#endif

namespace vosk {

Steinberg::IPlugView* createEditorView(UIDescriptionController& controller)
{
#if defined(_WIN32)
    // The module carries them as resources, found through its instance handle.
    const ui::ModuleResources resources(platform::moduleHandle());
#else
    // They lie in the bundle: Contents/<arch>/VOSK.so → Contents/Resources.
    // Without a recorded folder the editor opens and reports the missing description.
    const std::string& folder = platform::moduleFolder();
    const ui::ResourceFolder resources(folder.empty() ? std::string() : folder + "../Resources");
#endif
    auto* view = new ui::EditorPlugView(&controller, resources, "voskEditor.uidesc", "view");
    // The view holds the controller for as long as its editor lives.
    view->editor().setKnobModeSource([&controller] { return controller.knobMode(); });
    view->editor().setSpectrumSource(&controller);
    return view;
}

} // namespace vosk
