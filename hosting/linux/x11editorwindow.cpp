// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 top-level window of the host. It is an XEmbed embedder: children that
// carry _XEMBED_INFO are told they are embedded, mapped when they ask to be, and
// kept informed of the window's activation and focus.

#include "hosting/editorwindow.h"
#include "runloop.h"
#include "common/refcounted.h"
#include "common/x11/x11keys.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

using namespace Steinberg;

namespace vosk {
namespace {

// XEmbed protocol messages and flags.
constexpr long kXEmbedEmbeddedNotify = 0;
constexpr long kXEmbedWindowActivate = 1;
constexpr long kXEmbedWindowDeactivate = 2;
constexpr long kXEmbedFocusIn = 4;
constexpr long kXEmbedFocusOut = 5;
constexpr long kXEmbedFocusCurrent = 0;
constexpr long kXEmbedVersion = 0;
constexpr unsigned long kXEmbedMapped = 1;

class X11EditorWindow;

// Plug-in windows come and go on connections of their own, so a request about one
// of them may reach the server after it is gone. Xlib's default handler would end
// the whole host for that.
int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;
}

// The IPlugFrame handed to the view. Linux views find the run loop by querying it.
class PlugFrame final : public RefCounted<IPlugFrame>
{
public:
    PlugFrame(X11EditorWindow& owner, RunLoop& runLoop) : window(owner), loop(runLoop) {}

    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override;

    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        if (obj && FUnknownPrivate::iidEqual(queried, Linux::IRunLoop::iid))
            return loop.queryInterface(queried, obj);
        return RefCounted::queryInterface(queried, obj);
    }

    // The window is going away; a view that kept the frame gets kResultFalse.
    void detach() { detached = true; }

private:
    X11EditorWindow& window;
    RunLoop& loop;
    bool detached = false;
};

class EventSource final : public RefCounted<Linux::IEventHandler>
{
public:
    explicit EventSource(X11EditorWindow& owner) : window(owner) {}
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override;

private:
    X11EditorWindow& window;
};

class X11EditorWindow final : public EditorWindow
{
public:
    X11EditorWindow(Display* d, IPlugView* v, RunLoop& l) : display(d), view(v), loop(l) {}

    ~X11EditorWindow() override
    {
        if (source) {
            loop.unregisterEventHandler(source);
            source->release();
        }
        if (isAttached) view->removed();
        if (frame) {
            view->setFrame(nullptr);
            frame->detach();
            frame->release();
        }
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    bool create(const std::string& title, std::string& error)
    {
        ViewRect rect;
        if (view->getSize(&rect) != kResultTrue || rect.getWidth() <= 0 || rect.getHeight() <= 0) {
            error = "the view reports no size";
            return false;
        }
        resizable = view->canResize() == kResultTrue;
        wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
        wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        xembed = XInternAtom(display, "_XEMBED", False);
        xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);

        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                     static_cast<unsigned>(rect.getWidth()),
                                     static_cast<unsigned>(rect.getHeight()), 0, BlackPixel(display, screen),
                                     BlackPixel(display, screen));
        XSelectInput(display, window,
                     StructureNotifyMask | SubstructureNotifyMask | FocusChangeMask | KeyPressMask |
                         KeyReleaseMask);
        XSetWMProtocols(display, window, &wmDeleteWindow, 1);
        XStoreName(display, window, title.c_str());
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                        XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
        setSizeHints(rect.getWidth(), rect.getHeight());
        // The view creates its window on a connection of its own: the server must
        // know we watch our substructure before that request can reach it.
        XSync(display, False);

