// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Behaviour of the editor over the real controller: bindings, edits reaching the
// host, values following the host, text entry, menus, meters and the splash.
#include "editor/platform/linux/cairocanvas.h"
#include "editorfixture.h"

#include <clocale>
#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

namespace vosk::test {
namespace {

using ui::AnimKnob;
using ui::MouseEvent;
using ui::OnOffButton;
using ui::TextEdit;

TEST_F(EditorFixture, EveryTaggedViewFindsItsParameterExceptTheEditorOnes)
{
    std::set<int> used;
    for (const auto& v : editor->views()) {
        if (!v->desc().find("control-tag")) continue;
        ASSERT_NE(v->binding(), nullptr) << v->desc().get("control-tag");
        used.insert(v->binding()->tag());
        const int tag = v->binding()->tag();
        EXPECT_EQ(v->binding()->hasParameter(), tag != kAbout && tag != kCurvePanel) << tag;
    }
    const std::set<int> unused{kOutGain, kLeftRight, kCh1,   kCh2,   kCh3,        kCh4,
                               kCh5,     kCh6,       kType1, kType2, kType3,      kType4,
                               kType5,   kType6,     kType7, kType8, kFftSizeMenu};
    for (int tag = 0; tag < static_cast<int>(kNumControlTags); ++tag)
        EXPECT_EQ(used.count(tag), unused.count(tag) ? 0u : 1u) << tag;
}

TEST_F(EditorFixture, ViewsSharingATagShowOneValue)
{
    controller->setParamNormalized(kGain2R, 1.0);
    controller->setParamNormalized(kFreq3L, 0.0);
    controller->setParamNormalized(kInGain, 0.0);
    editor->idle(10);
    EXPECT_EQ(viewOf<AnimKnob>(kGain2R)->frameIndex(), 65);
    EXPECT_EQ(viewOf<TextEdit>(kGain2R)->displayText(), "6.0");
    EXPECT_EQ(viewOf<AnimKnob>(kFreq3L)->frameIndex(), 0);
    EXPECT_EQ(viewOf<TextEdit>(kFreq3L)->displayText(), "20");
    EXPECT_EQ(viewOf<AnimKnob>(kInGain)->frameIndex(), 0);
    EXPECT_EQ(viewOf<TextEdit>(kInGain)->displayText(), "-oo");
    // Untouched fields show their parameter's text, not the description's title.
    EXPECT_EQ(viewOf<TextEdit>(kFreq1R)->displayText(), "1002");
    EXPECT_EQ(viewOf<TextEdit>(kBW4L)->displayText(), "1.00");
    EXPECT_EQ(viewOf<AnimKnob>(kFreq1R)->frameIndex(), 37); // 0.56667 of 65 frames
}

TEST_F(EditorFixture, LinearDragSendsEditsInOrderAndTheFieldFollows)
{
    AnimKnob* knob = viewOf<AnimKnob>(kFreq1L);
    ASSERT_NE(knob, nullptr);
    const ui::Point c = centre(*knob);
    const double start = param(kFreq1L);
    editor->onMouse({MouseEvent::Kind::Down, c});
    for (int step = 1; step <= 3; ++step) editor->onMouse({MouseEvent::Kind::Move, {c.x, c.y - 20.0 * step}});
    editor->onMouse({MouseEvent::Kind::Up, {c.x, c.y - 60}});

    ASSERT_GE(handler.edits.size(), 5u);
    EXPECT_EQ(handler.edits.front().kind, ParameterEdit::Begin);
    EXPECT_EQ(handler.edits.back().kind, ParameterEdit::End);
    auto values = handler.performed(kFreq1L);
    ASSERT_EQ(values.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(values[static_cast<size_t>(i)], start + 0.1 * (i + 1), 1e-9);
    EXPECT_NEAR(param(kFreq1L), start + 0.3, 1e-9);
    EXPECT_EQ(viewOf<TextEdit>(kFreq1L)->displayText(), "7962");
    // Only this tag went to the host.
    for (const auto& e : handler.edits) EXPECT_EQ(e.id, static_cast<unsigned>(kFreq1L));
}

TEST_F(EditorFixture, FineDragWheelAndDefaultClick)
{
    AnimKnob* knob = viewOf<AnimKnob>(kFreq2L);
    const ui::Point c = centre(*knob);
    const double start = param(kFreq2L);
    editor->onMouse({MouseEvent::Kind::Down, c, 1, ui::kShift});
    editor->onMouse({MouseEvent::Kind::Move, {c.x + 30, c.y}, 1, ui::kShift});
    editor->onMouse({MouseEvent::Kind::Up, {c.x + 30, c.y}, 1, ui::kShift});
    EXPECT_NEAR(param(kFreq2L), start + 0.15 / 1.5, 1e-9);

    const double beforeWheel = param(kFreq2L);
    editor->onWheel({c, 1});
    EXPECT_NEAR(param(kFreq2L), beforeWheel + 0.01, 1e-9);
    editor->onWheel({c, -2});
    EXPECT_NEAR(param(kFreq2L), beforeWheel - 0.01, 1e-9);

    click(c, ui::kControl);
    EXPECT_NEAR(param(kFreq2L), 0.507, 1e-9);
    EXPECT_NEAR(handler.performed(kFreq2L).back(), 0.507, 1e-9);
    // A Q knob's default is the top of its range.
    click(centre(*viewOf<AnimKnob>(kQ1R)), ui::kControl);
    EXPECT_EQ(param(kQ1R), 1.0);
}

// Hosts often run with the user's locale; the description's numbers are always
// written with a point and must read the same under a decimal comma.
class EditorUnderACommaLocale : public EditorFixture
{
protected:
    void SetUp() override
    {
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
            GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/install-deps generates it)";
        EditorFixture::SetUp();
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        if (editor) EditorFixture::TearDown();
    }
};

TEST_F(EditorUnderACommaLocale, ReadsTheDescriptionsNumbersWithAPoint)
{
    AnimKnob* knob = viewOf<AnimKnob>(kFreq2L);
    EXPECT_NEAR(knob->wheelStep(), 0.01, 1e-12);
    EXPECT_NEAR(knob->defaultValue(), 0.507, 1e-12);
    const ui::Point c = centre(*knob);
    const double before = param(kFreq2L);
    editor->onWheel({c, 1});
    EXPECT_NEAR(param(kFreq2L), before + 0.01, 1e-9);
    click(c, ui::kControl);
    EXPECT_NEAR(param(kFreq2L), 0.507, 1e-9);
}

TEST_F(EditorFixture, CircularModesFollowTheAngle)
{
    controller->setKnobMode(Steinberg::Vst::kCircularMode);
    AnimKnob* knob = viewOf<AnimKnob>(kGain1L);
    const ui::Point c = centre(*knob);
    editor->onMouse({MouseEvent::Kind::Down, c});
    editor->onMouse({MouseEvent::Kind::Move, {c.x, c.y - 25}}); // straight up: the middle
    EXPECT_NEAR(param(kGain1L), 0.5, 1e-9);
    editor->onMouse({MouseEvent::Kind::Move, {c.x + 25, c.y}}); // right: 225 of 270 degrees
    EXPECT_NEAR(param(kGain1L), 225.0 / 270.0, 1e-9);
    editor->onMouse({MouseEvent::Kind::Move, {c.x - 1, c.y + 25}}); // in the gap, nearer the start
    EXPECT_EQ(param(kGain1L), 0.0);
    editor->onMouse({MouseEvent::Kind::Up, {c.x, c.y + 25}});

    controller->setKnobMode(Steinberg::Vst::kRelativCircularMode);
    controller->setParamNormalized(kGain1L, 0.2);
    editor->onMouse({MouseEvent::Kind::Down, {c.x, c.y - 25}});
    editor->onMouse({MouseEvent::Kind::Move, {c.x + 25, c.y}}); // a quarter turn clockwise
    editor->onMouse({MouseEvent::Kind::Up, {c.x + 25, c.y}});
    EXPECT_NEAR(param(kGain1L), 0.2 + 90.0 / 270.0, 1e-9);
}

TEST_F(EditorFixture, TypedTextGoesThroughTheParameterConversion)
{
    TextEdit* field = viewOf<TextEdit>(kFreq1L);
    click(centre(*field));
    ASSERT_TRUE(field->editing());
    EXPECT_EQ(field->displayText(), "1002");
    for (int i = 0; i < 4; ++i) editor->onKey({ui::Key::Backspace});
    type("1000");
    editor->onKey({ui::Key::Return});
    EXPECT_FALSE(field->editing());
    EXPECT_NEAR(param(kFreq1L), 0.5663233, 1e-6);
    EXPECT_NEAR(handler.performed(kFreq1L).at(0), 0.5663233, 1e-6);
    EXPECT_EQ(viewOf<AnimKnob>(kFreq1L)->frameIndex(), 37);
    EXPECT_EQ(field->displayText(), "1000");

    // No number: nothing changes and the host hears nothing.
    handler.edits.clear();
    TextEdit* gain = viewOf<TextEdit>(kGain1L);
    click(centre(*gain));
    for (int i = 0; i < 3; ++i) editor->onKey({ui::Key::Backspace});
    type("abc");
    click({5, 300}); // clicking elsewhere ends the entry
    EXPECT_FALSE(gain->editing());
    EXPECT_EQ(param(kGain1L), 0.5);
    EXPECT_TRUE(handler.edits.empty());

    // Escape abandons the entry.
    click(centre(*gain));
    type("3");
    editor->onKey({ui::Key::Escape});
    EXPECT_EQ(param(kGain1L), 0.5);
    EXPECT_TRUE(handler.edits.empty());
}

TEST_F(EditorFixture, SwitchAndLampToggleTogetherAndFollowTheHost)
{
    auto views = editor->viewsWithTag(kOn1L);
    ASSERT_EQ(views.size(), 2u);
    auto* sw = dynamic_cast<OnOffButton*>(views[0]);
    auto* lamp = dynamic_cast<OnOffButton*>(views[1]);
    ASSERT_TRUE(sw && lamp);
    EXPECT_TRUE(sw->isOn() && lamp->isOn());

    click(centre(*sw));
    EXPECT_FALSE(sw->isOn());
    EXPECT_FALSE(lamp->isOn());
    EXPECT_EQ(handler.performed(kOn1L), std::vector<double>{0.0});
    click(centre(*lamp));
    EXPECT_TRUE(sw->isOn() && lamp->isOn());

    // Host automation: both move, and both are repainted.
    editor->takeDirty();
    controller->setParamNormalized(kOn1L, 0.0);
    editor->idle(20);
    EXPECT_FALSE(sw->isOn() || lamp->isOn());
    const ui::Rect dirty = editor->takeDirty();
    EXPECT_EQ(dirty.united(sw->frame()), dirty);
    EXPECT_EQ(dirty.united(lamp->frame()), dirty);
    editor->idle(30);
    EXPECT_TRUE(editor->takeDirty().empty());
}

TEST_F(EditorFixture, MenuOffersTheListEntries)
{
    auto* menu = viewOf<ui::OptionMenu>(kShape1L);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->entries(), (std::vector<std::string>{"Bell", "Low Cut", "High Cut"}));
    // The menu lies over the band's switch: a click in its lower half opens it too.
    const ui::Point upper{menu->frame().x + 30, menu->frame().y + 16};
    click(upper);
    ASSERT_TRUE(editor->popupOpen());
    // While the list is open, other controls do not respond.
    const double on = param(kOn2L);
    click(centre(*viewOf<OnOffButton>(kOn2L)));
    EXPECT_FALSE(editor->popupOpen());
    EXPECT_EQ(param(kOn2L), on);
    EXPECT_EQ(param(kShape1L), 0.0);

