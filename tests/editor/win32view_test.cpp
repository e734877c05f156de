// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The built module's editor view on Windows, hosted as a Windows host hosts it:
// the view from the controller's createView, a child of the host's window, the
// host's message loop, input as the window system delivers it. Runs under Wine
// with a display.
#include "hosting/hostedplugin.h"
#include "tests/editor/repaintsession.h"

#include "pluginterfaces/base/keycodes.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace Steinberg;

namespace {

constexpr uint32_t kBypass = 0, kFreq1L = 24;

class Win32ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VoskTestHost";
        RegisterClassW(&wc);
    }

    void TearDown() override
    {
        for (auto& view : views) view->removed();
        views.clear();
        for (HWND parent : parents) DestroyWindow(parent);
        plugin.reset();
    }

    // A host window at (x, 0) and a view of the plug-in's controller in it.
    IPlugView* open(int x = 0, float scale = 0)
    {
        HWND parent = CreateWindowExW(0, L"VoskTestHost", L"VOSK", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x,
                                      0, 2100, 1200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_TRUE(parent);
        parents.push_back(parent);
        IPtr<IPlugView> view = owned(plugin->controller()->createView("editor"));
        EXPECT_TRUE(view);
        if (!view) return nullptr;
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
        if (scale > 0) {
            IPlugViewContentScaleSupport* scaling = nullptr;
            EXPECT_EQ(
                view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
                kResultOk);
            if (scaling) {
                EXPECT_EQ(scaling->setContentScaleFactor(scale), kResultTrue);
                scaling->release();
            }
        }
        EXPECT_EQ(view->attached(parent, kPlatformTypeHWND), kResultOk);
        views.push_back(view);
        pump(100);
        return view;
    }

    static HWND editorWindow(HWND parent) { return GetWindow(parent, GW_CHILD); }

    static SIZE clientSize(HWND window)
    {
        RECT r{};
        GetClientRect(window, &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    // The host's message loop, for `ms` milliseconds.
    static void pump(DWORD ms)
    {
        const DWORD until = GetTickCount() + ms;
        do {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Sleep(5);
        } while (static_cast<LONG>(until - GetTickCount()) > 0);
    }

    // Whether `shown` comes true while the host's loop runs, within `ms` milliseconds:
    // the editor's refresh waits longer after slow paints, as under a loaded machine.
    template <class Shown> static bool within(DWORD ms, Shown shown)
    {
        const DWORD until = GetTickCount() + ms;
        while (!shown())
            if (static_cast<LONG>(until - GetTickCount()) <= 0) return false;
        return true;
    }

    static void mouse(HWND window, UINT message, int x, int y, WPARAM buttons)
    {
        SendMessageW(window, message, buttons, MAKELPARAM(x, y));
        pump(20);
    }

    std::vector<double> performed(uint32_t id) const
    {
        std::vector<double> values;
        for (const auto& e : plugin->editsReceived())
            if (e.kind == vosk::ParameterEdit::Perform && e.id == id) values.push_back(e.value);
        return values;
    }

    // The colour of a pixel of the window as drawn, after the host's loop has run.
    static COLORREF pixel(HWND window, int x, int y)
    {
        pump(50);
        HDC dc = GetDC(window);
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return colour;
    }

    // All of the window's pixels as drawn, after the host's loop has run.
    static vosk::test::WindowPixels capture(HWND window)
    {
        pump(50);
        const SIZE size = clientSize(window);
        vosk::test::WindowPixels shot{size.cx, size.cy, {}};
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = GetDC(window);
        HDC memory = CreateCompatibleDC(dc);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (memory && bitmap) {
            HGDIOBJ before = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, size.cx, size.cy, dc, 0, 0, SRCCOPY);
            GdiFlush();
            const auto* pixels = static_cast<const uint32_t*>(bits);
            for (size_t i = 0; i < static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy); ++i)
                shot.pixels.push_back(pixels[i] & 0xffffff);
            SelectObject(memory, before);
        }
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
        ReleaseDC(window, dc);
        return shot;
    }

    static bool similar(COLORREF a, COLORREF b, int tolerance = 24)
    {
        return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
               std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
               std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
    }

    // Whether the editor's window class is still registered by the module.
    static bool editorClassRegistered()
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        HMODULE module = GetModuleHandleW(L"VOSK.vst3");
        return module && GetClassInfoExW(module, L"VoskEditorWindow", &wc);
    }

    // The editor's window driven through its messages, as the window system drives it.
    struct Session : vosk::test::EditorSession
    {
        Session(HWND w, double s) : window(w), scale(s) {}
        int device(int logical) const { return static_cast<int>(std::lround(logical * scale)); }
        void press(int x, int y) override { mouse(window, WM_LBUTTONDOWN, device(x), device(y), MK_LBUTTON); }
        void dragTo(int x, int y) override { mouse(window, WM_MOUSEMOVE, device(x), device(y), MK_LBUTTON); }
        void release(int x, int y) override { mouse(window, WM_LBUTTONUP, device(x), device(y), 0); }
        void key(char16_t character, int16_t virtualKey) override
        {
            if (character)
                SendMessageW(window, WM_CHAR, character, 1);
            else
                SendMessageW(window, WM_KEYDOWN, virtualKey == KEY_BACK ? VK_BACK : VK_RETURN, 1);
            pump(10);
        }
        vosk::test::WindowPixels shown() override { return capture(window); }
        vosk::test::WindowPixels redrawn() override
        {
            InvalidateRect(window, nullptr, FALSE);
            UpdateWindow(window);
            return capture(window);
        }
        HWND window;
        double scale;
    };

    std::unique_ptr<vosk::HostedPlugin> plugin;
    std::vector<HWND> parents;
    std::vector<IPtr<IPlugView>> views;
};

