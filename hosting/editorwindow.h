// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A top-level window of the host that shows one plug-in view. The platform
// implementation attaches the view, serves its IPlugFrame (resizing, and on Linux
// the run loop) and forwards the keys the window receives to the view.

#include "pluginterfaces/gui/iplugview.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vosk {

class RunLoop;

class EditorWindow
{
public:
    virtual ~EditorWindow() = default;

    // Opens a window of the view's size, titled `title`, attaches the view and
    // registers the window's own event source with `loop`. On failure returns null
    // and says why in `error`. The view must outlive the window.
    static std::unique_ptr<EditorWindow> open(Steinberg::IPlugView* view, RunLoop& loop,
                                              const std::string& title, std::string& error);

    // Called once when the user closes the window.
    virtual void setCloseHandler(std::function<void()> handler) = 0;
    virtual bool closed() const = 0;
    // Inner size of the window in pixels.
    virtual Steinberg::ViewRect size() = 0;
    // The platform window (an X11 Window on Linux).
    virtual std::uintptr_t nativeHandle() const = 0;
    // Processes pending window-system events now (the loop does it as well).
    virtual void pumpEvents() = 0;
};

} // namespace vosk