    click(upper);
    const ui::Rect f = menu->frame();
    click({f.x + 20, f.y + f.h + 2 + 18 * 2 + 9}); // third row
    EXPECT_FALSE(editor->popupOpen());
    EXPECT_EQ(param(kShape1L), 1.0);
    EXPECT_EQ(menu->selected(), 2);
    EXPECT_EQ(handler.performed(kShape1L), std::vector<double>{1.0});
    controller->setParamNormalized(kShape1L, 0.5);
    EXPECT_EQ(menu->selected(), 1);
}

TEST_F(EditorFixture, MetersLightSegmentsAndFallByTheirStep)
{
    auto* left = viewOf<ui::VuMeter>(VuMeterLeft);
    auto* right = viewOf<ui::VuMeter>(VUMeterRight);
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->segmentCount(), 27);
    EXPECT_EQ(right->segmentCount(), 100);
    controller->setParamNormalized(VuMeterLeft, 0.5);
    controller->setParamNormalized(VUMeterRight, 0.5);
    editor->idle(10);
    EXPECT_EQ(left->litSegments(), 14);
    EXPECT_EQ(right->litSegments(), 50);
    controller->setParamNormalized(VuMeterLeft, 0.0);
    editor->idle(20);
    EXPECT_EQ(left->litSegments(), 11); // 0.4 of 27
    for (int i = 0; i < 4; ++i) editor->idle(30 + i);
    EXPECT_EQ(left->litSegments(), 0);
    // Meters ignore the mouse.
    click(centre(*left));
    EXPECT_TRUE(handler.edits.empty());
}

