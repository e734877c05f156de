// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's X11 window inside a parent window, served by the host run loop.
#include "editor/platform/x11/x11window.h"
#include "hosting/linux/runloop.h"
#include "tests/support/xvfb.h"

#include "pluginterfaces/base/keycodes.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include "editor/canvas.h"

#include <chrono>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Paints the whole area one colour with a red square at logical (10, 10, 20, 20).
struct RecordingClient : vosk::ui::WindowClient
{
    void paint(vosk::ui::Canvas& canvas, double x, double y, double w, double h) override
    {
        painted.push_back({x, y, w, h});
        canvas.fillRect({0, 0, 4096, 4096}, {0, 0, blue, 1});
        canvas.fillRect({10, 10, 20, 20}, {1, 0, 0, 1});
    }
    void pointerDown(const vosk::ui::PointerInput& p) override { downs.push_back(p); }
    void pointerMove(const vosk::ui::PointerInput& p) override { moves.push_back(p); }
    void pointerUp(const vosk::ui::PointerInput& p) override { ups.push_back(p); }
    void wheel(const vosk::ui::PointerInput&, double delta) override { wheels.push_back(delta); }
    void pointerLeave() override { ++leaves; }
    bool keyDown(const vosk::ui::KeyInput& k) override
    {
        keys.push_back(k);
        return true;
    }
    bool keyUp(const vosk::ui::KeyInput&) override { return true; }
    void tick() override { ++ticks; }

    struct Area
    {
        double x, y, w, h;
    };
    double blue = 1;
    std::vector<Area> painted;
    std::vector<vosk::ui::PointerInput> downs, moves, ups;
    std::vector<double> wheels;
    int leaves = 0;
    std::vector<vosk::ui::KeyInput> keys;
    int ticks = 0;
};

class X11WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe = xserver.start();
        if (!probe) return;
        parent = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 300, 200, 0, 0, 0);
        XMapWindow(probe, parent);
        XSync(probe, False);
    }
    template <typename Done> void spin(Done done)
    {
        const auto until = vosk::RunLoop::Clock::now() + 5s;
        while (!done() && vosk::RunLoop::Clock::now() < until) loop.runOnce(20ms);
    }
    std::unique_ptr<vosk::ui::Window> open(double scale)
    {
        std::string error;
        auto window = vosk::ui::createX11Window(parent, &loop, client, 100, 60, scale, error);
        EXPECT_TRUE(window) << error;
        return window;
    }
    // Red, green, blue of one pixel of a window.
    unsigned long pixel(Window w, int x, int y)
    {
        XImage* image = XGetImage(probe, w, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return ~0ul;
        const unsigned long value = XGetPixel(image, 0, 0) & 0xffffff;
        XDestroyImage(image);
        return value;
    }
    void button(Window w, int type, unsigned b, int x, int y, unsigned state = 0, Time time = 1000)
    {
        XEvent e{};
        e.xbutton.type = type;
        e.xbutton.window = w;
        e.xbutton.root = DefaultRootWindow(probe);
        e.xbutton.button = b;
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.state = state;
        e.xbutton.time = time;
        e.xbutton.same_screen = True;
        XSendEvent(probe, w, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        XFlush(probe);
    }

    vosk::test::XServer xserver;
    Display* probe = nullptr;
    Window parent = 0;
    vosk::RunLoop loop;
    RecordingClient client;
};

TEST_F(X11WindowTest, IsAnXEmbedChildOfTheParentAndDrawsTheClient)
{
    auto window = open(1.0);
    ASSERT_TRUE(window);
    const Window w = static_cast<Window>(window->nativeHandle());
    Window root, itsParent, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(probe, w, &root, &itsParent, &children, &count));
    if (children) XFree(children);
    EXPECT_EQ(itsParent, parent);

    const Atom info = XInternAtom(probe, "_XEMBED_INFO", False);
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(probe, w, info, 0, 2, False, info, &type, &format, &n, &after, &data),
              Success);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(reinterpret_cast<unsigned long*>(data)[1] & 1, 1u); // asks to be mapped
    XFree(data);

    XWindowAttributes attributes;
    XGetWindowAttributes(probe, w, &attributes);
    EXPECT_EQ(attributes.width, 100);
    EXPECT_EQ(attributes.height, 60);
    EXPECT_EQ(attributes.map_state, IsViewable);

    spin([&] { return !client.painted.empty(); });
    XSync(probe, False);
    EXPECT_EQ(pixel(w, 20, 20), 0xff0000u);
    EXPECT_EQ(pixel(w, 5, 5), 0x0000ffu);
    EXPECT_EQ(pixel(w, 31, 31), 0x0000ffu);

    // An invalidated area is repainted with what the client draws now.
    client.blue = 0;
    window->invalidate(50, 0, 50, 60);
    spin([&] { return client.painted.size() >= 2; });
    XSync(probe, False);
    EXPECT_EQ(pixel(w, 80, 30), 0x000000u);
    EXPECT_EQ(pixel(w, 5, 5), 0x0000ffu); // outside the invalidated area
    EXPECT_DOUBLE_EQ(client.painted.back().x, 50);
    EXPECT_DOUBLE_EQ(client.painted.back().w, 50);
}

