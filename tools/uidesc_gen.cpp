// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the editor description (resource/voskEditor.uidesc) to stdout.
// The layout is regular (eight band strips of identical build), so it is
// generated rather than typed; the output is committed and a test keeps the
// two in step.
#include "source/parametertable.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Attrs = std::vector<std::pair<std::string, std::string>>;

struct View
{
    std::string cls;
    int x, y, w, h;
    Attrs attrs;
};

std::vector<View> views;

std::string xmlEscape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string pt(int a, int b)
{
    return std::to_string(a) + ", " + std::to_string(b);
}

void add(const std::string& cls, int x, int y, int w, int h, Attrs attrs, bool mouseEnabled = true)
{
    Attrs all{{"background-offset", "0, 0"}, {"mouse-enabled", mouseEnabled ? "true" : "false"}};
    all.insert(all.end(), attrs.begin(), attrs.end());
    views.push_back({cls, x, y, w, h, all});
}

using vosk::kParameters;

std::string name(uint32_t id)
{
    return kParameters[id].tagName;
}

// ch 0 is L, 1 is R.
std::string tag(uint32_t firstOfGroup, int band, int ch)
{
    return name(vosk::bandTag(firstOfGroup, band, ch));
}

// The parameter's default, written the way the description has it ("0.507", "1").
std::string defaultText(uint32_t id)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", kParameters[id].defaultValue);
    return text;
}

Attrs labelCommon()
{
    return {{"text-alignment", "center"}, {"round-rect-radius", "6"}, {"min-value", "0"},
            {"max-value", "1"},           {"default-value", "0.5"},   {"value-precision", "2"}};
}

void heading(int x, int y, int w, int h, const std::string& title, bool roundRect = false,
             const std::string& font = "~ SystemFont")
{
    Attrs a{{"title", title},
            {"font", font},
            {"font-color", "~ WhiteCColor"},
            {"back-color", "~ TransparentCColor"},
            {"frame-color", "~ WhiteCColor"},
            {"shadow-color", "~ RedCColor"},
            {"transparent", "false"},
            {"style-round-rect", roundRect ? "true" : "false"}};
    Attrs c = labelCommon();
    a.insert(a.end(), c.begin(), c.end());
    add("CTextLabel", x, y, w, h, a);
}

void unitLabel(int x, int y, int w, const std::string& title)
{
    Attrs a{{"title", title},
            {"font", "~ SystemFont"},
            {"font-color", "#ffffffff"},
            {"back-color", "#000000ff"},
            {"frame-color", "#000000ff"},
            {"shadow-color", "#ff0000ff"},
            {"transparent", "true"}};
    Attrs c = labelCommon();
    a.insert(a.end(), c.begin(), c.end());
    add("CTextLabel", x, y, w, 20, a);
}

void letterLabel(int x, int y, const std::string& title)
{
    Attrs a{{"title", title},
            {"font", "Poor"},
            {"font-color", "~ WhiteCColor"},
            {"back-color", "~ TransparentCColor"},
            {"frame-color", "~ TransparentCColor"},
            {"shadow-color", title == "F" ? "~ TransparentCColor" : "~ RedCColor"}};
    Attrs c = labelCommon();
    a.insert(a.end(), c.begin(), c.end());
    add("CTextLabel", x, y, 30, 30, a);
}

// A button of the top row, in the look the About button has always had.
void textButton(int x, int w, uint32_t id, const std::string& title, bool kick, const std::string& maxValue,
                const std::string& defaultValue, const Attrs& extra = {})
{
    Attrs a{{"control-tag", name(id)},
            {"title", title},
            {"kick-style", kick ? "true" : "false"},
            {"min-value", "0"},
            {"max-value", maxValue},
            {"default-value", defaultValue},
            {"font", "~ SystemFont"},
            {"text-color", "#000000ff"},
            {"text-color-highlighted", "#ffffffff"},
            {"gradient-start-color", "#dcdcdcff"},
            {"gradient-end-color", "#b4b4b4ff"},
            {"gradient-start-color-highlighted", "#b4b4b4ff"},
            {"gradient-end-color-highlighted", "#646464ff"},
            {"frame-color", "#000000ff"},
            {"frame-color-highlighted", "#000000ff"},
            {"frame-width", "2"},
            {"round-radius", "6"}};
    a.insert(a.end(), extra.begin(), extra.end());
    add("CTextButton", x, 10, w, 25, a);
}

