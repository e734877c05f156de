// vosk snapshot: the plug-in's editor drawn offscreen with its current values,
// built by the editor runtime from the bundle's own description and images.
#include "editor/cairocanvas.h"
#include "commands.h"
#include "editor/editor.h"
#include "hosting/fileio.h"
#include "editor/mirrorcontroller.h"

#include <cstdio>

namespace vosk {

int runSnapshot(const CommandLine& cmd)
{
    if (cmd.png.empty()) return fail("snapshot needs --png FILE");
    if (!cmd.preset.empty() && sameFile(cmd.png, cmd.preset)) return fail(cmd.png + " is the preset file");
    auto plugin = preparePlugin(cmd, true);
    if (!plugin) return 1;

    auto* mirror = new ui::MirrorController(plugin->controller());
    int status = 0;
    {
        ui::Editor editor(mirror, ui::ResourceFolder(pluginPath(cmd) + "/Contents/Resources"),
                          "voskEditor.uidesc", "view");
        if (!editor.valid()) {
            status = fail(editor.error());
        } else {
            editor.idle(0);
            ui::Offscreen picture(editor.width(), editor.height());
            editor.draw(picture.canvas());
            if (!picture.writePng(cmd.png))
                status = fail("cannot write " + cmd.png);
            else
                note("wrote %s (%d x %d)\n", cmd.png.c_str(), editor.width(), editor.height());
        }
    }
    mirror->release();
    return status;
}

} // namespace vosk
