// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// `vosk edit` under a private X server: the window, its picture, and the user's
// clicks, drags and typing arriving at the host as parameter edits.
#include "editor/platform/linux/cairocanvas.h"
#include "source/controller.h"
#include "editor/editor.h"
#include "source/vosk.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include "public.sdk/source/common/memorystream.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The command, running, with its standard output read line by line.
class EditProcess
{
public:
    EditProcess() = default;
    EditProcess(const EditProcess&) = delete;
    EditProcess& operator=(const EditProcess&) = delete;
    ~EditProcess()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0) close(out);
    }

    bool start(const std::vector<std::string>& extra)
    {
        int fds[2];
        if (pipe(fds) != 0) return false;
        std::vector<std::string> args = {VOSK_CLI_PATH, "edit", "--plugin", VOSK_BUNDLE_PATH};
        args.insert(args.end(), extra.begin(), extra.end());
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        out = fds[0];
        return pid > 0;
    }

    // Waits for a line that satisfies `wanted`; returns it, or "" at the time limit.
    std::string waitFor(const std::function<bool(const std::string&)>& wanted,
                        std::chrono::milliseconds limit = 10s)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        for (;;) {
            while (checked < lines.size())
                if (wanted(lines[checked++])) return lines[checked - 1];
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd p{out, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char buffer[4096];
            const ssize_t got = read(out, buffer, sizeof buffer);
            if (got <= 0) return {};
            partial.append(buffer, static_cast<size_t>(got));
            for (size_t nl; (nl = partial.find('\n')) != std::string::npos; partial.erase(0, nl + 1))
                lines.push_back(partial.substr(0, nl));
        }
    }
    std::string waitForPrefix(const std::string& prefix, std::chrono::milliseconds limit = 10s)
    {
        return waitFor([&](const std::string& l) { return l.rfind(prefix, 0) == 0; }, limit);
    }

    // The exit status once the process has ended by itself, or -1.
    int wait(std::chrono::milliseconds limit = 10s)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

    pid_t pid = -1;
    int out = -1;
    std::vector<std::string> lines;
    size_t checked = 0;
    std::string partial;
};

double performedValue(const std::string& line)
{
    return std::strtod(line.substr(line.rfind(' ') + 1).c_str(), nullptr);
}

class EditCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        probe = xserver.start();
        if (!probe) return;
    }

    // Starts the command and returns its window.
    unsigned long launch(const std::vector<std::string>& extra = {})
    {
        EXPECT_TRUE(edit.start(extra));
        const std::string line = edit.waitForPrefix("window ");
        EXPECT_FALSE(line.empty()) << "no window announced";
        if (line.empty()) return 0;
        return std::strtoul(line.c_str() + 7, nullptr, 16);
    }

    vosk::test::Screenshot settled(unsigned long window, int x = 0, int y = 0, int w = 0, int h = 0)
    {
        // First drawn at all (a new window is one colour until then), then still.
        for (int i = 0; i < 60; ++i) {
            const auto whole = vosk::test::grab(probe, window);
            if (!whole.empty() && std::any_of(whole.pixels.begin(), whole.pixels.end(),
                                              [&](uint32_t p) { return p != whole.pixels[0]; }))
                break;
            std::this_thread::sleep_for(80ms);
        }
        vosk::test::Screenshot last;
        for (int i = 0; i < 60; ++i) {
            std::this_thread::sleep_for(80ms);
            auto shot = w ? vosk::test::grab(probe, window, x, y, w, h) : vosk::test::grab(probe, window);
            if (!last.empty() && !shot.empty() && shot.pixels == last.pixels) return shot;
            last = std::move(shot);
        }
        return last;
    }

    bool run(const std::string& xdotoolArguments) { return vosk::test::xdotool(xdotoolArguments); }

    void close(unsigned long window)
    {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = XInternAtom(probe, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(probe, "WM_DELETE_WINDOW", False));
        XSendEvent(probe, window, False, NoEventMask, &e);
        XFlush(probe);
    }

    vosk::test::XServer xserver;
    Display* probe = nullptr;
    EditProcess edit;
};

