// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11window.h"

#include "common/refcounted.h"
#include "common/x11/x11keys.h"
#include "editor/platform/linux/cairocanvas.h"
#include "editor/platform/scaledwindow.h"
#include "editor/platform/tickpacing.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Steinberg;

namespace vosk::ui {
namespace {

constexpr Linux::TimerInterval kTickMilliseconds = 33;
constexpr long kXEmbedVersion = 0;
constexpr long kXEmbedMapped = 1;
constexpr Time kDoubleClickMilliseconds = 400;

class X11Window;

// Xlib's error handler is one per process and the default one ends the process.
// The host's window may vanish before our own (a host closing in the wrong order),
// and a request about it must not take the host down. While editors are open,
// errors on their connections are dropped and all others go to the handler that
// was there before.
std::vector<Display*> guardedDisplays;
XErrorHandler previousHandler = nullptr;
bool handlerInstalled = false;

int onXError(Display* display, XErrorEvent* event)
{
    if (std::find(guardedDisplays.begin(), guardedDisplays.end(), display) != guardedDisplays.end()) return 0;
    return previousHandler ? previousHandler(display, event) : 0;
}

void guard(Display* display)
{
    if (!handlerInstalled) {
        previousHandler = XSetErrorHandler(onXError);
        handlerInstalled = true;
    }
    guardedDisplays.push_back(display);
}

void unguard(Display* display)
{
    guardedDisplays.erase(std::remove(guardedDisplays.begin(), guardedDisplays.end(), display),
                          guardedDisplays.end());
    if (!guardedDisplays.empty() || !handlerInstalled) return;
    const XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != onXError) {
        // Someone chained behind us; theirs stays, and so must ours.
        XSetErrorHandler(current);
        return;
    }
    handlerInstalled = false;
}

// Run-loop callbacks. They outlive the window when the host keeps a reference,
// so they reach it through a pointer that the window clears.
template <typename Interface> class Callback : public RefCounted<Interface>
{
public:
    explicit Callback(X11Window* w) : window(w) {}
    void detach() { window = nullptr; }

protected:
    X11Window* window;
};

class EventCallback final : public Callback<Linux::IEventHandler>
{
public:
    using Callback::Callback;
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override;
};

class TimerCallback final : public Callback<Linux::ITimerHandler>
{
public:
    using Callback::Callback;
    void PLUGIN_API onTimer() override;
};

struct DeviceRect
{
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
    void unite(int ax, int ay, int bx, int by)
    {
        if (bx <= ax || by <= ay) return;
        if (empty()) {
            *this = {ax, ay, bx, by};
            return;
        }
        x0 = std::min(x0, ax), y0 = std::min(y0, ay), x1 = std::max(x1, bx), y1 = std::max(y1, by);
    }
};

uint32_t pointerModifiers(unsigned state)
{
    uint32_t m = 0;
    if (state & ShiftMask) m |= kPointerShift;
    if (state & ControlMask) m |= kPointerControl;
    if (state & Mod1Mask) m |= kPointerAlt;
    return m;
}

class X11Window final : public ScaledWindow
{
public:
    X11Window(Display* d, Linux::IRunLoop* loop, WindowClient& c, int width, int height, double initialScale)
        : ScaledWindow(width, height, initialScale), display(d), runLoop(loop), client(c)
    {
    }

    ~X11Window() override
    {
        if (events) {
            runLoop->unregisterEventHandler(events);
            events->detach();
            events->release();
        }
        if (timer) {
            runLoop->unregisterTimer(timer);
            timer->detach();
            timer->release();
        }
        if (surface) cairo_surface_destroy(surface);
        if (backbuffer) cairo_surface_destroy(backbuffer);
        if (window) XDestroyWindow(display, window);
        XSync(display, False); // errors of the requests above arrive while still guarded
        XCloseDisplay(display);
        unguard(display);
    }

