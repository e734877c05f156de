// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// `vosk snapshot`: the editor drawn offscreen by the command, with values set on
// the command line reaching the picture.
#include "editor/platform/linux/cairocanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The command's exit status; what it wrote to standard error goes to the test's
// output when it fails, so that a sanitizer's report is seen.
int run(const std::string& arguments)
{
    const std::string errors = ::testing::TempDir() + "vosk_snapshot_" + std::to_string(::getpid()) + ".err";
    const std::string command = std::string(VOSK_CLI_PATH) + " " + arguments + " >/dev/null 2>" + errors;
    const int status = std::system(command.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0) {
        std::ifstream in(errors);
        if (in.peek() != std::ifstream::traits_type::eof()) std::cerr << in.rdbuf();
    }
    std::remove(errors.c_str());
    return code;
}

std::unique_ptr<vosk::ui::CairoImage> load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return vosk::ui::decodeImage(bytes);
}

// Brightest pixel around (x, y) of a picture, drawn into an offscreen to read it;
// `strongest` takes a pixel's strongest colour channel instead of its brightness.
double peak(const vosk::ui::Image& image, int x, int y, bool strongest = false)
{
    vosk::ui::Offscreen off(image.width(), image.height());
    off.canvas().drawImage(
        image, {0, 0, static_cast<double>(image.width()), static_cast<double>(image.height())}, {0, 0});
    double best = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            auto c = off.pixel(x + dx, y + dy);
            best = std::max(best, strongest ? std::max({c.r, c.g, c.b}) : (c.r + c.g + c.b) / 3);
        }
    return best;
}

class Snapshot : public ::testing::Test
{
protected:
    std::string file(const char* name)
    {
        return ::testing::TempDir() + "vosk_snapshot_" + std::to_string(::getpid()) + name;
    }
};

TEST_F(Snapshot, ShowsTheInitialValuesAndThoseSetOnTheCommandLine)
{
    const std::string atDefault = file("default.png"), changed = file("changed.png");
    ASSERT_EQ(run("snapshot --png " + atDefault), 0);
    ASSERT_EQ(run("snapshot --png " + changed + " --set Freq1L=20 --set cMidSide=On"), 0);
    auto a = load(atDefault), b = load(changed);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->width(), 1024);
    EXPECT_EQ(a->height(), 570);
    // The band 1 left frequency pointer: about 1002 Hz by default, at the start of its sweep at 20 Hz.
    EXPECT_LT(peak(*a, 125, 215), 0.5);
    EXPECT_GT(peak(*b, 125, 215), 0.8);
    // Switches light while they act: initially linked, left/right, neither channel soloed.
    struct Lamp
    {
        const char* name;
        int x, y;
        bool litInitially, litChanged;
    };
    const Lamp lamps[] = {{"LINK", 520, 325, true, true},
                          {"MID-SIDE", 455, 325, false, true},
                          {"SOLO left/mid", 520, 205, false, false},
                          {"SOLO right/side", 520, 475, false, false}};
    for (const Lamp& lamp : lamps) {
        EXPECT_EQ(peak(*a, lamp.x, lamp.y, true) > 0.5, lamp.litInitially) << lamp.name;
        EXPECT_EQ(peak(*b, lamp.x, lamp.y, true) > 0.5, lamp.litChanged) << lamp.name;
    }
    std::remove(atDefault.c_str());
    std::remove(changed.c_str());
}

TEST_F(Snapshot, RefusesMissingOrUnwritableOutput)
{
    EXPECT_EQ(run("snapshot"), 2);
    EXPECT_EQ(run("snapshot --png " + file("x.png") + " --csv " + file("x.csv")), 2);
    EXPECT_EQ(run("snapshot --png /nonexistent-folder/editor.png"), 1);
    EXPECT_EQ(run("snapshot --png " + file("y.png") + " --set NoSuchParameter=1"), 1);
}

} // namespace
