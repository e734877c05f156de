// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "xvfb.h"

// Before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vosk::test {
namespace {

std::string findXvfb()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        std::string candidate =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        candidate += "/Xvfb";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

} // namespace

bool Xvfb::installed()
{
    return !findXvfb().empty();
}

bool Xvfb::start(std::string& why, int width, int height)
{
    const std::string program = findXvfb();
    if (program.empty()) {
        why = "Xvfb is not installed";
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        why = "pipe failed";
        return false;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fdText = std::to_string(fds[1]);
    pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execl(program.c_str(), "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(),
              "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        why = "fork failed";
        return false;
    }
    // The server writes its display number and a newline once it accepts clients.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buffer[16];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) break;
        number.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        stop();
        why = "Xvfb did not start";
        return false;
    }
    name = ":" + number.substr(0, number.find('\n'));
    setenv("DISPLAY", name.c_str(), 1);
    return true;
}

void Xvfb::stop()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    pid = -1;
}

} // namespace vosk::test

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vosk::test {

Screenshot grab(Display* display, unsigned long window, int x, int y, int width, int height)
{
    Screenshot shot;
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return shot;
    shot.width = width;
    shot.height = height;
    shot.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            shot.pixels[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(col)] =
                static_cast<uint32_t>(XGetPixel(image, col, row) & 0xffffff);
    XDestroyImage(image);
    return shot;
}

Screenshot grab(Display* display, unsigned long window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return {};
    return grab(display, window, 0, 0, attributes.width, attributes.height);
}

void sendPointer(Display* display, unsigned long window, int type, int x, int y)
{
    XEvent e{};
    e.type = type;
    if (type == MotionNotify) {
        e.xmotion.display = display;
        e.xmotion.window = window;
        e.xmotion.root = DefaultRootWindow(display);
        e.xmotion.x = x;
        e.xmotion.y = y;
        e.xmotion.state = Button1Mask; // dragging
        e.xmotion.same_screen = True;
    } else {
        e.xbutton.display = display;
        e.xbutton.window = window;
        e.xbutton.root = DefaultRootWindow(display);
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.button = Button1;
        e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        e.xbutton.same_screen = True;
    }
    const long mask = type == ButtonPress     ? ButtonPressMask
                      : type == ButtonRelease ? ButtonReleaseMask
                                              : PointerMotionMask;
    XSendEvent(display, window, True, mask, &e);
    XSync(display, False);
}

bool xdotool(const std::string& arguments)
{
    const std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

XServer::~XServer()
{
    if (display) XCloseDisplay(display);
}

void XServer::open(int width, int height)
{
    std::string why;
    if (!xvfb.start(why, width, height)) {
        if (!Xvfb::installed()) GTEST_SKIP() << why;
        FAIL() << why;
    }
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
}

Display* XServer::start(int width, int height)
{
    open(width, height);
    return display;
}

} // namespace vosk::test