void knob(int x, int y, int w, int h, uint32_t id, bool designer, const std::string& wheel)
{
    const std::string ctag = name(id);
    bool corona = ctag == "kFreq4R";
    bool circle = ctag == "kQ1L" || ctag == "kQ3L";
    const char* b = corona ? "true" : "false";
    Attrs a{{"control-tag", ctag},
            {"bitmap", designer ? "DESIGNER_KNOB" : "TB304"},
            {"sub-pixmaps", designer ? "31" : "66"},
            {"height-of-one-image", designer ? "69" : "70"},
            {"default-value", defaultText(id)},
            {"wheel-inc-value", wheel},
            {"angle-start", "135"},
            {"angle-range", "270"},
            {"zoom-factor", "1.5"},
            {"value-inset", "0"},
            {"min-value", "0"},
            {"max-value", "1"},
            {"corona-drawing", "false"},
            {"corona-inset", "0"},
            {"corona-color", "#ffffffff"},
            {"corona-dash-dot", b},
            {"corona-from-center", b},
            {"corona-inverted", b},
            {"corona-outline", b},
            {"handle-color", "#ffffffff"},
            {"handle-shadow-color", "#7f7f7fff"},
            {"handle-line-width", "1"},
            {"circle-drawing", circle ? "true" : "false"},
            {"transparent", "false"}};
    add("CAnimKnob", x, y, w, h, a);
}

void textEdit(int x, int y, int w, uint32_t id, const std::string& title)
{
    const std::string ctag = name(id);
    bool freq = ctag.rfind("kFreq", 0) == 0;
    std::string wheel = ctag == "kGain3R" ? "0.098" : ctag == "kFreq4R" ? "0.05" : "0.1";
    bool precision0 =
        ctag == "kQ1L" || ctag == "kQ3L" || ctag == "kBW1L" || ctag == "kBW2R" || ctag == "kBW3L";
    Attrs a{{"control-tag", ctag}};
    if (!title.empty()) a.push_back({"title", title});
    Attrs rest{{"default-value", defaultText(id)},
               {"font", "~ SystemFont"},
               {"font-color", "#ffffffff"},
               {"back-color", "#000000ff"},
               {"frame-color", "#000000ff"},
               {"shadow-color", "#ff0000ff"},
               {"transparent", "true"},
               {"text-alignment", "center"},
               {"text-inset", "0, 0"},
               {"round-rect-radius", "6"},
               {"style-3D-in", "false"},
               {"style-3D-out", "false"},
               {"style-no-frame", "false"},
               {"style-no-text", "false"},
               {"style-no-draw", "false"},
               {"style-shadow-text", "false"},
               {"style-round-rect", "false"},
               {"immediate-text-change", "false"},
               {"min-value", freq ? "0.001" : "0"},
               {"max-value", "1"},
               {"wheel-inc-value", wheel},
               {"value-precision", precision0 ? "0" : "2"}};
    a.insert(a.end(), rest.begin(), rest.end());
    add("CTextEdit", x, y, w, 20, a);
}

void onOff(int x, int y, int w, int h, const std::string& ctag, const std::string& bitmap)
{
    bool offDefault = ctag == "kLink" || ctag == "kLpeak" || ctag == "kRpeak";
    bool bigWheel = ctag == "kMidSide" || ctag == "kLink";
    add("COnOffButton", x, y, w, h,
        {{"control-tag", ctag},
         {"bitmap", bitmap},
         {"min-value", "0"},
         {"max-value", "1"},
         {"default-value", offDefault ? "0" : "1"},
         {"wheel-inc-value", bigWheel ? "1" : "0.1"},
         {"transparent", "false"}});
}

