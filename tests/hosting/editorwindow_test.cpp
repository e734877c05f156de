// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The host's top-level window with a stand-in view that behaves like an X11
// plug-in view: its own X connection, a child window carrying _XEMBED_INFO, and
// the run loop found through the frame.
#include "hosting/editorwindow.h"
#include "hosting/linux/runloop.h"
#include "tests/support/xvfb.h"

#include "pluginterfaces/base/keycodes.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstring>
#include <vector>

using namespace Steinberg;
using namespace std::chrono_literals;

namespace {

struct Key
{
    char16 character;
    int16 code;
    int16 modifiers;
    bool down;
    bool operator==(const Key& o) const
    {
        return character == o.character && code == o.code && modifiers == o.modifiers && down == o.down;
    }
};

class StandInView : public IPlugView, public Linux::IEventHandler
{
public:
    // IPlugView
    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override
    {
        return supportsX11 && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue
                                                                                    : kResultFalse;
    }
    tresult PLUGIN_API attached(void* parent, FIDString type) override
    {
        attachedType = type;
        parentWindow = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
        if (refuseAttach) return kResultFalse;
        display = XOpenDisplay(nullptr);
        child = XCreateSimpleWindow(display, parentWindow, 0, 0, size.getWidth(), size.getHeight(), 0, 0, 0);
        if (!announceLater) announceXEmbed();
        XSelectInput(display, child, StructureNotifyMask);
        XFlush(display);
        Linux::IRunLoop* found = nullptr;
        if (frame &&
            frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&found)) == kResultOk) {
            runLoop = found;
            runLoop->registerEventHandler(this, ConnectionNumber(display));
        }
        return kResultTrue;
    }
    void announceXEmbed()
    {
        const Atom info = XInternAtom(display, "_XEMBED_INFO", False);
        const unsigned long data[2] = {0, 1}; // version 0, mapped
        XChangeProperty(display, child, info, info, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data), 2);
        XFlush(display);
    }
    tresult PLUGIN_API removed() override
    {
        ++removedCalls;
        if (runLoop) {
            runLoop->unregisterEventHandler(this);
            runLoop->release();
            runLoop = nullptr;
        }
        if (display) {
            XDestroyWindow(display, child);
            XCloseDisplay(display);
            display = nullptr;
        }
        return kResultTrue;
    }
    tresult PLUGIN_API onWheel(float) override { return kResultFalse; }
    tresult PLUGIN_API onKeyDown(char16 key, int16 code, int16 modifiers) override
    {
        keys.push_back({key, code, modifiers, true});
        return kResultTrue;
    }
    tresult PLUGIN_API onKeyUp(char16 key, int16 code, int16 modifiers) override
    {
        keys.push_back({key, code, modifiers, false});
        return kResultTrue;
    }
    tresult PLUGIN_API getSize(ViewRect* r) override
    {
        *r = size;
        return kResultTrue;
    }
    tresult PLUGIN_API onSize(ViewRect* r) override
    {
        size = *r;
        ++onSizeCalls;
        return kResultTrue;
    }
    tresult PLUGIN_API onFocus(TBool) override { return kResultTrue; }
    tresult PLUGIN_API setFrame(IPlugFrame* f) override
    {
        frame = f;
        ++setFrameCalls;
        return kResultTrue;
    }
    tresult PLUGIN_API canResize() override { return kResultFalse; }
    tresult PLUGIN_API checkSizeConstraint(ViewRect*) override { return kResultFalse; }

    // IEventHandler: the child's own events, XEmbed messages among them.
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override
    {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == MapNotify) mapped = true;
            if (e.type == ClientMessage && e.xclient.message_type == XInternAtom(display, "_XEMBED", False))
                xembedMessages.push_back(e.xclient.data.l[1]), xembedEmbedder = e.xclient.data.l[3];
        }
    }

    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 2; }
    uint32 PLUGIN_API release() override { return 1; }

    ViewRect size{0, 0, 400, 300};
    bool supportsX11 = true;
    bool refuseAttach = false;
    bool announceLater = false; // _XEMBED_INFO set only after attached() returned
    std::string attachedType;
    Window parentWindow = 0;
    Display* display = nullptr;
    Window child = 0;
    IPlugFrame* frame = nullptr;
    Linux::IRunLoop* runLoop = nullptr;
    bool mapped = false;
    std::vector<long> xembedMessages;
    long xembedEmbedder = 0;
    std::vector<Key> keys;
    int removedCalls = 0, setFrameCalls = 0, onSizeCalls = 0;
};

class EditorWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe = xserver.start();
        if (!probe) return;
    }
    template <typename Done> void spin(Done done)
    {
        const auto until = vosk::RunLoop::Clock::now() + 5s;
        while (!done() && vosk::RunLoop::Clock::now() < until) loop.runOnce(20ms);
    }
    void sendKey(Window target, KeySym sym, unsigned state, int type)
    {
        XEvent e{};
        e.xkey.type = type;
        e.xkey.display = probe;
        e.xkey.window = target;
        e.xkey.root = DefaultRootWindow(probe);
        e.xkey.keycode = XKeysymToKeycode(probe, sym);
        e.xkey.state = state;
        e.xkey.same_screen = True;
        XSendEvent(probe, target, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
        XFlush(probe);
    }

    vosk::test::XServer xserver;
    Display* probe = nullptr;
    vosk::RunLoop loop;
    StandInView view;
};

TEST_F(EditorWindowTest, OpensATopLevelWindowOfTheViewsSizeAndEmbedsTheView)
{
    std::string error;
    auto window = vosk::EditorWindow::open(&view, loop, "stand-in", error);
    ASSERT_TRUE(window) << error;
    EXPECT_EQ(view.attachedType, kPlatformTypeX11EmbedWindowID);
    EXPECT_EQ(view.parentWindow, window->nativeHandle());
    EXPECT_EQ(window->size().getWidth(), 400);
    EXPECT_EQ(window->size().getHeight(), 300);

    // The parent is a top-level window, titled, fixed in size for a view that cannot resize.
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(probe, view.parentWindow, &root, &parent, &children, &count));
    EXPECT_EQ(parent, root);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(children[0], view.child);
    XFree(children);
    char* title = nullptr;
    ASSERT_TRUE(XFetchName(probe, view.parentWindow, &title));
    EXPECT_STREQ(title, "stand-in");
    XFree(title);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(probe, view.parentWindow, &hints, &supplied));
    EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
    EXPECT_EQ(hints.min_width, 400);
    EXPECT_EQ(hints.max_height, 300);

    // The frame leads to the very run loop the host runs, and the view's handler on
    // it is served; the embedder tells the child it is embedded and maps it.
    EXPECT_EQ(view.runLoop, static_cast<Linux::IRunLoop*>(&loop));
    EXPECT_EQ(loop.eventHandlerCount(), 2u); // the window's and the view's
    spin([&] { return view.mapped && !view.xembedMessages.empty(); });
    EXPECT_TRUE(view.mapped);
    ASSERT_FALSE(view.xembedMessages.empty());
    EXPECT_EQ(view.xembedMessages.front(), 0); // XEMBED_EMBEDDED_NOTIFY
    EXPECT_EQ(static_cast<Window>(view.xembedEmbedder), view.parentWindow);
}

// The view's connection is served in its own order: the embedder may look at the
// child before its _XEMBED_INFO is there, and must still embed it once it is.
TEST_F(EditorWindowTest, EmbedsAChildThatAnnouncesXEmbedOnlyAfterBeingSeen)
{
    view.announceLater = true;
    std::string error;
    auto window = vosk::EditorWindow::open(&view, loop, "stand-in", error);
    ASSERT_TRUE(window) << error;
    // Serve both connections a while: the embedder sees the bare child and passes.
    for (int i = 0; i < 10; ++i) loop.runOnce(20ms);
    EXPECT_FALSE(view.mapped);
    EXPECT_TRUE(view.xembedMessages.empty());

    view.announceXEmbed();
    spin([&] { return view.mapped && !view.xembedMessages.empty(); });
    EXPECT_TRUE(view.mapped);
    ASSERT_FALSE(view.xembedMessages.empty());
    EXPECT_EQ(view.xembedMessages.front(), 0); // XEMBED_EMBEDDED_NOTIFY
}

