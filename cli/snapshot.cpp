// vosk snapshot: the plug-in's editor drawn offscreen with its current values: the
// view that the loaded plug-in creates, as `edit` shows it, asked for its picture.
#include "commands.h"
#include "editor/editorpicture.h"
#include "hosting/fileio.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdio>

namespace vosk {

using namespace Steinberg;

int runSnapshot(const CommandLine& cmd)
{
    if (cmd.png.empty()) return fail("snapshot needs --png FILE");
    if (!cmd.preset.empty() && sameFile(cmd.png, cmd.preset)) return fail(cmd.png + " is the preset file");
    auto plugin = preparePlugin(cmd, true);
    if (!plugin) return 1;

    IPtr<IPlugView> view = owned(plugin->controller()->createView(Vst::ViewType::kEditor));
    FUnknownPtr<IEditorPicture> picture(view);
    if (!picture) return fail("the plug-in offers no editor picture");
    int32 width = 0, height = 0;
    char8 error[512] = {};
    if (picture->writePng(cmd.png.c_str(), &width, &height, error, sizeof(error)) != kResultOk)
        return fail(error);
    note("wrote %s (%d x %d)\n", cmd.png.c_str(), width, height);
    return 0;
}

} // namespace vosk