void optionMenu(int x, int y, const std::string& ctag, int ch)
{
    const char* edge = ch == 0 ? "~ GreyCColor" : "~ WhiteCColor";
    add("COptionMenu", x, y, 60, 20,
        {{"control-tag", ctag},
         {"min-value", "0"},
         {"max-value", "2"},
         {"default-value", "0"},
         {"menu-popup-style", "true"},
         {"menu-check-style", "true"},
         {"style-round-rect", "true"},
         {"round-rect-radius", "6"},
         {"font", "~ SystemFont"},
         {"font-color", "~ BlackCColor"},
         {"back-color", "~ WhiteCColor"},
         {"frame-color", edge},
         {"shadow-color", edge},
         {"text-alignment", "center"}});
}

void bandStrip(int band, int ch)
{
    static const int stripX[2][4] = {{100, 180, 260, 340}, {565, 640, 715, 790}};
    static const int headX[2][4] = {{105, 180, 260, 340}, {570, 645, 720, 795}};
    static const int switchXY[2][4][2] = {{{107, 100}, {182, 100}, {262, 104}, {342, 104}},
                                          {{572, 104}, {647, 104}, {722, 104}, {797, 104}}};
    static const int lampX[2][4] = {{125, 200, 280, 360}, {590, 665, 740, 815}};
    static const char* freqTitle[4] = {"88", "652", "1003", "12006"};
    static const char* bwTitle[4] = {"1.00", "0.10", "0.10", "0.70"};
    const int i = band - 1;
    const int x = stripX[ch][i];

    heading(headX[ch][i], 55, 60, 20, "BAND " + std::to_string(band));
    int switchH = ch == 0 ? (band <= 2 ? 60 : band == 4 ? 52 : 56) : 56;
    onOff(switchXY[ch][i][0], switchXY[ch][i][1], 56, switchH, tag(vosk::kOn1R, band, ch), "switch_toggle");
    int lampH = ch == 0 && (band == 1 || band == 3) ? 20 : 22;
    onOff(lampX[ch][i], 150, 22, lampH, tag(vosk::kOn1R, band, ch), "led_Green");
    // Over the switch, whose frame reaches into the menu's lower half: the
    // whole menu stays clickable.
    optionMenu(headX[ch][i], 90, tag(vosk::kShape1R, band, ch), ch);

    knob(x, 170, 70, 60, vosk::bandTag(vosk::kFreq1R, band, ch), false, "0.01");
    textEdit(x, 230, 51, vosk::bandTag(vosk::kFreq1R, band, ch), freqTitle[i]);
    unitLabel(x + 40, 230, 20, "Hz");
    knob(x, 260, 70, 60, vosk::bandTag(vosk::kBW1R, band, ch), false, "0.1");
    textEdit(x, 320, 70, vosk::bandTag(vosk::kBW1R, band, ch), bwTitle[i]);
    knob(x, 350, 70, 60, vosk::bandTag(vosk::kQ1R, band, ch), false, "0.1");
    textEdit(x, 410, 70, vosk::bandTag(vosk::kQ1R, band, ch), "20.0");
    knob(x, 440, 70, ch == 1 && band == 1 ? 70 : 60, vosk::bandTag(vosk::kGain1R, band, ch), false, "0.1");
    textEdit(x, 500, 51, vosk::bandTag(vosk::kGain1R, band, ch), "0.0");
    unitLabel(x + 40, 500, 20, "dB");

    // Letters sit beside the knobs and are drawn over them.
    const int letterX = ch == 0 ? x - 10 : x + 45;
    letterLabel(letterX, 170, "F");
    letterLabel(ch == 0 ? letterX : x + 55, 260, "BW");
    letterLabel(letterX, 350, "P");
    letterLabel(letterX, 440, "G");
}

