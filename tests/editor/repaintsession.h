// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// One user's session with the built module's editor at some scale, the same on
// every platform: a click on BYPASS, a drag of the band 1 left frequency knob, a
// value typed into that band's field; then the curve panel opened, a click on
// its legend and the knob dragged again with the panel showing. Each gesture must reach the parameter under
// the pointer, and after each one the window must show what a full draw of the
// same state shows: partial repaints may differ from it by smoothing noise only,
// and may leave nothing black that the full draw does not paint black.
#pragma once

#include "hosting/hostedplugin.h"

#include "pluginterfaces/base/keycodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace vosk::test {

// A window's pixels as 0xRRGGBB, row by row.
struct WindowPixels
{
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// What a platform's test does to the editor's window. Points are logical (the
// description's); the session scales them to the window's pixels.
class EditorSession
{
public:
    virtual ~EditorSession() = default;
    virtual void press(int x, int y) = 0;
    virtual void dragTo(int x, int y) = 0; // with the button held
    virtual void release(int x, int y) = 0;
    // A key as the window receives it: a character, or a VirtualKeyCodes value.
    virtual void key(char16_t character, int16_t virtualKey) = 0;
    // The window as shown once what the gesture changed has been painted.
    virtual WindowPixels shown() = 0;
    // The window once all of it has been painted again.
    virtual WindowPixels redrawn() = 0;
};

namespace repaint {

constexpr uint32_t kBypass = 0, kFreq1L = 24;

inline int channel(uint32_t p, int shift)
{
    return static_cast<int>((p >> shift) & 0xff);
}

inline bool dark(uint32_t p)
{
    return channel(p, 16) < 12 && channel(p, 8) < 12 && channel(p, 0) < 12;
}

inline void expectSameAsFullDraw(EditorSession& session, int width, int height, const char* step)
{
    SCOPED_TRACE(step);
    const WindowPixels partial = session.shown();
    const WindowPixels full = session.redrawn();
    ASSERT_EQ(partial.width, width);
    ASSERT_EQ(partial.height, height);
    ASSERT_EQ(full.width, width);
    ASSERT_EQ(full.height, height);
    const auto index = [width](int x, int y) { return static_cast<size_t>(y) * width + x; };
    const auto blackened = [&](int x, int y) {
        return dark(partial.pixels[index(x, y)]) && !dark(full.pixels[index(x, y)]);
    };
    size_t differing = 0, blackAreas = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t a = partial.pixels[index(x, y)], b = full.pixels[index(x, y)];
            int most = 0;
            for (int shift : {0, 8, 16})
                most = std::max(most, std::abs(channel(a, shift) - channel(b, shift)));
            differing += most > 24;
            // A stroke of text may land a pixel aside; black that was never painted over covers areas.
            bool area = x + 2 < width && y + 2 < height;
            for (int dy = 0; area && dy < 3; ++dy)
                for (int dx = 0; area && dx < 3; ++dx) area = blackened(x + dx, y + dy);
            blackAreas += area;
        }
    EXPECT_EQ(blackAreas, 0u);
    EXPECT_LE(differing, full.pixels.size() / 2000);
}

// The parameters the performed edits since `from` went to.
inline std::vector<uint32_t> performedSince(const HostedPlugin& plugin, size_t from)
{
    std::vector<uint32_t> ids;
    const auto& edits = plugin.editsReceived();
    for (size_t i = from; i < edits.size(); ++i)
        if (edits[i].kind == ParameterEdit::Perform) ids.push_back(edits[i].id);
    return ids;
}

// The gestures, each checked where it lands and against a full draw. The window
// is width x height pixels at `scale`.
inline void run(EditorSession& session, HostedPlugin& plugin, double scale)
{
    const int width = static_cast<int>(std::lround(1024 * scale));
    const int height = static_cast<int>(std::lround(570 * scale));

    // The bypass switch at (457, 40), 56 x 56.
    size_t mark = plugin.editsReceived().size();
    const double bypassBefore = plugin.normalizedValue(kBypass);
    session.press(485, 68);
    session.release(485, 68);
    EXPECT_EQ(performedSince(plugin, mark), std::vector<uint32_t>{kBypass});
    EXPECT_NE(plugin.normalizedValue(kBypass), bypassBefore);
    expectSameAsFullDraw(session, width, height, "BYPASS clicked");

    // The band 1 left frequency knob at (100, 170), 70 x 60, dragged upwards.
    mark = plugin.editsReceived().size();
    const double frequencyBefore = plugin.normalizedValue(kFreq1L);
    session.press(135, 200);
    for (int y = 195; y >= 150; y -= 5) session.dragTo(135, y);
    session.release(135, 150);
    const auto dragged = performedSince(plugin, mark);
    EXPECT_GE(dragged.size(), 5u);
    EXPECT_TRUE(std::all_of(dragged.begin(), dragged.end(), [](uint32_t id) { return id == kFreq1L; }));
    EXPECT_NEAR(plugin.normalizedValue(kFreq1L), frequencyBefore + 50 / 200.0, 0.02);
    expectSameAsFullDraw(session, width, height, "knob dragged");

    // Its field at (100, 230), 51 x 20, opens light where the value was shown.
    session.press(125, 240);
    session.release(125, 240);
    const WindowPixels open = session.shown();
    ASSERT_EQ(open.width, width);
    const uint32_t middle = open.pixels[static_cast<size_t>(std::lround(236 * scale)) * open.width +
                                        static_cast<size_t>(std::lround(104 * scale))];
    EXPECT_GT(channel(middle, 8), 200);
    expectSameAsFullDraw(session, width, height, "field opened");

    mark = plugin.editsReceived().size();
    for (int i = 0; i < 8; ++i) session.key(0, Steinberg::KEY_BACK);
    for (char16_t c : std::u16string(u"1000")) session.key(c, 0);
    session.key(0, Steinberg::KEY_RETURN);
    EXPECT_EQ(performedSince(plugin, mark), std::vector<uint32_t>{kFreq1L});
    EXPECT_NEAR(plugin.normalizedValue(kFreq1L), (2.0 + std::log10(0.5)) / 3.0, 1e-4);
    expectSameAsFullDraw(session, width, height, "value typed");

    // The CURVE button at (872, 10), 60 x 25, grows the window by the panel.
    session.press(902, 22);
    session.release(902, 22);
    const int grown = static_cast<int>(std::lround(800 * scale));
    expectSameAsFullDraw(session, width, grown, "curve panel opened");

    // The legend's second entry, at the panel's top right.
    session.press(980, 594);
    session.release(980, 594);
    expectSameAsFullDraw(session, width, grown, "legend clicked");

    // The knob moves the curve under it.
    mark = plugin.editsReceived().size();
    session.press(135, 200);
    for (int y = 195; y >= 180; y -= 5) session.dragTo(135, y);
    session.release(135, 180);
    EXPECT_FALSE(performedSince(plugin, mark).empty());
    expectSameAsFullDraw(session, width, grown, "knob dragged under the panel");

    // Closed again, as the next session expects to find it.
    session.press(902, 22);
    session.release(902, 22);
    expectSameAsFullDraw(session, width, height, "curve panel closed");
}

} // namespace repaint
} // namespace vosk::test
