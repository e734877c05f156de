// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The built bundle's editor view, hosted as a Linux host hosts it: the view from
// the controller's createView, a top-level window, the host's run loop.
#include "hosting/hostedplugin.h"
#include "hosting/editorwindow.h"
#include "hosting/linux/runloop.h"
#include "tests/editor/repaintsession.h"
#include "tests/support/xvfb.h"

#include "pluginterfaces/base/keycodes.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <type_traits>
#include <unistd.h>

using namespace Steinberg;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBypass = 0, kFreq1L = 24, kFreq2L = 25;

class HostedViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe = xserver.start(2200, 1700); // room for the scaled window with the curve panel
        if (!probe) return;
        plugin = load(VOSK_BUNDLE_PATH);
        ASSERT_TRUE(plugin);
    }
    void TearDown() override
    {
        windows.clear();
        views.clear();
        others.clear();
        plugin.reset();
        if (!copy.empty()) fs::remove_all(copy);
    }

    std::unique_ptr<vosk::HostedPlugin> load(const std::string& bundle)
    {
        std::string error;
        auto p = vosk::HostedPlugin::load(bundle, error);
        EXPECT_TRUE(p) << error;
        return p;
    }

    // A copy of the bundle whose Resources folder `change` may alter.
    std::string bundleCopy(const std::function<void(const fs::path& resources)>& change)
    {
        copy = fs::temp_directory_path() / ("vosk-view-" + std::to_string(getpid()));
        fs::remove_all(copy);
        fs::create_directories(copy);
        const fs::path bundle = copy / "VOSK.vst3";
        fs::copy(VOSK_BUNDLE_PATH, bundle, fs::copy_options::recursive);
        change(bundle / "Contents" / "Resources");
        return bundle.string();
    }

    IPlugView* createView(vosk::HostedPlugin& p)
    {
        IPtr<IPlugView> view = owned(p.controller()->createView("editor"));
        if (view) views.push_back(view);
        return view;
    }

    vosk::EditorWindow* open(IPlugView* view)
    {
        std::string error;
        auto window = vosk::EditorWindow::open(view, loop, "VOSK", error);
        EXPECT_TRUE(window) << error;
        if (!window) return nullptr;
        // Side by side: without a compositor an obscured window has no picture.
        XMoveWindow(probe, static_cast<::Window>(window->nativeHandle()),
                    1100 * static_cast<int>(windows.size()), 0);
        XSync(probe, False);
        windows.push_back(std::move(window));
        return windows.back().get();
    }

    void turn(std::chrono::milliseconds total = 200ms)
    {
        const auto until = vosk::RunLoop::Clock::now() + total;
        while (vosk::RunLoop::Clock::now() < until) loop.runOnce(10ms);
        XSync(probe, False);
    }

    // The window's picture once drawing has settled.
    vosk::test::Screenshot settled(vosk::EditorWindow* window, int x = 0, int y = 0, int w = 0, int h = 0)
    {
        const auto id = static_cast<::Window>(window->nativeHandle());
        // First drawn at all (a new window is one colour until then), then still.
        for (int i = 0; i < 50; ++i) {
            turn(60ms);
            const auto whole = vosk::test::grab(probe, id);
            if (!whole.empty() && std::any_of(whole.pixels.begin(), whole.pixels.end(),
                                              [&](uint32_t p) { return p != whole.pixels[0]; }))
                break;
        }
        vosk::test::Screenshot last;
        for (int i = 0; i < 50; ++i) {
            turn(60ms);
            auto shot = w ? vosk::test::grab(probe, id, x, y, w, h) : vosk::test::grab(probe, id);
            if (!last.empty() && shot.pixels == last.pixels) return shot;
            last = std::move(shot);
        }
        return last;
    }

    vosk::test::XServer xserver;
    Display* probe = nullptr;
    vosk::RunLoop loop;
    std::unique_ptr<vosk::HostedPlugin> plugin;
    std::vector<std::unique_ptr<vosk::HostedPlugin>> others; // from bundle copies
    std::vector<IPtr<IPlugView>> views;
    std::vector<std::unique_ptr<vosk::EditorWindow>> windows;
    fs::path copy;
};

