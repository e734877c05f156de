// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor view as a host gets it from the built bundle: created by the
// controller, embedded in a host window on a private X server, drawing the
// description's pictures and turning clicks into edits.
#include "hosting/editorwindow.h"
#include "hosting/linux/runloop.h"
#include "source/parameterids.h"
#include "tests/support/plugin_host.h"
#include "tests/support/xvfb.h"

#include "pluginterfaces/gui/iplugview.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>

using namespace std::chrono_literals;
using namespace Steinberg;

namespace vosk::test {
namespace {

class PlugViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.ok()) << module.error();
        factory = module.factory();
        controller = createInstance<Vst::IEditController>(factory.get(), controllerClassId());
        ASSERT_TRUE(controller);
        context = makeHostContext();
        ASSERT_EQ(controller->initialize(context.get()), kResultOk);
    }
    void TearDown() override
    {
        if (controller) controller->terminate();
    }

    Module module{VOSK_BUNDLE_PATH};
    IPtr<IPluginFactory> factory;
    IPtr<Vst::IEditController> controller;
    IPtr<FUnknown> context;
};

TEST_F(PlugViewTest, ViewHasTheWindowSizeAndEmbedsInX11Only)
{
    IPtr<IPlugView> view(controller->createView("editor"), false);
    ASSERT_TRUE(view);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1024);
    EXPECT_EQ(size.getHeight(), 570);
    EXPECT_EQ(view->canResize(), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    // Without a frame there is no run loop to serve a window: refused, not crashed.
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeHWND), kResultFalse);
    // Each request gets a new view.
    IPtr<IPlugView> second(controller->createView("editor"), false);
    EXPECT_TRUE(second);
    EXPECT_NE(second.get(), view.get());
}

class EmbeddedViewTest : public PlugViewTest
{
protected:
    void SetUp() override
    {
        PlugViewTest::SetUp();
        probe = xserver.start();
        if (!probe) return;
    }
    void TearDown() override
    {
        window.reset();
        view = nullptr;
        PlugViewTest::TearDown();
    }
    void spin(std::chrono::milliseconds howLong)
    {
        const auto until = RunLoop::Clock::now() + howLong;
        while (RunLoop::Clock::now() < until) loop.runOnce(10ms);
    }
    unsigned long pixel(::Window w, int x, int y)
    {
        XImage* image = XGetImage(probe, w, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return 0;
        unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return p;
    }
    // A press, a move or a release of the first button at (x, y).
    void pointer(::Window w, int type, int x, int y) { vosk::test::sendPointer(probe, w, type, x, y); }
    void click(::Window w, int x, int y)
    {
        pointer(w, ButtonPress, x, y);
        pointer(w, ButtonRelease, x, y);
    }

    // Opens the controller's view in a host window; `child` is the view's own window.
    void embed()
    {
        view = IPtr<IPlugView>(controller->createView("editor"), false);
        ASSERT_TRUE(view);
        std::string error;
        window = EditorWindow::open(view.get(), loop, "VOSK", error);
        ASSERT_TRUE(window) << error;
        spin(400ms);
        ::Window root, parent, *children = nullptr;
        unsigned count = 0;
        ASSERT_TRUE(XQueryTree(probe, static_cast<::Window>(window->nativeHandle()), &root, &parent,
                               &children, &count));
        ASSERT_EQ(count, 1u);
        child = children[0];
        XFree(children);
    }

    XServer xserver;
    Display* probe = nullptr;
    RunLoop loop;
    IPtr<IPlugView> view;
    std::unique_ptr<EditorWindow> window;
    ::Window child = 0;
};

TEST_F(EmbeddedViewTest, DrawsTheEditorAndClicksReachTheController)
{
    ASSERT_NO_FATAL_FAILURE(embed());

    // The band 1 left lamp (lens centre 136, 161) is lit green; below the
    // 566-pixel background the window is black.
    auto green = [](unsigned long p) { return static_cast<int>((p >> 8) & 0xff); };
    auto red = [](unsigned long p) { return static_cast<int>((p >> 16) & 0xff); };
    const unsigned long lit = pixel(child, 136, 161);
    EXPECT_GT(green(lit), 150);
    EXPECT_GT(green(lit), red(lit) + 50);
    EXPECT_EQ(pixel(child, 500, 568) & 0xffffff, 0u);

    // A click on the band's switch turns the band off; the lamp follows.
    EXPECT_EQ(controller->getParamNormalized(kOn1L), 1.0);
    click(child, 135, 130);
    spin(300ms);
    EXPECT_EQ(controller->getParamNormalized(kOn1L), 0.0);
    const unsigned long unlit = pixel(child, 136, 161);
    EXPECT_LT(green(unlit), green(lit) - 60);

    // A change from the host shows without any input.
    controller->setParamNormalized(kOn1L, 1.0);
    spin(300ms);
    EXPECT_GT(green(pixel(child, 136, 161)), 150);
    window.reset();
}

// Knobs follow a vertical drag until the host chooses another mode; then they
// follow that one. Band 1's left gain knob turns about (135, 470).
TEST_F(EmbeddedViewTest, KnobsDragVerticallyUntilTheHostChoosesAMode)
{
    ASSERT_NO_FATAL_FAILURE(embed());

    auto drag = [&](int fromX, int fromY, int toX, int toY) {
        pointer(child, ButtonPress, fromX, fromY);
        spin(50ms);
        pointer(child, MotionNotify, toX, toY);
        spin(50ms);
        pointer(child, ButtonRelease, toX, toY);
        spin(50ms);
    };
    // Pressed right of the centre and moved 20 pixels up: a tenth of the range more.
    ASSERT_EQ(controller->getParamNormalized(kGain1L), 0.5);
    drag(155, 470, 155, 450);
    EXPECT_NEAR(controller->getParamNormalized(kGain1L), 0.6, 1e-9);

    FUnknownPtr<Vst::IEditController2> second(controller);
    ASSERT_TRUE(second);
    ASSERT_EQ(second->setKnobMode(Vst::kCircularMode), kResultOk);
    drag(135, 445, 160, 470); // the value under the pointer: 225 of 270 degrees
    EXPECT_NEAR(controller->getParamNormalized(kGain1L), 225.0 / 270.0, 1e-9);
}

} // namespace
} // namespace vosk::test
