// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What a repaint of the built bundle's editor costs at scale 2, hosted as a Linux
// host hosts it: the view in a host window on a private X server, the host's run
// loop, input from the server. One iteration is one gesture's handling up to
// the window's new pixels sent to the server: a click on BYPASS (its switch and
// lamp change) or one step of a knob drag (the knob and its field change).
#include "hosting/editorwindow.h"
#include "hosting/hostedplugin.h"
#include "hosting/linux/runloop.h"
#include "tests/support/xvfb.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <string>

using namespace Steinberg;
using namespace std::chrono_literals;

namespace {

constexpr int kScale = 2;

class HostedEditor
{
public:
    // Null with the reason in `why` when there is no X server or no editor.
    static HostedEditor* get(std::string& why)
    {
        static std::unique_ptr<HostedEditor> editor;
        static std::string failure;
        if (!editor && failure.empty()) {
            editor = std::make_unique<HostedEditor>();
            if (!editor->open(failure)) editor.reset();
        }
        why = failure;
        return editor.get();
    }

    ~HostedEditor()
    {
        window.reset();
        view = nullptr;
        plugin.reset();
        if (display) XCloseDisplay(display);
    }

    // A press, a move with the button held or a release at the logical point (x, y).
    void send(int type, int x, int y)
    {
        vosk::test::sendPointer(display, editor, type, kScale * x, kScale * y);
    }

    // Runs the host's loop until the editor has passed an edit to the host beyond
    // the first `known`; it paints in the same turn.
    void awaitEdit(size_t known)
    {
        const auto until = vosk::RunLoop::Clock::now() + 1s;
        while (plugin->editsReceived().size() == known && vosk::RunLoop::Clock::now() < until)
            loop.runOnce(100ms);
    }

    size_t edits() const { return plugin->editsReceived().size(); }

private:
    bool open(std::string& why)
    {
        if (!xvfb.start(why, 2200, 1300)) return false;
        display = XOpenDisplay(nullptr);
        plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, why);
        if (!display || !plugin) return false;
        view = owned(plugin->controller()->createView("editor"));
        FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
        if (!scaling || scaling->setContentScaleFactor(kScale) != kResultTrue) {
            why = "the view does not scale";
            return false;
        }
        window = vosk::EditorWindow::open(view, loop, "VOSK", why);
        if (!window) return false;
        ::Window root, up, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, static_cast<::Window>(window->nativeHandle()), &root, &up, &children, &count);
        if (count == 1) editor = children[0];
        if (children) XFree(children);
        if (!editor) {
            why = "the view made no window";
            return false;
        }
        // The first full draw is not what is measured.
        const auto until = vosk::RunLoop::Clock::now() + 500ms;
        while (vosk::RunLoop::Clock::now() < until) loop.runOnce(10ms);
        return true;
    }

    vosk::test::Xvfb xvfb;
    Display* display = nullptr;
    vosk::RunLoop loop;
    std::unique_ptr<vosk::HostedPlugin> plugin;
    IPtr<IPlugView> view;
    std::unique_ptr<vosk::EditorWindow> window;
    ::Window editor = 0;
};

// The bypass switch at (457, 40), 56 x 56; its lamp beside it follows.
void BM_BypassClickAtScaleTwo(benchmark::State& state)
{
    std::string why;
    HostedEditor* editor = HostedEditor::get(why);
    if (!editor) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        const size_t known = editor->edits();
        editor->send(ButtonPress, 485, 68);
        editor->send(ButtonRelease, 485, 68);
        editor->awaitEdit(known);
    }
}
BENCHMARK(BM_BypassClickAtScaleTwo)->Unit(benchmark::kMillisecond);

// The band 1 left frequency knob at (100, 170), 70 x 60, dragged up and down by
// one logical pixel a step; its field shows each value.
void BM_KnobDragStepAtScaleTwo(benchmark::State& state)
{
    std::string why;
    HostedEditor* editor = HostedEditor::get(why);
    if (!editor) {
        state.SkipWithError(why.c_str());
        return;
    }
    const size_t beforePress = editor->edits();
    editor->send(ButtonPress, 135, 200);
    editor->awaitEdit(beforePress);
    int step = 0;
    for (auto _ : state) {
        const size_t known = editor->edits();
        editor->send(MotionNotify, 135, 199 + (step++ & 1));
        editor->awaitEdit(known);
    }
    editor->send(ButtonRelease, 135, 200);
}
BENCHMARK(BM_KnobDragStepAtScaleTwo)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