TEST_F(HostedViewTest, ScaleFactorsResizeTheViewAndItsConstraint)
{
    IPtr<IPlugView> view = owned(plugin->controller()->createView("editor"));
    ASSERT_TRUE(view);
    ViewRect size;
    IPlugViewContentScaleSupport* scaling = nullptr;
    ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
              kResultOk);
    EXPECT_EQ(scaling->setContentScaleFactor(0.f), kInvalidArgument);
    EXPECT_EQ(scaling->setContentScaleFactor(2.f), kResultTrue);
    ASSERT_EQ(view->getSize(&size), kResultTrue);
    EXPECT_EQ(size.getWidth(), 2048);
    EXPECT_EQ(size.getHeight(), 1140);
    ViewRect wanted(0, 0, 300, 200);
    EXPECT_EQ(view->checkSizeConstraint(&wanted), kResultTrue);
    EXPECT_EQ(wanted.getWidth(), 2048);
    EXPECT_EQ(wanted.getHeight(), 1140);
    EXPECT_EQ(scaling->setContentScaleFactor(1.f), kResultTrue);
    ASSERT_EQ(view->getSize(&size), kResultTrue);
    EXPECT_EQ(size.getWidth(), 1024);
    scaling->release();
}

TEST_F(HostedViewTest, RunsOnTheHostLoopAndLeavesNothingRegisteredWhenRemoved)
{
    IPlugView* view = createView(*plugin);
    ASSERT_TRUE(view);
    auto* window = open(view);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->size().getWidth(), 1024);
    EXPECT_EQ(window->size().getHeight(), 570);
    // The host window's own handler, and the view's X connection and timer.
    EXPECT_EQ(loop.eventHandlerCount(), 2u);
    EXPECT_EQ(loop.timerCount(), 1u);

    // The view's window sits inside the host's and asks to be mapped.
    const auto parent = static_cast<::Window>(window->nativeHandle());
    ::Window root, up, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(probe, parent, &root, &up, &children, &count));
    ASSERT_EQ(count, 1u);
    XWindowAttributes attributes;
    XGetWindowAttributes(probe, children[0], &attributes);
    XFree(children);
    EXPECT_EQ(attributes.width, 1024);
    EXPECT_EQ(attributes.height, 570);
    turn();
    EXPECT_EQ(attributes.map_state, IsViewable);

    windows.clear(); // removed() and the window gone
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);

    // Attached again after removal, it works as before.
    ASSERT_TRUE(open(view));
    EXPECT_EQ(loop.eventHandlerCount(), 2u);
    EXPECT_EQ(loop.timerCount(), 1u);
}

// A frame that, against the Linux contract, offers no run loop.
struct BareFrame : IPlugFrame
{
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 2; }
    uint32 PLUGIN_API release() override { return 1; }
};

TEST_F(HostedViewTest, RefusesToAttachWithoutARunLoopOrToAForeignWindowType)
{
    IPlugView* view = createView(*plugin);
    ASSERT_TRUE(view);
    const ::Window parent = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 1024, 570, 0, 0, 0);
    XSync(probe, False);
    void* handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
    EXPECT_NE(view->attached(handle, kPlatformTypeHWND), kResultTrue);
    BareFrame frame;
    view->setFrame(&frame);
    EXPECT_EQ(view->attached(handle, kPlatformTypeX11EmbedWindowID), kResultFalse);
    view->setFrame(nullptr);
    XSync(probe, False);
    ::Window root, up, *children = nullptr;
    unsigned count = 0;
    XQueryTree(probe, parent, &root, &up, &children, &count);
    if (children) XFree(children);
    EXPECT_EQ(count, 0u);
}

