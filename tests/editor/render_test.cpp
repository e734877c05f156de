// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Offscreen pictures of the editor: the pixels show the frame the value selects.
#include "editor/platform/linux/cairocanvas.h"
#include "editorfixture.h"

namespace vosk::test {
namespace {

double brightness(ui::Color c)
{
    return (c.r + c.g + c.b) / 3;
}

// The brightest pixel in a small square: robust to antialiasing.
double peak(const ui::Offscreen& off, int x, int y)
{
    double best = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) best = std::max(best, brightness(off.pixel(x + dx, y + dy)));
    return best;
}

class RenderTest : public EditorFixture
{
protected:
    ui::Offscreen& render()
    {
        editor->idle(1000);
        off = std::make_unique<ui::Offscreen>(editor->width(), editor->height());
        editor->draw(off->canvas());
        return *off;
    }
    std::unique_ptr<ui::Offscreen> off;
};

TEST_F(RenderTest, KnobPointerSweepsWithTheValue)
{
    // kFreq1L: knob frame at (100, 170); the pointer turns about (135, 205).
    const int lowX = 125, highX = 145, y = 215; // 135 and 45 degrees, 14 px out
    controller->setParamNormalized(kFreq1L, 0.0);
    render();
    EXPECT_GT(peak(*off, lowX, y), 0.8);
    EXPECT_LT(peak(*off, highX, y), 0.5);
    controller->setParamNormalized(kFreq1L, 1.0);
    render();
    EXPECT_LT(peak(*off, lowX, y), 0.5);
    EXPECT_GT(peak(*off, highX, y), 0.8);
    controller->setParamNormalized(kFreq1L, 0.5); // straight up
    render();
    EXPECT_GT(peak(*off, 135, 191), 0.8);
    EXPECT_LT(peak(*off, lowX, y), 0.5);
}

TEST_F(RenderTest, LampsShowLitAndUnlit)
{
    // kOn1L lamp at (125, 150): its lens centre is 11 px in.
    render();
    ui::Color lit = off->pixel(136, 161);
    EXPECT_GT(lit.g, 0.6);
    EXPECT_GT(lit.g, lit.r + 0.2);
    controller->setParamNormalized(kOn1L, 0.0);
    render();
    ui::Color unlit = off->pixel(136, 161);
    EXPECT_LT(unlit.g, 0.45);
    EXPECT_LT(brightness(unlit), brightness(lit) - 0.2);
}

TEST_F(RenderTest, MeterAndBackgroundStrip)
{
    controller->setParamNormalized(VuMeterLeft, 0.5); // 14 of 27 segments lit, 114 px from the bottom
    render();
    EXPECT_GT(off->pixel(956, 400).g, 0.7); // low, lit
    EXPECT_GT(off->pixel(956, 300).g, 0.7); // near the top of the lit part
    EXPECT_LT(off->pixel(956, 280).g, 0.4); // above it
    EXPECT_LT(off->pixel(976, 400).g, 0.4); // the right meter is silent
    // The picture is 4 px shorter than the window: black shows below it.
    ui::Color strip = off->pixel(500, 568);
    EXPECT_EQ(strip.r + strip.g + strip.b, 0.0);
    EXPECT_GT(brightness(off->pixel(500, 560)), 0.02);
}

TEST_F(RenderTest, SplashCoversTheWindowWhenFadedIn)
{
    auto bytes = ui::ResourceFolder(resourcesFolder()).read("About.png");
    ASSERT_TRUE(bytes);
    auto about = ui::decodeImage(*bytes);
    ui::Offscreen reference(1024, 570);
    reference.canvas().drawImage(*about, {0, 0, 1024, 570}, {0, 0});

    click(centre(*viewOf<ui::TextButton>(kAbout)));
    ASSERT_TRUE(editor->splashOpen());
    render();
    for (ui::Point p : {ui::Point{512, 150}, ui::Point{135, 205}, ui::Point{956, 400}}) {
        ui::Color got = off->pixel(static_cast<int>(p.x), static_cast<int>(p.y));
        ui::Color want = reference.pixel(static_cast<int>(p.x), static_cast<int>(p.y));
        EXPECT_NEAR(got.r, want.r, 0.02);
        EXPECT_NEAR(got.g, want.g, 0.02);
        EXPECT_NEAR(got.b, want.b, 0.02);
    }
}

} // namespace
} // namespace vosk::test
