// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The description as the runtime reads it, and the images the build lays out.
#include "editor/canvas.h"
#include "editorfixture.h"

#include <filesystem>
#include <fstream>

#include <unistd.h>
#include <map>
#include <set>

namespace vosk::test {
namespace {

using ui::Document;

Document loadDocument()
{
    auto bytes = ui::ResourceFolder(resourcesFolder()).read("voskEditor.uidesc");
    EXPECT_TRUE(bytes.has_value());
    std::string error;
    auto doc = ui::parseDocument(std::string(bytes->begin(), bytes->end()), error);
    EXPECT_TRUE(doc.has_value()) << error;
    return doc.value_or(Document{});
}

TEST(Document, TemplateHoldsTheViewsOfEveryClass)
{
    Document doc = loadDocument();
    const ui::TemplateDesc* t = doc.findTemplate("view");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->container.cls, "CViewContainer");
    EXPECT_EQ(t->container.get("size"), "1024, 570");
    EXPECT_EQ(t->container.get("bitmap"), "GUI_Edit");
    ASSERT_EQ(t->views.size(), 196u);

    std::map<std::string, int> classes;
    for (const auto& v : t->views) ++classes[v.cls];
    const std::map<std::string, int> expected{
        {"CAnimKnob", 35},      {"CTextEdit", 35},    {"COnOffButton", 28},          {"COptionMenu", 8},
        {"CVuMeter", 2},        {"CTextButton", 2},   {"CAnimationSplashScreen", 1}, {"CView", 4},
        {"CTextLabel", 74},     {"CurvePanel", 1},    {"ListeningButton", 2},        {"SoloButton", 1},
        {"LoudnessReadout", 1}, {"PhaseSelector", 1}, {"LatencyReadout", 1}};
    EXPECT_EQ(classes, expected);

    // Frames and tags of a few views that differ from their neighbours.
    auto find = [&](const std::string& cls, const std::string& tag) -> const ui::ViewDesc* {
        for (const auto& v : t->views)
            if (v.cls == cls && v.get("control-tag") == tag) return &v;
        return nullptr;
    };
    const ui::ViewDesc* gain1R = find("CAnimKnob", "kGain1R");
    ASSERT_NE(gain1R, nullptr);
    EXPECT_EQ(gain1R->get("origin"), "565, 440");
    EXPECT_EQ(gain1R->get("size"), "70, 70");
    const ui::ViewDesc* freq1L = find("CAnimKnob", "kFreq1L");
    ASSERT_NE(freq1L, nullptr);
    EXPECT_EQ(freq1L->get("origin"), "100, 170");
    EXPECT_EQ(freq1L->get("bitmap"), "TB304");
    EXPECT_EQ(freq1L->get("sub-pixmaps"), "66");
    const ui::ViewDesc* inGain = find("CAnimKnob", "kInGain");
    ASSERT_NE(inGain, nullptr);
    EXPECT_EQ(inGain->get("size"), "69, 69");
    EXPECT_EQ(inGain->get("bitmap"), "DESIGNER_KNOB");
    const ui::ViewDesc* right = find("CVuMeter", "VUMeterRight");
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->get("num-led"), "100");
    EXPECT_EQ(right->get("mouse-enabled"), "false");
    const ui::ViewDesc* freqField = find("CTextEdit", "kFreq4R");
    ASSERT_NE(freqField, nullptr);
    EXPECT_EQ(freqField->get("min-value"), "0.001");
    EXPECT_EQ(freqField->get("wheel-inc-value"), "0.05");
    EXPECT_EQ(freqField->get("title"), "12006");
}

TEST(Document, ControlTagsBitmapsAndFonts)
{
    Document doc = loadDocument();
    ASSERT_EQ(doc.controlTags.size(), 82u);
    std::set<int> numbers;
    for (const auto& [name, number] : doc.controlTags) numbers.insert(number);
    EXPECT_EQ(numbers.size(), 82u);
    EXPECT_EQ(*numbers.rbegin(), 81);
    EXPECT_EQ(doc.controlTags[0], (std::pair<std::string, int>{"kBypass", 0}));
    EXPECT_EQ(doc.controlTags[68], (std::pair<std::string, int>{"kAbout", 70}));
    EXPECT_EQ(doc.controlTags[77], (std::pair<std::string, int>{"kLgain", 68}));
    EXPECT_EQ(doc.tagNumber("kFreq1L"), std::optional<int>(24));
    EXPECT_EQ(doc.tagNumber("kShape1R"), std::optional<int>(71));
    EXPECT_EQ(doc.tagNumber("kPhase"), std::optional<int>(81));
    EXPECT_EQ(doc.tagNumber("kNoSuchTag"), std::nullopt);

    ASSERT_EQ(doc.bitmaps.size(), 27u);
    EXPECT_EQ(doc.bitmaps.front().first, "tarnwell1");
    EXPECT_EQ(doc.bitmaps[9].first, "led_purple");
    EXPECT_EQ(doc.bitmaps.back(), (std::pair<std::string, std::string>{"GUI_Edit", "GUI_Edit.png"}));

    ASSERT_EQ(doc.fonts.size(), 1u);
    EXPECT_EQ(doc.font("Poor").family, "Poor Richard");
    EXPECT_EQ(doc.font("Poor").size, 14);
    EXPECT_EQ(doc.font("~ NormalFontVeryBig").size, 18);
}