TEST_F(Win32ViewTest, OpensAsAChildOfTheHostWindowAndLeavesNothingWhenRemoved)
{
    IPlugView* view = open();
    ASSERT_TRUE(view);
    HWND child = editorWindow(parents[0]);
    ASSERT_TRUE(child);
    EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(clientSize(child).cx, 1024);
    EXPECT_EQ(clientSize(child).cy, 570);

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(editorWindow(parents[0]));
    EXPECT_FALSE(editorClassRegistered());
    pump(100); // no timer of a window that is gone fires into freed memory

    // Attached again, it works as before.
    EXPECT_EQ(view->attached(parents[0], kPlatformTypeHWND), kResultOk);
    EXPECT_TRUE(editorWindow(parents[0]));
}

TEST_F(Win32ViewTest, ScaleTwoGivesTheDoubleWindowAndDrawing)
{
    // Points of distinct colour: the About button, the bypass lamp, the left
    // meter, a corner screw's middle.
    const POINT points[] = {{965, 22}, {485, 96}, {955, 300}, {20, 20}};
    open(0);
    std::vector<COLORREF> normal;
    for (const POINT& p : points) normal.push_back(pixel(editorWindow(parents[0]), p.x, p.y));
    views[0]->removed();

    open(0, 2.f);
    HWND child = editorWindow(parents.back());
    ASSERT_TRUE(child);
    EXPECT_EQ(clientSize(child).cx, 2048);
    EXPECT_EQ(clientSize(child).cy, 1140);
    for (size_t i = 0; i < normal.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(normal[i], CLR_INVALID);
        EXPECT_TRUE(similar(pixel(child, 2 * points[i].x, 2 * points[i].y), normal[i]));
    }

    // Changed while open, the window follows.
    IPlugViewContentScaleSupport* scaling = nullptr;
    ASSERT_EQ(
        views.back()->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
        kResultOk);
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), kResultTrue);
    scaling->release();
    EXPECT_EQ(clientSize(child).cx, 1536);
    EXPECT_EQ(clientSize(child).cy, 855);
}