void buildTemplate()
{
    for (auto [x, y] : {std::pair{0, 0}, {0, 530}, {984, 0}, {984, 530}})
        add("CView", x, y, 40, 40,
            {{"bitmap", "screw"}, {"transparent", x == 984 && y == 0 ? "false" : "true"}}, false);

    add("CTextLabel", 130, 10, 250, 30, [] {
        Attrs a{{"title", "Tarnwell Mastering Velmor"},
                {"font", "~ NormalFontVeryBig"},
                {"font-color", "~ WhiteCColor"},
                {"back-color", "~ TransparentCColor"},
                {"frame-color", "~ TransparentCColor"},
                {"shadow-color", "~ BlackCColor"},
                {"style-3D-in", "true"},
                {"style-3D-out", "true"},
                {"style-no-draw", "true"},
                {"style-shadow-text", "true"},
                {"style-round-rect", "true"}};
        Attrs c = labelCommon();
        a.insert(a.end(), c.begin(), c.end());
        return a;
    }());

    heading(20, 89, 70, 20, "LOW CUT", true);
    onOff(32, 104, 56, 56, name(vosk::kOnLoCut), "switch_toggle");
    onOff(50, 150, 22, 22, name(vosk::kOnLoCut), "led_Green");

    for (int band = 1; band <= 4; ++band) bandStrip(band, 0);

    heading(450, 30, 70, 20, "BYPASS", true, "Poor");
    onOff(457, 40, 56, 56, name(vosk::kBypass), "switch_toggle");
    onOff(474, 85, 22, 22, name(vosk::kBypass), "led_Green");

    heading(420, 120, 130, 20, "LEFT / MID");
    heading(420, 150, 60, 20, "GAIN");
    heading(490, 150, 60, 20, "SOLO");
    knob(420, 168, 69, 63, vosk::kLgain, true, "0.01");
    textEdit(420, 230, 51, vosk::kLgain, "");
    unitLabel(460, 230, 20, "dB");
    onOff(500, 190, 40, 30, name(vosk::kMuteSide), "SwitchYellow");

    heading(420, 290, 70, 20, "MID-SIDE");
    heading(500, 290, 40, 20, "LINK");
    onOff(435, 310, 40, 30, name(vosk::kMidSide), "SwitchRedd");
    onOff(500, 310, 40, 30, name(vosk::kLink), "SwitchYellow");

    heading(420, 390, 130, 20, "RIGHT / SIDE");
    heading(420, 420, 60, 20, "GAIN");
    heading(490, 420, 60, 20, "SOLO");
    knob(420, 440, 69, 63, vosk::kRgain, true, "0.1");
    textEdit(420, 500, 51, vosk::kRgain, "0.0");
    unitLabel(460, 500, 20, "dB");
    onOff(500, 460, 40, 30, name(vosk::kMuteMid), "SwitchYellow");

    for (int band = 1; band <= 4; ++band) bandStrip(band, 1);

    heading(870, 89, 70, 20, "HIGH CUT", true);
    onOff(871, 104, 56, 56, name(vosk::kOnHiCut), "switch_toggle");
    onOff(890, 150, 22, 22, name(vosk::kOnHiCut), "led_Green");

    // The splash comes first so that the button above it takes the clicks.
    add("CAnimationSplashScreen", 940, 10, 50, 25,
        {{"control-tag", name(vosk::kAbout)},
         {"splash-bitmap", "About"},
         {"splash-origin", "0, 0"},
         {"splash-size", "1024, 570"},
         {"animation-index", "0"},
         {"animation-time", "500"},
         {"min-value", "0"},
         {"max-value", "4"},
         {"default-value", "0.5"}});
    textButton(940, 50, vosk::kAbout, "About", true, "4", "0.5",
               {{"tooltip",
                 "KRV5200 RERUVEDA.\\n\\nAll other controls are disabled while the modal view is open."}});
    // The curve panel's button lights while the panel shows.
    textButton(872, 60, vosk::kCurvePanel, "CURVE", false, "1", "0");
    // Below the template's own area: the window grows by it while the panel shows.
    add("CurvePanel", 0, 570, 1024, 230,
        {{"control-tag", name(vosk::kCurvePanel)},
         {"min-value", "0"},
         {"max-value", "1"},
         {"default-value", "0"},
         {"font", "~ NormalFontSmall"},
         {"background-color", "#141619ff"},
         {"grid-color", "#ffffff24"},
         {"zero-line-color", "#ffffff50"},
         {"label-color", "#a0a4a8ff"},
         {"left-color", "#f2b33dff"},
         {"right-color", "#4fb3e8ff"},
         {"spectrum-input-color", "#8a8f9630"},
         {"spectrum-output-color", "#c8ccd270"},
         {"handle-text-color", "#101010ff"},
         {"solo-color", "#ffffffff"}});
    // Its listening tools, over it: they show and end with it.
    auto listening = [](const std::string& cls, int x, int w, Attrs own, uint32_t tag = vosk::kCurvePanel) {
        Attrs attrs{{"control-tag", name(tag)},
                    {"font", "~ NormalFontSmall"},
                    {"text-color", "#a0a4a8ff"},
                    {"frame-color", "#a0a4a8ff"},
                    {"off-color", "#00000080"},
                    {"lit-text-color", "#101010ff"}};
        attrs.insert(attrs.end(), own.begin(), own.end());
        add(cls, x, 586, w, 16, attrs);
    };
    listening("ListeningButton", 48, 52,
              {{"listen", "delta"}, {"title", "DELTA"}, {"on-color", "#e8845cff"},
               {"tooltip", "Hear only what the equaliser changes: the output less the input."}});
    listening("ListeningButton", 104, 64,
              {{"listen", "compare"}, {"title", "COMPARE"}, {"on-color", "#7fd08aff"},
               {"tooltip", "Hear the input at the processed loudness: hold, or click to keep it."}});
    listening("LoudnessReadout", 174, 110, {});
    // The phase chosen and the latency it gives, with the same look.
    listening(
        "PhaseSelector", 560, 124,
        {{"on-color", "#a0a4a8ff"},
         {"tooltip", "Linear: no phase shift, at the latency beside. Minimum: the same curve at no latency, "
                     "with no ringing before a transient. A change restarts the processor."}},
        vosk::kPhase);
    listening("LatencyReadout", 690, 150, {}, vosk::kPhase);
    listening("SoloButton", 862, 44,
              {{"title", "SOLO"}, {"on-color", "#ffffffff"},
               {"tooltip", "Hear the band last taken alone. Alt-click a dot to hear its band while held."}});

    onOff(945, 150, 20, 20, name(vosk::kLpeak), "led");
    onOff(965, 150, 20, 20, name(vosk::kRpeak), "led");
    unitLabel(950, 170, 12, "L");
    unitLabel(970, 170, 12, "R");
    for (int ch = 0; ch < 2; ++ch)
        add("CVuMeter", ch == 0 ? 950 : 970, 190, 12, 220,
            {{"control-tag", name(ch == 0 ? vosk::VuMeterLeft : vosk::VUMeterRight)},
             {"orientation", "vertical"},
             {"bitmap", "vu_on"},
             {"off-bitmap", "vu_off"},
             {"disabled-bitmap", "vu_off"},
             {"num-led", ch == 0 ? "27" : "100"},
             {"decrease-step-value", "0.1"},
             {"min-value", "0"},
             {"max-value", "1"},
             {"default-value", "0"}},
            false);

    heading(930, 420, 75, 25, "INPUT GAIN", true);
    knob(930, 440, 69, 69, vosk::kInGain, true, "0.1");
    textEdit(930, 500, 51, vosk::kInGain, "");
    unitLabel(970, 500, 20, "dB");
}