TEST_F(EditorWindowTest, HonoursResizeRequestsThroughTheFrame)
{
    std::string error;
    auto window = vosk::EditorWindow::open(&view, loop, "stand-in", error);
    ASSERT_TRUE(window) << error;
    ViewRect larger(0, 0, 600, 450);
    ASSERT_EQ(view.frame->resizeView(&view, &larger), kResultTrue);
    EXPECT_EQ(view.onSizeCalls, 1);
    EXPECT_EQ(view.size.getWidth(), 600);
    EXPECT_EQ(window->size().getWidth(), 600);
    EXPECT_EQ(window->size().getHeight(), 450);

    StandInView other;
    EXPECT_EQ(view.frame->resizeView(&other, &larger), kInvalidArgument);
    ViewRect empty;
    EXPECT_EQ(view.frame->resizeView(&view, &empty), kInvalidArgument);
    EXPECT_EQ(view.onSizeCalls, 1);
}

TEST_F(EditorWindowTest, ForwardsKeysToTheView)
{
    std::string error;
    auto window = vosk::EditorWindow::open(&view, loop, "stand-in", error);
    ASSERT_TRUE(window) << error;
    const Window target = static_cast<Window>(window->nativeHandle());
    sendKey(target, XK_a, 0, KeyPress);
    sendKey(target, XK_a, 0, KeyRelease);
    sendKey(target, XK_Return, ShiftMask, KeyPress);
    sendKey(target, XK_Left, ControlMask, KeyPress);
    sendKey(target, XK_7, 0, KeyPress);
    spin([&] { return view.keys.size() >= 5; });
    const std::vector<Key> expected = {{u'a', 0, 0, true},
                                       {u'a', 0, 0, false},
                                       {0, KEY_RETURN, kShiftKey, true},
                                       {0, KEY_LEFT, kCommandKey, true},
                                       {u'7', 0, 0, true}};
    EXPECT_EQ(view.keys, expected);
}

TEST_F(EditorWindowTest, ReportsCloseRequestsAndDetachesTheViewWhenDestroyed)
{
    std::string error;
    auto window = vosk::EditorWindow::open(&view, loop, "stand-in", error);
    ASSERT_TRUE(window) << error;
    int closes = 0;
    window->setCloseHandler([&] { ++closes; });

    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = static_cast<Window>(window->nativeHandle());
    e.xclient.message_type = XInternAtom(probe, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(probe, "WM_DELETE_WINDOW", False));
    XSendEvent(probe, e.xclient.window, False, NoEventMask, &e);
    XFlush(probe);
    spin([&] { return window->closed(); });
    EXPECT_TRUE(window->closed());
    EXPECT_EQ(closes, 1);

    window.reset();
    EXPECT_EQ(view.removedCalls, 1);
    EXPECT_EQ(view.frame, nullptr);
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
}

TEST_F(EditorWindowTest, RefusesViewsThatCannotBeEmbedded)
{
    std::string error;
    view.supportsX11 = false;
    EXPECT_FALSE(vosk::EditorWindow::open(&view, loop, "stand-in", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(view.attachedType.empty());

    view.supportsX11 = true;
    view.refuseAttach = true;
    error.clear();
    EXPECT_FALSE(vosk::EditorWindow::open(&view, loop, "stand-in", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(view.removedCalls, 0);
    EXPECT_EQ(view.frame, nullptr);
    EXPECT_EQ(loop.eventHandlerCount(), 0u);

    EXPECT_FALSE(vosk::EditorWindow::open(nullptr, loop, "none", error));
}

} // namespace