TEST_F(EditorFixture, LitPeakLampIsClearedByAClick)
{
    controller->setParamNormalized(kLpeak, 1.0);
    editor->idle(10);
    auto* lamp = viewOf<OnOffButton>(kLpeak);
    EXPECT_TRUE(lamp->isOn());
    click(centre(*lamp));
    EXPECT_FALSE(lamp->isOn());
    EXPECT_EQ(handler.performed(kLpeak), std::vector<double>{0.0});
}

TEST_F(EditorFixture, TooltipShowsAfterARestAndGoesOnAnyInput)
{
    const ui::View* about = nullptr;
    for (const auto& v : editor->views())
        if (!v->tooltip().empty() && v->className() == "CTextButton") about = v.get();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->tooltip(),
              "KRV5200 RERUVEDA.\n\nAll other controls are disabled while the modal view is open.");

    const ui::Point p = centre(*about);
    auto tooltipPixel = [&] {
        editor->takeDirty();
        ui::Offscreen off(editor->width(), editor->height());
        editor->draw(off.canvas());
        return off.pixel(editor->width() - 10, static_cast<int>(p.y) + 24); // inside the box, past its text
    };
    auto isTooltipBackground = [](ui::Color c) {
        return c.r > 0.97 && c.g > 0.97 && c.b > 0.83 && c.b < 0.93;
    };
    EXPECT_FALSE(isTooltipBackground(tooltipPixel()));

    editor->idle(1000);
    editor->onMouse({MouseEvent::Kind::Move, p, 0, 0});
    editor->idle(1000 + 0.9 * ui::Editor::kTooltipDelayMs);
    EXPECT_EQ(editor->tooltipShown(), "");
    editor->idle(1000 + ui::Editor::kTooltipDelayMs);
    EXPECT_EQ(editor->tooltipShown(), about->tooltip());
    EXPECT_FALSE(editor->takeDirty().empty());
    EXPECT_TRUE(isTooltipBackground(tooltipPixel()));

    // Moving hides it; resting again shows it again.
    editor->onMouse({MouseEvent::Kind::Move, {p.x + 1, p.y}, 0, 0});
    EXPECT_EQ(editor->tooltipShown(), "");
    EXPECT_FALSE(isTooltipBackground(tooltipPixel()));
    editor->idle(3000);
    EXPECT_EQ(editor->tooltipShown(), about->tooltip());
    // A click hides it for good, until the pointer moves and rests again.
    click({p.x + 1, p.y});
    EXPECT_EQ(editor->tooltipShown(), "");
    editor->idle(6000);
    EXPECT_EQ(editor->tooltipShown(), "");
    click({5, 5}); // closes the splash the click opened
    ASSERT_FALSE(editor->splashOpen());

    // Leaving the window, wheels and keys cancel a rest; views without one show nothing.
    editor->onMouse({MouseEvent::Kind::Move, p, 0, 0});
    editor->onMouse({MouseEvent::Kind::Leave, p, 0, 0});
    editor->idle(9000);
    EXPECT_EQ(editor->tooltipShown(), "");
    editor->onMouse({MouseEvent::Kind::Move, p, 0, 0});
    editor->onWheel({p, 1});
    editor->idle(12000);
    EXPECT_EQ(editor->tooltipShown(), "");
    editor->onMouse({MouseEvent::Kind::Move, centre(*viewOf<AnimKnob>(kFreq2L)), 0, 0});
    editor->idle(15000);
    EXPECT_EQ(editor->tooltipShown(), "");
}

