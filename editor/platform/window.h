// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's window on the screen, as the plug-in view sees it. A platform
// implementation creates it inside the host's window, draws through its canvas,
// turns the platform's input into the calls of WindowClient and gives the
// client a steady tick for animation; all on the host's user-interface thread.

#include <cstdint>
#include <memory>
#include <string>

namespace Steinberg {
class IPlugFrame;
}

namespace vosk::ui {

class Canvas;

struct PointerInput
{
    double x = 0, y = 0; // logical pixels: the window's content before scaling
    int button = 1;      // 1 left, 2 middle, 3 right
    uint32_t modifiers = 0;
    int clicks = 1; // 2 for the second press of a double click
};

// Modifier bits of pointer input.
enum PointerModifier : uint32_t { kPointerShift = 1u << 0, kPointerControl = 1u << 1, kPointerAlt = 1u << 2 };

// A key as IPlugView::onKeyDown carries it: a character, or a VirtualKeyCodes
// value for keys without one, and KeyModifier bits.
struct KeyInput
{
    char16_t character = 0;
    int16_t virtualKey = 0;
    int16_t modifiers = 0;
};

class WindowClient
{
public:
    virtual ~WindowClient() = default;
    // Draws the logical area (x, y, w, h); the canvas is already scaled and clipped.
    virtual void paint(Canvas& canvas, double x, double y, double w, double h) = 0;
    virtual void pointerDown(const PointerInput& input) = 0;
    virtual void pointerMove(const PointerInput& input) = 0;
    virtual void pointerUp(const PointerInput& input) = 0;
    // The pointer left the window.
    virtual void pointerLeave() {}
    // Notches, positive away from the user.
    virtual void wheel(const PointerInput& where, double delta) = 0;
    // True when the key was used.
    virtual bool keyDown(const KeyInput& key) = 0;
    virtual bool keyUp(const KeyInput& key) = 0;
    // About 30 times a second while the window exists: meters, fades.
    virtual void tick() = 0;
    // The system's scale for the window changed (moved to a screen of another density).
    virtual void systemScaleChanged(double /*factor*/) {}
};

class Window
{
public:
    // Destroying the window stops every callback and frees the platform's resources.
    virtual ~Window() = default;
    // Schedules a repaint of a logical area.
    virtual void invalidate(double x, double y, double w, double h) = 0;
    // Paints what is pending now instead of at the next turn of the loop.
    virtual void paintNow() = 0;
    // Logical size and scale factor; the window's pixels are their product.
    virtual void setScale(double factor) = 0;
    virtual double scale() const = 0;
    virtual void setSize(int logicalWidth, int logicalHeight) = 0;
    // The scale the system asks for at this window's screen (its DPI), or 0
    // where the platform leaves the scale to the host.
    virtual double systemScale() const { return 0; }
    // Asks for the keyboard, for typing into a field.
    virtual void takeKeyboardFocus() = 0;
    virtual std::uintptr_t nativeHandle() const = 0;
};

// Whether `type` (an IPlugView platform type) is the one this platform embeds in.
bool isNativeWindowType(const char* type);

// Creates the window inside the host's `parent` with the logical size width x
// height at `scale`. The host's frame supplies what the platform needs from the
// host (the run loop on Linux). Null with a reason in `error`.
std::unique_ptr<Window> createWindow(void* parent, Steinberg::IPlugFrame* frame, WindowClient& client,
                                     int width, int height, double scale, std::string& error);

} // namespace vosk::ui