TEST_F(X11WindowTest, ScalesItsPixelsButNotTheClientsCoordinates)
{
    auto window = open(2.0);
    ASSERT_TRUE(window);
    const Window w = static_cast<Window>(window->nativeHandle());
    XWindowAttributes attributes;
    XGetWindowAttributes(probe, w, &attributes);
    EXPECT_EQ(attributes.width, 200);
    EXPECT_EQ(attributes.height, 120);
    spin([&] { return !client.painted.empty(); });
    XSync(probe, False);
    EXPECT_EQ(pixel(w, 21, 21), 0xff0000u);
    EXPECT_EQ(pixel(w, 58, 58), 0xff0000u);
    EXPECT_EQ(pixel(w, 62, 62), 0x0000ffu);

    button(w, ButtonPress, Button1, 40, 50, ShiftMask);
    spin([&] { return !client.downs.empty(); });
    ASSERT_EQ(client.downs.size(), 1u);
    EXPECT_DOUBLE_EQ(client.downs[0].x, 20);
    EXPECT_DOUBLE_EQ(client.downs[0].y, 25);
    EXPECT_EQ(client.downs[0].modifiers, vosk::ui::kPointerShift);

    // Back to 1.5: the window shrinks and everything is drawn again.
    const auto before = client.painted.size();
    window->setScale(1.5);
    spin([&] { return client.painted.size() > before; });
    XSync(probe, False);
    XGetWindowAttributes(probe, w, &attributes);
    EXPECT_EQ(attributes.width, 150);
    EXPECT_EQ(attributes.height, 90);
    EXPECT_DOUBLE_EQ(client.painted.back().w, 100);
    EXPECT_EQ(pixel(w, 44, 44), 0xff0000u);
    EXPECT_EQ(pixel(w, 46, 46), 0x0000ffu);
}

// Some hosts embed plug-ins in windows of a 32-bit visual with alpha; the editor
// must draw through its parent's visual, not the screen's default one.
TEST_F(X11WindowTest, DrawsInAParentOfAnotherVisual)
{
    XVisualInfo argb{};
    if (!XMatchVisualInfo(probe, DefaultScreen(probe), 32, TrueColor, &argb))
        GTEST_SKIP() << "the X server offers no 32-bit visual";
    XSetWindowAttributes a{};
    a.colormap = XCreateColormap(probe, DefaultRootWindow(probe), argb.visual, AllocNone);
    a.border_pixel = 0;
    a.background_pixel = 0;
    const Window deep = XCreateWindow(probe, DefaultRootWindow(probe), 0, 0, 300, 200, 0, 32, InputOutput,
                                      argb.visual, CWColormap | CWBorderPixel | CWBackPixel, &a);
    XMapWindow(probe, deep);
    XSync(probe, False);
    parent = deep;

    auto window = open(1.0);
    ASSERT_TRUE(window);
    const Window w = static_cast<Window>(window->nativeHandle());
    spin([&] { return !client.painted.empty(); });
    window->paintNow();
    XSync(probe, False);
    EXPECT_EQ(pixel(w, 20, 20), 0xff0000u);
    EXPECT_EQ(pixel(w, 5, 5), 0x0000ffu);
    window.reset();
    XDestroyWindow(probe, deep);
    XFreeColormap(probe, a.colormap);
}