TEST_F(EditCommandTest, ShowsTheEditorInAWindowThatLooksLikeItsOffscreenRender)
{
    const unsigned long window = launch();
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(probe, window, &attributes));
    EXPECT_EQ(attributes.width, 1024);
    EXPECT_EQ(attributes.height, 570);
    const auto shot = settled(window);
    ASSERT_EQ(shot.width, 1024);

    // The same editor over a controller of our own, drawn off screen. Like the command's
    // host, it starts from what a fresh processor plays.
    auto* controller = new vosk::UIDescriptionController;
    ASSERT_EQ(controller->initialize(nullptr), Steinberg::kResultOk);
    {
        auto* processor = new vosk::VOSK;
        Steinberg::MemoryStream state;
        ASSERT_EQ(processor->getState(&state), Steinberg::kResultOk);
        processor->release();
        state.seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
        ASSERT_EQ(controller->setComponentState(&state), Steinberg::kResultOk);
    }
    vosk::ui::Offscreen offscreen(1024, 570);
    {
        vosk::ui::Editor editor(
            controller, vosk::ui::ResourceFolder(std::string(VOSK_BUNDLE_PATH) + "/Contents/Resources"),
            "voskEditor.uidesc", "view");
        ASSERT_TRUE(editor.valid()) << editor.error();
        editor.idle(0);
        editor.draw(offscreen.canvas());
    }
    controller->terminate();
    controller->release();

    // The window draws through the same backend into an image first, so the two
    // agree to the rounding of a channel.
    long differing = 0;
    for (int y = 0; y < 570; ++y)
        for (int x = 0; x < 1024; ++x) {
            const auto expected = offscreen.pixel(x, y);
            const uint32_t got = shot.at(x, y);
            const double channels[3] = {static_cast<double>(got >> 16 & 0xff),
                                        static_cast<double>(got >> 8 & 0xff),
                                        static_cast<double>(got & 0xff)};
            const double wanted[3] = {expected.r * 255, expected.g * 255, expected.b * 255};
            bool same = true;
            for (int c = 0; c < 3; ++c) same = same && std::abs(channels[c] - wanted[c]) <= 1.0;
            differing += !same;
        }
    EXPECT_EQ(differing, 0) << "pixels unlike the offscreen render";

    close(window);
    EXPECT_EQ(edit.wait(), 0);
}

TEST_F(EditCommandTest, ClicksDragsAndTypingReachTheHostAsEdits)
{
    const unsigned long window = launch();
    ASSERT_NE(window, 0u);
    settled(window);
    const std::string w = " --window " + std::to_string(window) + " ";

    // The bypass switch at (457, 40), 56 x 56.
    ASSERT_TRUE(run("mousemove" + w + "485 68 click 1"));
    const std::string bypass = edit.waitForPrefix("edit perform kBypass ");
    ASSERT_FALSE(bypass.empty());
    EXPECT_DOUBLE_EQ(performedValue(bypass), 1.0);

    // A drag on the band 1 left frequency knob at (100, 170), 70 x 60.
    ASSERT_TRUE(run("mousemove" + w + "135 200 mousedown 1"));
    ASSERT_TRUE(run("mousemove" + w + "120 150"));
    ASSERT_TRUE(run("mousemove" + w + "105 130 mouseup 1"));
    const std::string knob = edit.waitForPrefix("edit perform kFreq1L ");
    ASSERT_FALSE(knob.empty());
    EXPECT_GT(std::abs(performedValue(knob) - 0.566667), 0.01);
    EXPECT_FALSE(edit.waitForPrefix("edit end kFreq1L").empty());

    // Typing 1000 into the band 2 left frequency field at (180, 230), 51 x 20.
    ASSERT_TRUE(run("mousemove" + w + "205 240 click 1"));
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(run("key --delay 20 BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace"));
    ASSERT_TRUE(run("type --delay 20 1000"));
    ASSERT_TRUE(run("key Return"));
    const std::string typed = edit.waitForPrefix("edit perform kFreq2L ");
    ASSERT_FALSE(typed.empty());
    EXPECT_NEAR(performedValue(typed), (std::log10(1000.0 / 2000.0) + 2.0) / 3.0, 1e-4);

    close(window);
    EXPECT_EQ(edit.wait(), 0);
}

TEST_F(EditCommandTest, PlayingAFileMovesTheMeters)
{
    const std::string file = testing::TempDir() + "vosk-edit-play-" + std::to_string(getpid()) + ".wav";
    const std::string generate =
        std::string(VOSK_CLI_PATH) + " generate " + file + " --seconds 4 >/dev/null 2>&1";
    ASSERT_EQ(std::system(generate.c_str()), 0);

    const unsigned long window = launch({"--play", file});
    ASSERT_NE(window, 0u);
    // Both meters, (950, 190) and (970, 190), 12 x 220 each.
    const auto first = vosk::test::grab(probe, window, 950, 190, 32, 220);
    bool moved = false;
    for (int i = 0; i < 40 && !moved; ++i) {
        std::this_thread::sleep_for(100ms);
        moved = vosk::test::grab(probe, window, 950, 190, 32, 220).pixels != first.pixels;
    }
    EXPECT_TRUE(moved);
    EXPECT_FALSE(edit.waitForPrefix("played ", 15s).empty());
    close(window);
    EXPECT_EQ(edit.wait(), 0);
    std::remove(file.c_str());
}

TEST_F(EditCommandTest, EndsCleanlyOnAnInterrupt)
{
    const unsigned long window = launch();
    ASSERT_NE(window, 0u);
    kill(edit.pid, SIGTERM);
    EXPECT_EQ(edit.wait(), 0);
}

} // namespace

namespace {

TEST_F(EditCommandTest, FailsCleanlyWithoutADisplay)
{
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":4242", 1); // no server there
    ASSERT_TRUE(edit.start({}));
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(edit.wait(), 1);
    EXPECT_TRUE(edit.waitForPrefix("window ", 100ms).empty());
}

} // namespace