TEST_F(HostedViewTest, EditorsOfOneControllerStayInStepAndReopenWithCurrentValues)
{
    auto* first = open(createView(*plugin));
    auto* second = open(createView(*plugin));
    ASSERT_TRUE(first && second);
    // The bypass switch and lamp, and the band 1 left frequency knob and field.
    const auto bypassBefore = settled(first, 457, 40, 56, 70);
    const auto freqBefore = settled(first, 100, 170, 70, 80);

    // Host automation reaches both.
    plugin->setParameter(kBypass, 1.0);
    plugin->setParameter(kFreq1L, 0.9);
    const auto bypassFirst = settled(first, 457, 40, 56, 70);
    const auto bypassSecond = settled(second, 457, 40, 56, 70);
    EXPECT_NE(bypassFirst.pixels, bypassBefore.pixels);
    EXPECT_EQ(bypassFirst.pixels, bypassSecond.pixels);
    const auto freqFirst = settled(first, 100, 170, 70, 80);
    EXPECT_NE(freqFirst.pixels, freqBefore.pixels);
    EXPECT_EQ(freqFirst.pixels, settled(second, 100, 170, 70, 80).pixels);

    // A click in one editor shows in the other.
    const auto firstId = static_cast<unsigned long>(first->nativeHandle());
    ASSERT_TRUE(vosk::test::xdotool("mousemove --window " + std::to_string(firstId) + " 485 68 click 1"));
    const auto clickedFirst = settled(first, 457, 40, 56, 70);
    EXPECT_EQ(clickedFirst.pixels, bypassBefore.pixels);
    EXPECT_EQ(settled(second, 457, 40, 56, 70).pixels, clickedFirst.pixels);
    EXPECT_NEAR(plugin->normalizedValue(kBypass), 0.0, 1e-9);

    // Closed and opened again, an editor starts from the values of now.
    windows.clear();
    views.clear();
    auto* reopened = open(createView(*plugin));
    ASSERT_TRUE(reopened);
    EXPECT_EQ(settled(reopened, 100, 170, 70, 80).pixels, freqFirst.pixels);
    EXPECT_EQ(settled(reopened, 457, 40, 56, 70).pixels, clickedFirst.pixels);
}

TEST_F(HostedViewTest, KeysFromTheHostTypeIntoTheFieldInUse)
{
    IPlugView* view = createView(*plugin);
    auto* window = open(view);
    ASSERT_TRUE(window);
    settled(window);
    // No field takes text yet: the key is the host's.
    EXPECT_EQ(view->onKeyDown(u'1', 0, 0), kResultFalse);

    // The band 2 left frequency field at (180, 230), 51 x 20.
    const auto id = static_cast<unsigned long>(window->nativeHandle());
    ASSERT_TRUE(vosk::test::xdotool("mousemove --window " + std::to_string(id) + " 205 240 click 1"));
    turn(300ms);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(view->onKeyDown(0, KEY_BACK, 0), kResultTrue);
    for (char16 c : std::u16string(u"1000")) EXPECT_EQ(view->onKeyDown(c, 0, 0), kResultTrue);
    EXPECT_EQ(view->onKeyUp(u'0', 0, 0), kResultFalse);
    EXPECT_EQ(view->onKeyDown(0, KEY_RETURN, 0), kResultTrue);
    turn();

    std::vector<double> performed;
    for (const auto& e : plugin->editsReceived())
        if (e.kind == vosk::ParameterEdit::Perform && e.id == kFreq2L) performed.push_back(e.value);
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_NEAR(performed[0], (2.0 + std::log10(0.5)) / 3.0, 1e-4);
    // The field has let go of the keyboard.
    EXPECT_EQ(view->onKeyDown(u'5', 0, 0), kResultFalse);
}

TEST_F(HostedViewTest, ScalesWindowAndDrawingWithTheContentScaleFactor)
{
    IPlugView* view = createView(*plugin);
    auto* window = open(view);
    ASSERT_TRUE(window);
    const auto normal = settled(window);
    ASSERT_EQ(normal.width, 1024);

    IPlugViewContentScaleSupport* scaling = nullptr;
    ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
              kResultOk);
    for (const double factor : {2.0, 1.5}) {
        ASSERT_EQ(scaling->setContentScaleFactor(static_cast<float>(factor)), kResultTrue);
        const auto big = settled(window);
        ASSERT_EQ(big.width, static_cast<int>(1024 * factor)) << factor;
        ASSERT_EQ(big.height, static_cast<int>(std::lround(570 * factor))) << factor;
        // The scaled picture, sampled back at the normal size, is the normal picture
        // up to the smoothing of the scaled drawing.
        double difference = 0;
        for (int y = 0; y < 570; ++y)
            for (int x = 0; x < 1024; ++x) {
                const uint32_t a = normal.at(x, y);
                const uint32_t b =
                    big.at(static_cast<int>((x + 0.5) * factor), static_cast<int>((y + 0.5) * factor));
                for (int shift : {0, 8, 16})
                    difference += std::abs(static_cast<int>((a >> shift) & 0xff) -
                                           static_cast<int>((b >> shift) & 0xff));
            }
        EXPECT_LT(difference / (1024.0 * 570 * 3), 12.0) << factor;
    }
    scaling->release();
}