TEST_F(EditorFixture, SplashOpensFadesBlocksAndCloses)
{
    auto* button = viewOf<ui::TextButton>(kAbout);
    ASSERT_NE(button, nullptr);
    click(centre(*button));
    ASSERT_TRUE(editor->splashOpen());
    EXPECT_EQ(editor->splashAlpha(), 0.0);
    editor->idle(250);
    EXPECT_NEAR(editor->splashAlpha(), 0.5, 1e-9);
    editor->idle(800);
    EXPECT_EQ(editor->splashAlpha(), 1.0);

    // Everything else is inert while it is open.
    AnimKnob* knob = viewOf<AnimKnob>(kFreq1L);
    const double before = param(kFreq1L);
    editor->onWheel({centre(*knob), 3});
    editor->onKey({ui::Key::Character, '5'});
    EXPECT_TRUE(editor->splashOpen());
    EXPECT_EQ(param(kFreq1L), before);

    click(centre(*knob)); // a click on the picture closes it
    EXPECT_FALSE(editor->splashOpen());
    EXPECT_EQ(param(kFreq1L), before);
    EXPECT_FALSE(button->isOn());

    click(centre(*viewOf<OnOffButton>(kOn2L)));
    EXPECT_EQ(param(kOn2L), 0.0);
    // The about tag never reached the host.
    EXPECT_FALSE(handler.touched(kAbout));
}