    void create(::Window parent)
    {
        xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
        // The window takes its parent's visual, which need not be the screen's
        // default: some hosts embed plug-ins in 32-bit windows with alpha.
        const int screen = DefaultScreen(display);
        Visual* visual = DefaultVisual(display, screen);
        int depth = DefaultDepth(display, screen);
        XWindowAttributes parentAttributes{};
        if (XGetWindowAttributes(display, parent, &parentAttributes) && parentAttributes.visual) {
            visual = parentAttributes.visual;
            depth = parentAttributes.depth;
        }
        XSetWindowAttributes attributes{};
        // Opaque black: with alpha in the pixel, its bits must be set as well.
        attributes.background_pixel =
            depth == 32 ? ~(visual->red_mask | visual->green_mask | visual->blue_mask) & 0xffffffffUL
                        : BlackPixel(display, screen);
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                LeaveWindowMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask |
                                FocusChangeMask;
        window = XCreateWindow(display, parent, 0, 0, deviceWidth(), deviceHeight(), 0, CopyFromParent,
                               InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        // Embedders that speak XEmbed map us from this; the others see us mapped anyway.
        const long info[2] = {kXEmbedVersion, kXEmbedMapped};
        XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(info), 2);
        XMapWindow(display, window);
        surface = cairo_xlib_surface_create(display, window, visual, deviceWidth(), deviceHeight());
        backbuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, deviceWidth(), deviceHeight());
        XFlush(display);

        events = new EventCallback(this);
        runLoop->registerEventHandler(events, ConnectionNumber(display));
        timer = new TimerCallback(this);
        runLoop->registerTimer(timer, kTickMilliseconds);
        dirty.unite(0, 0, deviceWidth(), deviceHeight());
    }

    void invalidate(double x, double y, double w, double h) override
    {
        dirty.unite(static_cast<int>(std::floor(x * factor)), static_cast<int>(std::floor(y * factor)),
                    static_cast<int>(std::ceil((x + w) * factor)),
                    static_cast<int>(std::ceil((y + h) * factor)));
    }

    void paintNow() override
    {
        dirty.x0 = std::max(dirty.x0, 0), dirty.y0 = std::max(dirty.y0, 0);
        dirty.x1 = std::min(dirty.x1, deviceWidth()), dirty.y1 = std::min(dirty.y1, deviceHeight());
        if (dirty.empty()) return;
        const DeviceRect area = dirty;
        dirty = {};
        const double x = area.x0, y = area.y0, w = area.x1 - area.x0, h = area.y1 - area.y0;
        // Drawn into an image first: nothing half-painted ever shows, and text and
        // pictures come out exactly as in an offscreen rendering, whatever font
        // settings the X server carries.
        cairo_t* cr = cairo_create(backbuffer);
        cairo_rectangle(cr, x, y, w, h);
        cairo_clip(cr);
        cairo_scale(cr, factor, factor);
        {
            CairoCanvas canvas(cr);
            client.paint(canvas, x / factor, y / factor, w / factor, h / factor);
        }
        cairo_destroy(cr);
        cairo_surface_flush(backbuffer);

        cr = cairo_create(surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, backbuffer, 0, 0);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        XFlush(display);
    }

    void reshape() override
    {
        XResizeWindow(display, window, deviceWidth(), deviceHeight());
        cairo_xlib_surface_set_size(surface, deviceWidth(), deviceHeight());
        cairo_surface_destroy(backbuffer);
        backbuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, deviceWidth(), deviceHeight());
        dirty = {};
        dirty.unite(0, 0, deviceWidth(), deviceHeight());
        XFlush(display);
    }

    void takeKeyboardFocus() override
    {
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XFlush(display);
    }

    std::uintptr_t nativeHandle() const override { return window; }

    void processEvents()
    {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
        paintNow();
    }

    void onTick()
    {
        const auto start = TickPacing::Clock::now();
        const bool due = pacing.due(start);
        if (due) client.tick();
        processEvents();
        if (due) pacing.painted(start, TickPacing::Clock::now());
    }