TEST_F(Win32ViewTest, ClicksDragsAndTypingReachTheHostAsEdits)
{
    open();
    HWND child = editorWindow(parents[0]);
    ASSERT_TRUE(child);

    // The bypass switch at (457, 40), 56 x 56.
    const double bypassBefore = plugin->normalizedValue(kBypass);
    mouse(child, WM_LBUTTONDOWN, 485, 68, MK_LBUTTON);
    mouse(child, WM_LBUTTONUP, 485, 68, 0);
    ASSERT_EQ(performed(kBypass).size(), 1u);
    EXPECT_NE(performed(kBypass)[0], bypassBefore);

    // The band 1 left frequency knob at (100, 170), 70 x 60, dragged upwards.
    const double frequencyBefore = plugin->normalizedValue(kFreq1L);
    mouse(child, WM_LBUTTONDOWN, 135, 200, MK_LBUTTON);
    for (int y = 195; y >= 150; y -= 5) mouse(child, WM_MOUSEMOVE, 135, y, MK_LBUTTON);
    mouse(child, WM_LBUTTONUP, 135, 150, 0);
    const auto dragged = performed(kFreq1L);
    ASSERT_FALSE(dragged.empty());
    EXPECT_GT(dragged.back(), frequencyBefore);

    // Its field at (100, 230), 51 x 20: typed over with the keyboard.
    mouse(child, WM_LBUTTONDOWN, 125, 240, MK_LBUTTON);
    mouse(child, WM_LBUTTONUP, 125, 240, 0);
    EXPECT_EQ(GetFocus(), child);
    auto key = [&](UINT message, WPARAM code) {
        SendMessageW(child, message, code, 1);
        pump(10);
    };
    for (int i = 0; i < 8; ++i) key(WM_KEYDOWN, VK_BACK);
    for (wchar_t c : std::wstring(L"1000")) key(WM_CHAR, c);
    key(WM_KEYDOWN, VK_RETURN);
    EXPECT_NEAR(plugin->normalizedValue(kFreq1L), (2.0 + std::log10(0.5)) / 3.0, 1e-4);

    // Keys the host passes on take the same way.
    mouse(child, WM_LBUTTONDOWN, 125, 240, MK_LBUTTON);
    mouse(child, WM_LBUTTONUP, 125, 240, 0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(views[0]->onKeyDown(0, KEY_BACK, 0), kResultTrue);
    for (char16 c : std::u16string(u"88")) EXPECT_EQ(views[0]->onKeyDown(c, 0, 0), kResultTrue);
    EXPECT_EQ(views[0]->onKeyUp(u'8', 0, 0), kResultFalse);
    EXPECT_EQ(views[0]->onKeyDown(0, KEY_RETURN, 0), kResultTrue);
    EXPECT_NEAR(plugin->normalizedValue(kFreq1L), (2.0 + std::log10(88 / 2000.0)) / 3.0, 1e-3);
}

// At every scale, whether the host sets it or the window's DPI, what a gesture
// repaints is what a full draw paints.
TEST_F(Win32ViewTest, RepaintsMatchAFullDrawAtEveryScale)
{
    const struct
    {
        float hostFactor; // 0: the host says nothing
        UINT dpi;         // a DPI change posted to the open window, or 0
        double scale;
    } rows[] = {
        {1.f, 0, 1}, {1.25f, 0, 1.25},      {1.5f, 0, 1.5}, {1.75f, 0, 1.75},
        {2.f, 0, 2}, {4 / 3.f, 0, 4 / 3.f}, {0, 144, 1.5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("host factor " + std::to_string(row.hostFactor) + ", DPI " + std::to_string(row.dpi));
        open(0, row.hostFactor);
        HWND child = editorWindow(parents.back());
        ASSERT_TRUE(child);
        if (row.dpi) {
            PostMessageW(child, WM_DPICHANGED, MAKEWPARAM(row.dpi, row.dpi), 0);
            pump(100);
        }
        EXPECT_EQ(clientSize(child).cx, std::lround(1024 * row.scale));
        Session session(child, row.scale);
        vosk::test::repaint::run(session, *plugin, row.scale);
        views.back()->removed();
        views.pop_back();
    }
}

// A host aware of each screen's DPI that sets no scale: the view takes its
// window's DPI from the start. Runs at 96 DPI, and in a Wine prefix whose screen
// has the DPI that VOSK_TEST_DPI names.
TEST_F(Win32ViewTest, TakesTheScaleOfTheWindowsDpiWhenTheHostSetsNone)
{
    const DPI_AWARENESS_CONTEXT before =
        SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    open(0);
    HWND child = editorWindow(parents.back());
    ASSERT_TRUE(child);
    const char* wanted = std::getenv("VOSK_TEST_DPI");
    const UINT dpi = GetDpiForWindow(child);
    EXPECT_EQ(dpi, wanted ? static_cast<UINT>(std::atoi(wanted)) : 96u);
    const double scale = dpi / 96.0;
    EXPECT_EQ(clientSize(child).cx, std::lround(1024 * scale));
    Session session(child, scale);
    vosk::test::repaint::run(session, *plugin, scale);
    SetThreadDpiAwarenessContext(before);
}

// The timer of the view is the editor's tick: it follows the host's changes and
// shows a tooltip once the pointer rests.
TEST_F(Win32ViewTest, TheTickShowsHostChangesAndTooltips)
{
    open();
    HWND child = editorWindow(parents[0]);
    ASSERT_TRUE(child);
    // The bypass lamp at (474, 85), 22 x 22, lit or not.
    const COLORREF lamp = pixel(child, 485, 96);
    plugin->setParameter(kBypass, plugin->normalizedValue(kBypass) > 0.5 ? 0.0 : 1.0);
    EXPECT_TRUE(within(2000, [&] { return !similar(pixel(child, 485, 96), lamp, 8); }));

    // The About button at (940, 10), 50 x 25, has a tooltip; it shows below
    // the pointer, at the window's right edge.
    const COLORREF tooltipColour = RGB(255, 255, 224);
    EXPECT_FALSE(similar(pixel(child, 1018, 45), tooltipColour, 8));
    mouse(child, WM_MOUSEMOVE, 965, 20, 0);
    EXPECT_TRUE(within(3000, [&] { return similar(pixel(child, 1018, 45), tooltipColour, 8); }));
}

// With the curve panel open and music playing, the spectrum of the music rises
// behind the curve, and however long the panel takes to paint (a software
// renderer takes about a tick), the host's loop still runs dry between blocks.
TEST_F(Win32ViewTest, TheOpenPanelShowsTheSpectrumOfTheMusicPlaying)
{
    open();
    HWND child = editorWindow(parents[0]);
    ASSERT_TRUE(child);
    // The CURVE button at (872, 10), 60 x 25; the panel below the layout.
    mouse(child, WM_LBUTTONDOWN, 902, 22, MK_LBUTTON);
    mouse(child, WM_LBUTTONUP, 902, 22, 0);
    ASSERT_EQ(clientSize(child).cy, 800);
    std::string error;
    ASSERT_TRUE(plugin->start(48000, 512, 2, error, false)) << error;

    // The plot's lower half, under the flat curve: a spectrum at -30 dB and below shows there.
    const auto lowerPlot = [&] {
        const auto shot = capture(child);
        std::vector<uint32_t> area;
        for (int y = 700; y < 770; ++y)
            for (int x = 60; x < 1000; ++x) area.push_back(shot.pixels[static_cast<size_t>(y * shot.width + x)]);
        return area;
    };
    const auto quiet = lowerPlot();

    const auto hostLoopRunsDry = [] {
        const DWORD until = GetTickCount() + 2000;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (static_cast<LONG>(GetTickCount() - until) > 0) return false;
        }
        Sleep(10);
        return true;
    };
    // White noise at about -17 dBFS, a second of it in real time.
    std::vector<float> left(512), right(512);
    uint32_t seed = 1;
    const auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * 0.5f;
    };
    for (int block = 0; block < 94; ++block) {
        for (int i = 0; i < 512; ++i) left[i] = noise(), right[i] = noise();
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {left.data(), right.data()};
        plugin->process(in, out, 512);
        ASSERT_TRUE(hostLoopRunsDry()) << "block " << block;
    }
    const auto playing = lowerPlot();
    plugin->stop();
    size_t changed = 0;
    for (size_t i = 0; i < quiet.size(); ++i) changed += quiet[i] != playing[i];
    EXPECT_GT(changed, quiet.size() / 4);
}

TEST_F(Win32ViewTest, SeveralEditorsAtOnceEachWorkOnItsOwn)
{
    open(0);
    open(1100);
    HWND first = editorWindow(parents[0]), second = editorWindow(parents[1]);
    ASSERT_TRUE(first && second);
    ASSERT_NE(first, second);

    EXPECT_EQ(views[0]->removed(), kResultOk);
    EXPECT_TRUE(editorClassRegistered()); // the other still uses it
    mouse(second, WM_LBUTTONDOWN, 485, 68, MK_LBUTTON);
    mouse(second, WM_LBUTTONUP, 485, 68, 0);
    EXPECT_EQ(performed(kBypass).size(), 1u);

    EXPECT_EQ(views[1]->removed(), kResultOk);
    EXPECT_FALSE(editorClassRegistered());
    views.clear();
}

} // namespace