TEST(EditorFailures, MissingDescriptionIsReportedNotFatal)
{
    namespace fs = std::filesystem;
    const fs::path empty = fs::temp_directory_path() / ("vosk_nodesc_" + std::to_string(::getpid()));
    fs::create_directories(empty);
    ui::Editor editor(nullptr, ui::ResourceFolder(empty.string()), "voskEditor.uidesc", "view");
    EXPECT_FALSE(editor.valid());
    EXPECT_NE(editor.error().find("voskEditor.uidesc"), std::string::npos);
    EXPECT_FALSE(editor.onMouse({MouseEvent::Kind::Down, {10, 10}}));
    ui::Offscreen off(editor.width(), editor.height());
    editor.draw(off.canvas());
    EXPECT_GT(off.pixel(1, 1).a, 0.0);

    ui::Editor noTemplate(nullptr, ui::ResourceFolder(resourcesFolder()), "voskEditor.uidesc", "other");
    EXPECT_FALSE(noTemplate.valid());
    fs::remove_all(empty);
}

TEST(EditorFailures, MissingImageLeavesOnlyItsViewsBare)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vosk_noknob_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(resourcesFolder())) {
        const std::string name = entry.path().filename().string();
        if (name == "TB304.png") continue;
        // Case changes do not matter.
        fs::copy_file(entry.path(), dir / (name == "led_Green.png" ? "LED_GREEN.PNG" : name));
    }
    auto* controller = new UIDescriptionController;
    controller->initialize(nullptr);
    {
        ui::Editor editor(controller, ui::ResourceFolder(dir.string()), "VOSKEDITOR.UIDESC", "view");
        ASSERT_TRUE(editor.valid()) << editor.error();
        for (ui::View* v : editor.viewsWithTag(kFreq1L))
            if (v->className() == "CAnimKnob") {
                EXPECT_EQ(v->bitmap(), nullptr);
            }
        for (ui::View* v : editor.viewsWithTag(kOn1L)) EXPECT_NE(v->bitmap(), nullptr);
        for (ui::View* v : editor.viewsWithTag(kInGain))
            if (v->className() == "CAnimKnob") {
                EXPECT_NE(v->bitmap(), nullptr);
            }
        ui::Offscreen off(editor.width(), editor.height());
        editor.draw(off.canvas());
    }
    controller->terminate();
    controller->release();
    fs::remove_all(dir);
}

} // namespace
} // namespace vosk::test