private:

    PointerInput pointer(int x, int y, unsigned state, unsigned button) const
    {
        PointerInput input;
        input.x = x / factor;
        input.y = y / factor;
        input.button = static_cast<int>(button);
        input.modifiers = pointerModifiers(state);
        return input;
    }

    void handle(XEvent& event)
    {
        switch (event.type) {
        case Expose:
            dirty.unite(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                        event.xexpose.y + event.xexpose.height);
            break;
        case ButtonPress: {
            const auto& b = event.xbutton;
            if (b.button == Button4 || b.button == Button5) {
                client.wheel(pointer(b.x, b.y, b.state, 0), b.button == Button4 ? 1.0 : -1.0);
                break;
            }
            if (b.button > Button3) break;
            auto input = pointer(b.x, b.y, b.state, b.button);
            const bool repeated =
                b.button == lastButton && b.time - lastPressTime <= kDoubleClickMilliseconds;
            input.clicks = repeated ? 2 : 1;
            lastButton = repeated ? 0 : b.button; // a third press starts over
            lastPressTime = b.time;
            client.pointerDown(input);
            break;
        }
        case ButtonRelease: {
            const auto& b = event.xbutton;
            if (b.button >= Button1 && b.button <= Button3)
                client.pointerUp(pointer(b.x, b.y, b.state, b.button));
            break;
        }
        case MotionNotify: {
            // Only the latest position of a burst matters.
            while (XCheckTypedWindowEvent(display, window, MotionNotify, &event)) {
            }
            const auto& m = event.xmotion;
            const unsigned button = (m.state & Button1Mask)   ? 1
                                    : (m.state & Button2Mask) ? 2
                                    : (m.state & Button3Mask) ? 3
                                                              : 0;
            client.pointerMove(pointer(m.x, m.y, m.state, button));
            break;
        }
        case LeaveNotify:
            // Crossings caused by grabs (a menu of the host, say) are not the user leaving.
            if (event.xcrossing.mode == NotifyNormal) client.pointerLeave();
            break;
        case KeyPress:
        case KeyRelease: {
            PlugViewKey key;
            if (!translateKey(event.xkey, key)) break;
            const KeyInput input{key.character, key.virtualKey, key.modifiers};
            if (event.type == KeyPress)
                client.keyDown(input);
            else
                client.keyUp(input);
            break;
        }
        default:
            break;
        }
    }

    Display* display;
    // Held while the handlers are registered with it.
    IPtr<Linux::IRunLoop> runLoop;
    WindowClient& client;
    ::Window window = 0;
    Atom xembedInfo = None;
    cairo_surface_t* surface = nullptr;
    cairo_surface_t* backbuffer = nullptr; // device pixels, drawn first
    EventCallback* events = nullptr;
    TimerCallback* timer = nullptr;
    DeviceRect dirty;
    unsigned lastButton = 0;
    Time lastPressTime = 0;
    TickPacing pacing;
};

void PLUGIN_API EventCallback::onFDIsSet(Linux::FileDescriptor)
{
    if (window) window->processEvents();
}

void PLUGIN_API TimerCallback::onTimer()
{
    if (window) window->onTick();
}

} // namespace

std::unique_ptr<Window> createX11Window(std::uintptr_t parent, Linux::IRunLoop* runLoop, WindowClient& client,
                                        int width, int height, double scale, std::string& error)
{
    if (!runLoop) {
        error = "the host offers no run loop";
        return nullptr;
    }
    if (!parent) {
        error = "no parent window";
        return nullptr;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = "cannot open the X display";
        return nullptr;
    }
    guard(display);
    auto window =
        std::make_unique<X11Window>(display, runLoop, client, width, height, scale > 0 ? scale : 1.0);
    window->create(static_cast<::Window>(parent));
    return window;
}

bool isNativeWindowType(const char* type)
{
    return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0;
}

std::unique_ptr<Window> createWindow(void* parent, IPlugFrame* frame, WindowClient& client, int width,
                                     int height, double scale, std::string& error)
{
    // X11 views run on the host's run loop, which the frame provides.
    Linux::IRunLoop* found = nullptr;
    if (!frame ||
        frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&found)) != kResultOk ||
        !found) {
        error = "the host offers no run loop";
        return nullptr;
    }
    const IPtr<Linux::IRunLoop> runLoop = owned(found);
    return createX11Window(reinterpret_cast<std::uintptr_t>(parent), runLoop, client, width, height, scale,
                           error);
}

} // namespace vosk::ui