TEST_F(X11WindowTest, DeliversPointerWheelAndKeys)
{
    auto window = open(1.0);
    ASSERT_TRUE(window);
    const Window w = static_cast<Window>(window->nativeHandle());
    button(w, ButtonPress, Button1, 10, 12, 0, 1000);
    button(w, ButtonRelease, Button1, 11, 13, 0, 1050);
    button(w, ButtonPress, Button1, 10, 12, 0, 1200); // within the double-click time
    button(w, ButtonPress, Button4, 10, 12, 0, 5000);
    button(w, ButtonPress, Button5, 10, 12, 0, 5100);
    button(w, ButtonPress, Button3, 10, 12, ControlMask, 9000);

    // The pointer leaving (before the keys, which mark the end); a crossing
    // caused by a grab is not the user leaving.
    XEvent leave{};
    leave.xcrossing.type = LeaveNotify;
    leave.xcrossing.window = w;
    leave.xcrossing.mode = NotifyGrab;
    XSendEvent(probe, w, False, LeaveWindowMask, &leave);
    leave.xcrossing.mode = NotifyNormal;
    XSendEvent(probe, w, False, LeaveWindowMask, &leave);

    XEvent k{};
    k.xkey.type = KeyPress;
    k.xkey.window = w;
    k.xkey.root = DefaultRootWindow(probe);
    k.xkey.keycode = XKeysymToKeycode(probe, XK_BackSpace);
    k.xkey.same_screen = True;
    XSendEvent(probe, w, False, KeyPressMask, &k);
    k.xkey.keycode = XKeysymToKeycode(probe, XK_5);
    XSendEvent(probe, w, False, KeyPressMask, &k);
    XFlush(probe);

    spin([&] { return client.keys.size() >= 2 && client.downs.size() >= 3; });
    ASSERT_EQ(client.downs.size(), 3u);
    EXPECT_EQ(client.downs[0].clicks, 1);
    EXPECT_EQ(client.downs[1].clicks, 2);
    EXPECT_EQ(client.downs[2].button, 3);
    EXPECT_EQ(client.downs[2].clicks, 1);
    EXPECT_EQ(client.downs[2].modifiers, vosk::ui::kPointerControl);
    ASSERT_EQ(client.ups.size(), 1u);
    EXPECT_DOUBLE_EQ(client.ups[0].x, 11);
    EXPECT_EQ(client.wheels, (std::vector<double>{1.0, -1.0}));
    ASSERT_EQ(client.keys.size(), 2u);
    EXPECT_EQ(client.keys[0].virtualKey, Steinberg::KEY_BACK);
    EXPECT_EQ(client.keys[1].character, u'5');
    EXPECT_EQ(client.keys[1].virtualKey, 0);
    EXPECT_EQ(client.leaves, 1);
}

TEST_F(X11WindowTest, TicksWhileOpenAndLeavesNothingInTheLoopWhenDestroyed)
{
    auto window = open(1.0);
    ASSERT_TRUE(window);
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.timerCount(), 1u);
    spin([&] { return client.ticks >= 3; });
    EXPECT_GE(client.ticks, 3);

    auto second = open(1.0);
    EXPECT_EQ(loop.eventHandlerCount(), 2u);
    EXPECT_EQ(loop.timerCount(), 2u);
    const Window w = static_cast<Window>(window->nativeHandle());
    window.reset();
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.timerCount(), 1u);
    second.reset();
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);

    // The window is gone from the server too.
    Window root, itsParent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(probe, parent, &root, &itsParent, &children, &count);
    for (unsigned i = 0; i < count; ++i) EXPECT_NE(children[i], w);
    EXPECT_EQ(count, 0u);
    if (children) XFree(children);

    const int ticks = client.ticks;
    loop.runOnce(50ms);
    EXPECT_EQ(client.ticks, ticks);
}

TEST_F(X11WindowTest, NeedsARunLoopAndAParent)
{
    std::string error;
    EXPECT_FALSE(vosk::ui::createX11Window(parent, nullptr, client, 100, 60, 1.0, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(vosk::ui::createX11Window(0, &loop, client, 100, 60, 1.0, error));
    EXPECT_FALSE(error.empty());
}

} // namespace

namespace {

TEST_F(X11WindowTest, SurvivesAHostThatDestroysItsWindowFirst)
{
    auto window = open(1.0);
    ASSERT_TRUE(window);
    spin([&] { return !client.painted.empty(); });
    XDestroyWindow(probe, parent);
    XSync(probe, False);
    window->invalidate(0, 0, 100, 60);
    loop.runOnce(50ms); // paints into a window that no longer exists
    window->setScale(2.0);
    window.reset(); // destroys it again; Xlib's default handler would end the process here
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);
}

} // namespace