// At scale 2, what a gesture repaints is what a full draw paints.
TEST_F(HostedViewTest, RepaintsMatchAFullDrawAtScaleTwo)
{
    IPlugView* view = createView(*plugin);
    ASSERT_TRUE(view);
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
    ASSERT_TRUE(scaling);
    ASSERT_EQ(scaling->setContentScaleFactor(2.f), kResultTrue);
    auto* window = open(view);
    ASSERT_TRUE(window);
    ::Window root, up, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(
        XQueryTree(probe, static_cast<::Window>(window->nativeHandle()), &root, &up, &children, &count));
    ASSERT_EQ(count, 1u);
    const ::Window editor = children[0];
    XFree(children);

    using Fixture = std::remove_pointer_t<decltype(this)>;
    struct Session : vosk::test::EditorSession
    {
        Session(Fixture* t, IPlugView* v, vosk::EditorWindow* w, ::Window e)
            : test(t), view(v), window(w), editor(e)
        {
        }
        void pointer(int type, int x, int y)
        {
            vosk::test::sendPointer(test->probe, editor, type, 2 * x, 2 * y);
            test->turn(20ms);
        }
        void press(int x, int y) override { pointer(ButtonPress, x, y); }
        void dragTo(int x, int y) override { pointer(MotionNotify, x, y); }
        void release(int x, int y) override { pointer(ButtonRelease, x, y); }
        void key(char16_t character, int16_t virtualKey) override
        {
            view->onKeyDown(character, virtualKey, 0);
        }
        vosk::test::WindowPixels shown() override
        {
            auto shot = test->settled(window);
            return {shot.width, shot.height, std::move(shot.pixels)};
        }
        vosk::test::WindowPixels redrawn() override
        {
            XClearArea(test->probe, editor, 0, 0, 0, 0, True);
            XFlush(test->probe);
            return shown();
        }
        Fixture* test;
        IPlugView* view;
        vosk::EditorWindow* window;
        ::Window editor;
    };
    Session session(this, view, window, editor);
    vosk::test::repaint::run(session, *plugin, 2);
}

TEST_F(HostedViewTest, MissingImagesLeaveTheirViewsEmptyAndAMissingDescriptionIsReported)
{
    auto* normalWindow = open(createView(*plugin));
    ASSERT_TRUE(normalWindow);
    const auto normal = settled(normalWindow);
    windows.clear();
    views.clear();

    // Without the knob strip, and with a picture renamed in case only.
    const std::string bundle = bundleCopy([](const fs::path& resources) {
        fs::remove(resources / "TB304.png");
        fs::rename(resources / "led_Green.png", resources / "LED_GREEN.PNG");
    });
    others.push_back(load(bundle));
    ASSERT_TRUE(others.back());
    auto* window = open(createView(*others.back()));
    ASSERT_TRUE(window);
    const auto shot = settled(window);
    ASSERT_EQ(shot.width, 1024);
    int knobDifferences = 0, lampDifferences = 0;
    for (int y = 175; y < 225; ++y)
        for (int x = 105; x < 165; ++x) knobDifferences += shot.at(x, y) != normal.at(x, y);
    for (int y = 85; y < 107; ++y)
        for (int x = 474; x < 496; ++x) lampDifferences += shot.at(x, y) != normal.at(x, y);
    EXPECT_GT(knobDifferences, 100); // no knob picture
    EXPECT_EQ(lampDifferences, 0);   // found despite the case
    EXPECT_EQ(shot.at(300, 20), normal.at(300, 20));
    windows.clear();
    views.clear();
    others.clear();

    // Without the description the editor still opens and says what is wrong.
    fs::remove_all(copy);
    const std::string broken =
        bundleCopy([](const fs::path& resources) { fs::remove(resources / "voskEditor.uidesc"); });
    others.push_back(load(broken));
    ASSERT_TRUE(others.back());
    IPlugView* view = createView(*others.back());
    ASSERT_TRUE(view);
    auto* reporting = open(view);
    ASSERT_TRUE(reporting);
    const auto message = settled(reporting);
    ASSERT_FALSE(message.empty());
    std::set<uint32_t> colours(message.pixels.begin(), message.pixels.end());
    EXPECT_GT(colours.size(), 2u); // text on a background, not an empty window
}

} // namespace