void element(const std::string& indent, const std::string& name, const Attrs& attrs)
{
    std::printf("%s<%s", indent.c_str(), name.c_str());
    for (const auto& [k, v] : attrs) std::printf(" %s=\"%s\"", k.c_str(), xmlEscape(v).c_str());
    std::printf("/>\n");
}

} // namespace

int main()
{
    buildTemplate();

    std::printf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    std::printf("<vstgui-ui-description version=\"1\">\n");
    std::printf("\t<fonts>\n");
    element("\t\t", "font", {{"name", "Poor"}, {"font-name", "Poor Richard"}, {"size", "14"}});
    std::printf("\t</fonts>\n");
    std::printf("\t<colors/>\n");

    std::printf("\t<template name=\"view\" class=\"CViewContainer\" origin=\"0, 0\" size=\"1024, 570\" "
                "bitmap=\"GUI_Edit\" background-color=\"#000000ff\" "
                "background-color-draw-style=\"filled and stroked\" mouse-enabled=\"true\" "
                "transparent=\"false\">\n");
    for (const View& v : views) {
        Attrs a{{"class", v.cls}, {"origin", pt(v.x, v.y)}, {"size", pt(v.w, v.h)}};
        a.insert(a.end(), v.attrs.begin(), v.attrs.end());
        element("\t\t", "view", a);
    }
    std::printf("\t</template>\n");

    std::printf("\t<custom>\n");
    element("\t\t", "attributes", {{"name", "FocusDrawing"}});
    element("\t\t", "attributes", {{"name", "UIGridController"}, {"Size", "10, 10"}});
    element("\t\t", "attributes", {{"name", "UITemplateController"}, {"SelectedTemplate", "view"}});
    element("\t\t", "attributes", {{"name", "UIAttributesController"}});
    element("\t\t", "attributes",
            {{"name", "UIEditController"},
             {"EditorSize", "0, 0, 1131, 778"},
             {"SplitViewSize_0_0", "0.8"},
             {"SplitViewSize_0_1", "0.2"},
             {"SplitViewSize_1_0", "0.5"},
             {"SplitViewSize_1_1", "0.5"},
             {"SplitViewSize_2_0", "0.25"},
             {"SplitViewSize_2_1", "0.75"},
             {"TabSwitchValue", "0"}});
    for (const char* source : {"UIViewCreatorDataSource", "UIBitmapsDataSource", "UITagsDataSource",
                               "UIColorsDataSource", "UIFontsDataSource"})
        element("\t\t", "attributes", {{"name", source}, {"SelectedRow", "0"}});
    element("\t\t", "attributes", {{"name", "VST3Editor"}, {"Path", "resource/voskEditor.uidesc"}});
    std::printf("\t</custom>\n");

    std::printf("\t<bitmaps>\n");
    static const char* bitmaps[][2] = {
#define VOSK_IMAGE(name, file) {name, file},
#include "images.def"
#undef VOSK_IMAGE
    };
    for (auto& b : bitmaps) element("\t\t", "bitmap", {{"name", b[0]}, {"path", b[1]}});
    std::printf("\t</bitmaps>\n");

    std::printf("\t<control-tags>\n");
    // In the order of numbers, but the master gains after the shape lists, as the
    // description has always listed them.
    std::vector<uint32_t> tags;
    for (const vosk::ParameterEntry& entry : kParameters) {
        if (entry.id == vosk::kLgain || entry.id == vosk::kRgain) continue;
        tags.push_back(entry.id);
        if (entry.id == vosk::kShape4L) tags.insert(tags.end(), {vosk::kLgain, vosk::kRgain});
    }
    for (uint32_t id : tags)
        element("\t\t", "control-tag", {{"name", name(id)}, {"tag", std::to_string(id)}});
    std::printf("\t</control-tags>\n");
    std::printf("</vstgui-ui-description>\n");
    return views.size() == 196 ? 0 : 1;
}
