// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk snapshot: the plug-in's editor drawn offscreen with its current values: the
// view that the loaded plug-in creates, as `edit` shows it, asked for its picture.
#include "commands.h"
#include "editor/editorpicture.h"
#include "hosting/fileio.h"

#include "public.sdk/source/common/memorystream.h"
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
    // Opened before the work, so that a picture that cannot be written fails first.
    OutputFile out(cmd.png);
    if (!out.ok()) return fail(out.error());
    auto plugin = preparePlugin(cmd, true);
    if (!plugin) return 1;

    IPtr<IPlugView> view = owned(plugin->controller()->createView(Vst::ViewType::kEditor));
    FUnknownPtr<IEditorPicture> picture(view);
    if (!picture) return fail("the plug-in offers no editor picture");
    IPtr<MemoryStream> png(new MemoryStream(), false);
    int32 width = 0, height = 0;
    char8 why[512] = {};
    if (picture->drawPng(png, &width, &height, why, sizeof(why)) != kResultOk) return fail(why);
    const auto* data = reinterpret_cast<const uint8_t*>(png->getData());
    std::string error;
    if (!writeAll(out.descriptor(), std::vector<uint8_t>(data, data + png->getSize()), error))
        return fail(cmd.png + ": " + error);
    if (!out.commit(error)) return fail(error);
    note("wrote %s (%d x %d)\n", cmd.png.c_str(), width, height);
    return 0;
}

} // namespace vosk
