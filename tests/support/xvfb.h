// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private X server for tests that open windows: starts Xvfb on a display number
// the server picks itself, points DISPLAY at it and stops it again.

#include <string>
#include <sys/types.h>

namespace vosk::test {

class Xvfb
{
public:
    Xvfb() = default;
    ~Xvfb() { stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // False with a reason when Xvfb is not installed or does not come up.
    bool start(std::string& why, int width = 1280, int height = 800);
    void stop();
    // ":N" once started.
    const std::string& display() const { return name; }
    static bool installed();

private:
    pid_t pid = -1;
    std::string name;
};

} // namespace vosk::test

#include <cstdint>
#include <vector>

typedef struct _XDisplay Display;

namespace vosk::test {

// A window's pixels as 0xRRGGBB, row by row.
struct Screenshot
{
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x];
    }
    bool empty() const { return pixels.empty(); }
};
Screenshot grab(Display* display, unsigned long window);
Screenshot grab(Display* display, unsigned long window, int x, int y, int width, int height);

// The window tests' server: a private Xvfb and a connection to it, both closed
// when it goes.
class XServer
{
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // For a fixture's SetUp: the connection, or null when the test is skipped
    // (Xvfb is not installed) or has failed (the server does not come up).
    Display* start(int width = 1280, int height = 800);

private:
    void open(int width, int height);

    Xvfb xvfb;
    Display* display = nullptr;
};

// Sends `window` a press, a move with the button held or a release (ButtonPress,
// MotionNotify, ButtonRelease) of the first button at (x, y), as the server
// delivers them, and waits until the server has passed it on.
void sendPointer(Display* display, unsigned long window, int type, int x, int y);

// Runs xdotool with `arguments` against the current DISPLAY; false when it fails.
bool xdotool(const std::string& arguments);

} // namespace vosk::test