        frame = new PlugFrame(*this, loop);
        view->setFrame(frame);
        if (view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)),
                           kPlatformTypeX11EmbedWindowID) != kResultTrue) {
            error = "the view refused to attach to the window";
            return false;
        }
        isAttached = true;
        XMapWindow(display, window);
        XFlush(display);

        source = new EventSource(*this);
        loop.registerEventHandler(source, ConnectionNumber(display));
        findClients();
        // Round trips read whatever events had arrived into Xlib's queue, where the
        // run loop's poll cannot see them: handle them now.
        pumpEvents();
        return true;
    }

    void setCloseHandler(std::function<void()> handler) override { onClose = std::move(handler); }
    bool closed() const override { return isClosed; }
    std::uintptr_t nativeHandle() const override { return window; }

    ViewRect size() override
    {
        Window root;
        int x, y;
        unsigned width = 0, height = 0, border, depth;
        XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
        pumpEvents(); // see create()
        return ViewRect(0, 0, static_cast<int32>(width), static_cast<int32>(height));
    }

    void pumpEvents() override
    {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
    }

    tresult resize(IPlugView* requester, ViewRect* newSize)
    {
        if (requester != view || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
            return kInvalidArgument;
        setSizeHints(newSize->getWidth(), newSize->getHeight());
        XResizeWindow(display, window, static_cast<unsigned>(newSize->getWidth()),
                      static_cast<unsigned>(newSize->getHeight()));
        XFlush(display);
        view->onSize(newSize);
        return kResultTrue;
    }

private:
    void setSizeHints(int32 width, int32 height)
    {
        XSizeHints* hints = XAllocSizeHints();
        hints->flags = PSize;
        hints->width = width;
        hints->height = height;
        if (!resizable) {
            hints->flags |= PMinSize | PMaxSize;
            hints->min_width = hints->max_width = width;
            hints->min_height = hints->max_height = height;
        }
        XSetWMNormalHints(display, window, hints);
        XFree(hints);
    }

    void sendXEmbed(Window client, long message, long detail = 0, long data1 = 0, long data2 = 0)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = client;
        event.xclient.message_type = xembed;
        event.xclient.format = 32;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = message;
        event.xclient.data.l[2] = detail;
        event.xclient.data.l[3] = data1;
        event.xclient.data.l[4] = data2;
        XSendEvent(display, client, False, NoEventMask, &event);
    }

    // Reads a client's _XEMBED_INFO; false when it has none.
    bool readXEmbedInfo(Window client, unsigned long& flags)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const bool ok = XGetWindowProperty(display, client, xembedInfo, 0, 2, False, xembedInfo, &type,
                                           &format, &count, &after, &data) == Success &&
                        type == xembedInfo && format == 32 && count >= 2;
        if (ok) flags = reinterpret_cast<unsigned long*>(data)[1];
        if (data) XFree(data);
        return ok;
    }

    void embed(Window client)
    {
        // The client sets _XEMBED_INFO on its own connection, which the server may
        // serve after ours: watch the property before reading it, so that a value
        // set after the read still arrives as a PropertyNotify.
        XSelectInput(display, client, PropertyChangeMask);
        unsigned long flags = 0;
        if (!readXEmbedInfo(client, flags)) return;
        if (std::find(clients.begin(), clients.end(), client) == clients.end()) {
            clients.push_back(client);
            sendXEmbed(client, kXEmbedEmbeddedNotify, 0, static_cast<long>(window), kXEmbedVersion);
            if (focused) {
                sendXEmbed(client, kXEmbedWindowActivate);
                sendXEmbed(client, kXEmbedFocusIn, kXEmbedFocusCurrent);
            }
        }
        if (flags & kXEmbedMapped)
            XMapWindow(display, client);
        else
            XUnmapWindow(display, client);
        XFlush(display);
    }

    void findClients()
    {
        Window root, parent;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count; ++i) embed(children[i]);
            if (children) XFree(children);
        }
    }

    void forget(Window client)
    {
        clients.erase(std::remove(clients.begin(), clients.end(), client), clients.end());
    }

    void handle(XEvent& event)
    {
        switch (event.type) {
        case ClientMessage:
            if (event.xclient.window == window && event.xclient.message_type == wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow && !isClosed) {
                isClosed = true;
                if (onClose) onClose();
            }
            break;
        case CreateNotify:
            if (event.xcreatewindow.parent == window) embed(event.xcreatewindow.window);
            break;
        case ReparentNotify:
            if (event.xreparent.parent == window)
                embed(event.xreparent.window);
            else
                forget(event.xreparent.window);
            break;
        case DestroyNotify:
            forget(event.xdestroywindow.window);
            break;
        case PropertyNotify:
            if (event.xproperty.atom == xembedInfo) embed(event.xproperty.window);
            break;
        case FocusIn:
        case FocusOut:
            if (event.xfocus.window != window) break;
            focused = event.type == FocusIn;
            for (auto client : clients) {
                sendXEmbed(client, focused ? kXEmbedWindowActivate : kXEmbedWindowDeactivate);
                sendXEmbed(client, focused ? kXEmbedFocusIn : kXEmbedFocusOut, kXEmbedFocusCurrent);
            }
            XFlush(display);
            break;
        case KeyPress:
        case KeyRelease: {
            PlugViewKey key;
            if (!translateKey(event.xkey, key)) break;
            if (event.type == KeyPress)
                view->onKeyDown(key.character, key.virtualKey, key.modifiers);
            else
                view->onKeyUp(key.character, key.virtualKey, key.modifiers);
            break;
        }
        default:
            break;
        }
    }

    Display* display;
    IPlugView* view;
    RunLoop& loop;
    Window window = 0;
    PlugFrame* frame = nullptr;
    EventSource* source = nullptr;
    bool isAttached = false;
    bool isClosed = false;
    bool resizable = false;
    bool focused = false;
    std::function<void()> onClose;
    std::vector<Window> clients;
    Atom wmProtocols = None, wmDeleteWindow = None, xembed = None, xembedInfo = None;
};

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (detached) return kResultFalse;
    return window.resize(view, newSize);
}

void PLUGIN_API EventSource::onFDIsSet(Linux::FileDescriptor)
{
    window.pumpEvents();
}

} // namespace

std::unique_ptr<EditorWindow> EditorWindow::open(IPlugView* view, RunLoop& loop, const std::string& title,
                                                 std::string& error)
{
    if (!view) {
        error = "no view";
        return nullptr;
    }
    if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue) {
        error = "the view cannot be embedded in an X11 window";
        return nullptr;
    }
    XSetErrorHandler(ignoreXErrors);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = "cannot open the X display";
        return nullptr;
    }
    auto window = std::make_unique<X11EditorWindow>(display, view, loop);
    if (!window->create(title, error)) return nullptr;
    return window;
}

} // namespace vosk