TEST(Document, EveryImageHasItsSizeAndFormat)
{
    const std::map<std::string, std::pair<int, int>> sizes{
        {"tarnwell1.png", {145, 33}},     {"slider_bkg_vert.bmp", {18, 130}},
        {"slider_handle.png", {12, 22}},  {"vu_off.bmp", {12, 220}},
        {"vu_on.bmp", {12, 220}},         {"About.png", {1024, 570}},
        {"knob_66_black.png", {66, 660}}, {"led.png", {22, 44}},
        {"led_Green.png", {22, 44}},      {"led_purple.png", {22, 44}},
        {"led_Turk.png", {22, 44}},       {"led_Orange.png", {22, 44}},
        {"led_Yellow.png", {22, 44}},     {"switch_toggle.png", {56, 112}},
        {"screw.png", {40, 40}},          {"dark-metal6RU.jpg", {3000, 1662}},
        {"big_button.png", {128, 256}},   {"PowerSwitch2013.png", {68, 200}},
        {"TB304.png", {70, 4620}},        {"SwitchYellow.png", {42, 61}},
        {"SwitchRedd.png", {42, 61}},     {"AnalogVU.png", {120, 3120}},
        {"Slider51.png", {32, 288}},      {"LRBOUTONS.png", {100, 56}},
        {"MSbuttonSmall.png", {70, 42}},  {"DESIGNER_KNOB.png", {69, 2139}},
        {"GUI_Edit.png", {1024, 566}}};
    Document doc = loadDocument();
    ui::ResourceFolder folder(resourcesFolder());
    for (const auto& [name, path] : doc.bitmaps) {
        SCOPED_TRACE(path);
        auto bytes = folder.read(path);
        ASSERT_TRUE(bytes.has_value());
        // The file is what its name says, not a PNG under another suffix.
        const std::string ext = path.substr(path.rfind('.') + 1);
        const std::string magic(bytes->begin(), bytes->begin() + 4);
        if (ext == "bmp") {
            EXPECT_EQ(magic.substr(0, 2), "BM");
        } else if (ext == "jpg") {
            EXPECT_EQ(magic.substr(0, 3), "\xff\xd8\xff");
        } else {
            EXPECT_EQ(magic, "\x89PNG");
        }
        auto image = ui::loadImage(*bytes);
        ASSERT_NE(image, nullptr);
        ASSERT_TRUE(sizes.count(path));
        EXPECT_EQ(image->width(), sizes.at(path).first);
        EXPECT_EQ(image->height(), sizes.at(path).second);
    }
}

TEST(Document, ParsingRejectsBrokenInput)
{
    std::string error;
    EXPECT_FALSE(ui::parseDocument("<vstgui-ui-description version=\"1\"><template", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ui::parseDocument("<other/>", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ui::parseDocument(
        "<vstgui-ui-description><control-tags><control-tag name=\"a\" tag=\"x\"/></control-tags>"
        "</vstgui-ui-description>",
        error));

    EXPECT_FALSE(ui::parsePoint("12"));
    EXPECT_FALSE(ui::parsePoint("a, 2"));
    EXPECT_EQ(ui::parsePoint("3, 4")->y, 4);
    EXPECT_FALSE(ui::parseColor("#12345"));
    EXPECT_FALSE(ui::parseColor("#gg0000ff"));
    EXPECT_EQ(ui::parseColor("~ TransparentCColor")->a, 0);
    auto c = ui::parseColor("#ff800040");
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->g, 128 / 255.0);
    EXPECT_DOUBLE_EQ(c->a, 64 / 255.0);
}

TEST(Resources, LookupIgnoresCaseButNotTheBaseName)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vosk_resources_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream(dir / "tb304.PNG") << "x";
    }
    ui::ResourceFolder folder(dir.string());
    EXPECT_TRUE(folder.read("TB304.png").has_value());
    EXPECT_FALSE(folder.read("TB305.png").has_value());
    EXPECT_FALSE(folder.read("../" + dir.filename().string() + "/tb304.PNG").has_value());
    fs::remove_all(dir);
}

} // namespace
} // namespace vosk::test
