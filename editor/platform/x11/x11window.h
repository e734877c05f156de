// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The X11 implementation of the editor window: a child of the host's window that
// speaks XEmbed, drawn with cairo, served by the host's IRunLoop.

#include "editor/platform/window.h"

#include <memory>
#include <string>

namespace Steinberg::Linux {
class IRunLoop;
}

namespace vosk::ui {

// Creates the window inside `parent` (an X11 Window id) with the logical size
// width x height at `scale`, and registers its event handler and timer with
// `runLoop`. Null with a reason in `error` when the display cannot be opened.
std::unique_ptr<Window> createX11Window(std::uintptr_t parent, Steinberg::Linux::IRunLoop* runLoop,
                                        WindowClient& client, int width, int height, double scale,
                                        std::string& error);

} // namespace vosk::ui
