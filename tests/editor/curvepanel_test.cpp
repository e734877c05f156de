// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve panel of the built bundle's editor: the response it draws against
// `vosk response`, its handles as a host records them, the window it asks the
// host for and the state that keeps it open.
#include "cli/analysis.h"
#include "editor/curvepanel.h"
#include "editor/editor.h"
#include "editor/listeningviews.h"
#include "editor/phaseviews.h"
#include "editor/plugview.h"
#include "hosting/componenthandler.h"
#include "hosting/hostedplugin.h"
#include "source/controller.h"
#include "source/listeningmessages.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace Steinberg;

namespace vosk {
namespace {

const std::string kResources = std::string(VOSK_BUNDLE_PATH) + "/Contents/Resources";

ui::CurvePanel* panelOf(ui::Editor& editor)
{
    for (const auto& v : editor.views())
        if (auto* panel = dynamic_cast<ui::CurvePanel*>(v.get())) return panel;
    return nullptr;
}

constexpr ui::Point kCurveButton{902, 22};

void click(ui::Editor& editor, ui::Point p, int clicks = 1)
{
    editor.onMouse({ui::MouseEvent::Kind::Down, p, 1, 0, clicks});
    editor.onMouse({ui::MouseEvent::Kind::Up, p, 1, 0, clicks});
}

struct CurveCase
{
    const char* name;
    double rate;
    int32_t fftSize;
    std::vector<std::pair<uint32_t, double>> values; // normalised, in this order
};

double hz(double f)
{
    return normFromFrequency(f);
}

double db(double d)
{
    return bandGainNormFromDb(d);
}

const double kUnlinked = switchValue(kLink, false);

const CurveCase kCurveCases[] = {
    {"defaults", 48000, 16384, {}},
    {"bells, gains, unlinked",
     44100,
     16384,
     {{kLink, kUnlinked},
      {kOn1L, 1},
      {kFreq1L, hz(120)},
      {kGain1L, db(5)},
      {kBW1L, 0.05},
      {kOn3R, 1},
      {kFreq3R, hz(2500)},
      {kGain3R, db(-4)},
      {kQ3R, 0.3},
      {kInGain, 0.3},
      {kLgain, 0.2}}},
    {"mid/side",
     48000,
     16384,
     {{kLink, kUnlinked},
      {kMidSide, switchValue(kMidSide, true)},
      {kOn2L, 1},
      {kFreq2L, hz(300)},
      {kGain2L, db(-3)},
      {kOn4R, 1},
      {kFreq4R, hz(8000)},
      {kGain4R, db(4)}}},
    {"band cuts, fixed low cut off, 32768 points at 96 kHz",
     96000,
     32768,
     {{kFftSizeMenu, listValueOfFftSize(32768)},
      {kLink, kUnlinked},
      {kOnLoCut, 0},
      {kShape1L, listValueOfShape(ShapeLowCut)},
      {kOn1L, 1},
      {kFreq1L, hz(80)},
      {kShape4R, listValueOfShape(ShapeHighCut)},
      {kOn4R, 1},
      {kFreq4R, hz(6000)}}},
    {"linked bass bell, 65536 points",
     48000,
     65536,
     {{kFftSizeMenu, listValueOfFftSize(65536)}, {kOn1L, 1}, {kFreq1L, hz(40)}, {kGain1L, db(6)}}},
};

// The panel's curve at 30 of its frequencies equals what `vosk response`
// measures through the plug-in after the processor was set up for it.
constexpr double kRoundingFloorDb = -60;

TEST(CurvePanel, DrawsTheResponseThatVoskResponseMeasures)
{
    for (const CurveCase& c : kCurveCases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto plugin = HostedPlugin::load(VOSK_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        for (const auto& [id, value] : c.values) plugin->setParameter(id, value);

        const std::vector<double> grid = logFrequencies(20, 20000, 256);
        std::vector<size_t> picked;
        std::vector<double> freqs;
        for (int i = 0; i < 30; ++i) {
            picked.push_back(static_cast<size_t>(std::lround(i * 255.0 / 29)));
            freqs.push_back(grid[picked.back()]);
        }
        Response measured;
        ASSERT_TRUE(measureResponse(*plugin, c.rate, freqs, measured, error)) << error;

        ui::Editor editor(plugin->controller(), ui::ResourceFolder(kResources), "voskEditor.uidesc", "view");
        ASSERT_TRUE(editor.valid()) << editor.error();
        ui::CurvePanel* panel = panelOf(editor);
        ASSERT_TRUE(panel);
        click(editor, kCurveButton);
        ASSERT_TRUE(panel->isOpen());
        EXPECT_EQ(panel->sampleRate(), c.rate);
        EXPECT_EQ(panel->fftSize(), c.fftSize);
        ASSERT_EQ(panel->frequencies(), grid);
        EXPECT_EQ(panel->midSide(), measured.curves[0].label == "mid");
        for (int channel = 0; channel < 2; ++channel)
            for (size_t k = 0; k < picked.size(); ++k) {
                const double drawn = panel->curveDb(channel)[picked[k]];
                const double played = measured.curves[channel].magnitudeDb[k];
                // Far below the panel, the processor's own rounding is what is measured.
                if (played < kRoundingFloorDb)
                    EXPECT_LT(drawn, ui::CurvePanel::kMinDb)
                        << "channel " << channel << " at " << freqs[k] << " Hz";
                else
                    EXPECT_NEAR(drawn, played, 0.01) << "channel " << channel << " at " << freqs[k] << " Hz";
            }
    }
}

// The real controller, a recording host and an editor with its panel open.
class PanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A host context, so that the controller's messages reach a peer. The SDK's
        // host application counts no references: one lives for the whole process.
        static Vst::HostApplication hostContext;
        ASSERT_EQ(controller->initialize(static_cast<Vst::IHostApplication*>(&hostContext)), kResultOk);
        controller->setComponentHandler(&handler);
        editor = std::make_unique<ui::Editor>(controller, ui::ResourceFolder(kResources), "voskEditor.uidesc",
                                              "view");
        ASSERT_TRUE(editor->valid()) << editor->error();
        panel = panelOf(*editor);
        ASSERT_TRUE(panel);
        click(*editor, kCurveButton);
        ASSERT_TRUE(panel->isOpen());
        // Unlinked, with every band off: each test turns on what it needs.
        controller->setParamNormalized(kLink, kUnlinked);
        for (int channel = 0; channel < 2; ++channel)
            for (int band = 1; band <= 4; ++band)
                controller->setParamNormalized(bandTag(kOn1R, band, channel), 0);
        editor->idle(0);
    }
    void TearDown() override
    {
        editor.reset();
        controller->terminate();
        controller->release();
    }
    std::vector<ParameterEdit> editsSince(size_t mark) const
    {
        return {handler.edits.begin() + static_cast<std::ptrdiff_t>(mark), handler.edits.end()};
    }

    UIDescriptionController* controller = new UIDescriptionController;
    RecordingComponentHandler handler;
    std::unique_ptr<ui::Editor> editor;
    ui::CurvePanel* panel = nullptr;
};

TEST_F(PanelTest, DraggingAHandleEditsItsBandAsTheHostRecordsItAndTheWheelItsWidth)
{
    controller->setParamNormalized(kOn2L, 1);
    controller->setParamNormalized(kFreq2L, hz(500));
    controller->setParamNormalized(kGain2L, db(0));
    editor->idle(0);
    EXPECT_FALSE(panel->handle(0, 1)) << "a band that is off has no handle";
    const auto dot = panel->handle(0, 2);
    ASSERT_TRUE(dot);
    EXPECT_NEAR(dot->x, panel->xOf(500), 0.5);

    // A drag to the right and up: higher and louder, in one gesture per parameter.
    const double rightBand = controller->getParamNormalized(kFreq2R);
    size_t mark = handler.edits.size();
    editor->onMouse({ui::MouseEvent::Kind::Down, *dot, 1, 0});
    for (int step = 1; step <= 5; ++step)
        editor->onMouse({ui::MouseEvent::Kind::Move, {dot->x + 20 * step, dot->y - 8 * step}, 1, 0});
    editor->onMouse({ui::MouseEvent::Kind::Up, {dot->x + 100, dot->y - 40}, 1, 0});
    auto edits = editsSince(mark);
    ASSERT_GE(edits.size(), 14u);
    EXPECT_EQ(edits.front().kind, ParameterEdit::Begin);
    EXPECT_EQ(edits[1].kind, ParameterEdit::Begin);
    EXPECT_EQ(edits.back().kind, ParameterEdit::End);
    EXPECT_EQ(edits[edits.size() - 2].kind, ParameterEdit::End);
    for (const ParameterEdit& e : edits) EXPECT_TRUE(e.id == kFreq2L || e.id == kGain2L) << e.id;
    const double plotDecades = 3.0 * 100 / panel->plotArea().w;
    EXPECT_NEAR(frequencyFromNorm<double>(static_cast<float>(controller->getParamNormalized(kFreq2L))),
                500 * std::pow(10.0, plotDecades), 2);
    EXPECT_NEAR(controller->getParamNormalized(kGain2L), db(40 * 24 / panel->plotArea().h), 1e-3);
    EXPECT_EQ(controller->getParamNormalized(kFreq2R), rightBand) << "unlinked: the right band stays";

    // The wheel over the dot widens the band by a step of its list.
    editor->idle(0);
    const auto moved = panel->handle(0, 2);
    ASSERT_TRUE(moved);
    const double width = controller->getParamNormalized(kBW2L);
    mark = handler.edits.size();
    EXPECT_TRUE(editor->onWheel({*moved, 2, 0}));
    edits = editsSince(mark);
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[0].kind, ParameterEdit::Begin);
    EXPECT_EQ(edits[1].kind, ParameterEdit::Perform);
    EXPECT_EQ(edits[2].kind, ParameterEdit::End);
    for (const ParameterEdit& e : edits) EXPECT_EQ(e.id, kBW2L);
    EXPECT_NEAR(controller->getParamNormalized(kBW2L), width + 2.0 / kWidthSteps, 1e-9);

    // A double click brings its gain back to 0 dB.
    click(*editor, *moved, 2);
    EXPECT_EQ(controller->getParamNormalized(kGain2L), db(0));
}

TEST_F(PanelTest, TheLegendChoosesWhichChannelsDotsTakeThePointer)
{
    controller->setParamNormalized(kOn3R, 1);
    editor->idle(0);
    const auto dot = panel->handle(1, 3);
    ASSERT_TRUE(dot);
    EXPECT_EQ(panel->pointerChannel(), 0);
    size_t mark = handler.edits.size();
    EXPECT_FALSE(editor->onWheel({*dot, 1, 0})) << "the left channel's dots take the pointer";
    EXPECT_EQ(handler.edits.size(), mark);

    const ui::Rect right = panel->legendArea(1);
    click(*editor, {right.x + right.w / 2, right.y + right.h / 2});
    EXPECT_EQ(panel->pointerChannel(), 1);
    EXPECT_TRUE(editor->onWheel({*dot, 1, 0}));
    ASSERT_FALSE(handler.edits.empty());
    EXPECT_EQ(handler.edits.back().id, kBW3R);
}

TEST_F(PanelTest, TheCurveFollowsAChangeFromTheHostAtTheNextTickAndRepaintsOnlyThen)
{
    const std::vector<double> before = panel->curveDb(0);
    editor->takeDirty();
    editor->idle(0);
    EXPECT_TRUE(editor->takeDirty().empty()) << "nothing changed, nothing to paint";

    controller->setParamNormalized(kOn1L, 1);
    controller->setParamNormalized(kGain1L, db(6));
    editor->idle(0);
    EXPECT_NE(panel->curveDb(0), before);
    EXPECT_EQ(panel->curveDb(1), before);
    const ui::Rect dirty = editor->takeDirty();
    EXPECT_EQ(dirty.united(panel->frame()), dirty);
}

// A spectrum source that counts what it is asked, with a flat picture once ready.
class FakeSpectrum : public ui::SpectrumSource
{
public:
    void setSpectrumWanted(bool w) override { wanted.push_back(w); }
    bool latestSpectrum(ui::SpectrumPicture& picture) override
    {
        ++asked;
        if (!ready) return false;
        picture.channels = 1;
        for (int i = 0; i < ui::SpectrumPicture::kPoints; ++i) {
            picture.inputDb[0][i] = -30;
            picture.outputDb[0][i] = -20;
        }
        return true;
    }
    std::vector<bool> wanted;
    int asked = 0;
    bool ready = false;
};

TEST_F(PanelTest, AsksForTheSpectrumOnlyWhileOpenAndDrawsItBehindTheCurve)
{
    FakeSpectrum source;
    editor->setSpectrumSource(&source); // as the plug-in does, after the view is built
    editor->idle(0);
    EXPECT_EQ(source.wanted, std::vector<bool>{true});
    const auto picture = [this] {
        return ui::drawPng(1024, 800, [this](ui::Canvas& c) { editor->draw(c); });
    };
    const std::vector<uint8_t> without = picture();

    source.ready = true;
    editor->takeDirty();
    editor->idle(0);
    EXPECT_EQ(editor->takeDirty(), panel->frame()) << "a new frame repaints the panel alone";
    EXPECT_NE(picture(), without);

    click(*editor, kCurveButton);
    EXPECT_FALSE(panel->isOpen());
    EXPECT_EQ(source.wanted, (std::vector<bool>{true, false}));
    const int asked = source.asked;
    editor->idle(0);
    EXPECT_EQ(source.asked, asked) << "nothing is asked while the panel is closed";
    editor->setSpectrumSource(nullptr);
}

ui::Point centreOf(const ui::View& view)
{
    return {view.frame().x + view.frame().w / 2, view.frame().y + view.frame().h / 2};
}

// The listening tools as the engineer uses them: Alt on a dot solos its band
// while held, SOLO latches the band last taken and a press on another dot moves
// it there, DELTA toggles, COMPARE plays while held or stays after a click, the
// readout shows the difference the processor reports; closing the panel or the
// editor ends everything.
// Records whether the processor is asked to measure the loudnesses.
class LoudnessPeer : public Vst::IConnectionPoint
{
public:
    tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(Vst::IMessage* message) override
    {
        int64 on = -1;
        if (std::string(message->getMessageID()) == kLoudnessWantedMessage &&
            message->getAttributes()->getInt(kLoudnessWantedAttribute, on) == kResultOk)
            wanted.push_back(on != 0);
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    std::vector<bool> wanted;
};

TEST_F(PanelTest, ListeningToolsFollowTheirGesturesAndEndWithThePanelAndTheEditor)
{
    FUnknownPtr<IListeningHost> host(static_cast<Vst::IEditController*>(controller));
    ASSERT_TRUE(host);
    LoudnessPeer processor;
    ASSERT_EQ(controller->connect(&processor), kResultOk);
    const auto heard = [&] { return ui::ListeningView::current(host); };
    const auto view = [&](const std::string& cls, const std::string& listen = "") -> const ui::View* {
        for (const auto& v : editor->views())
            if (v->className() == cls && v->desc().get("listen") == listen) return v.get();
        return nullptr;
    };
    const ui::View* solo = view("SoloButton");
    const ui::View* delta = view("ListeningButton", "delta");
    const ui::View* compare = view("ListeningButton", "compare");
    const auto* readout = dynamic_cast<const ui::LoudnessReadout*>(view("LoudnessReadout"));
    ASSERT_TRUE(solo && delta && compare && readout);
    for (uint32_t id : {kOn2L, kOn3L}) controller->setParamNormalized(id, 1);
    controller->setParamNormalized(kFreq2L, hz(300));
    controller->setParamNormalized(kFreq3L, hz(3000));
    editor->idle(0);
    const auto dot2 = panel->handle(0, 2), dot3 = panel->handle(0, 3);
    ASSERT_TRUE(dot2 && dot3);

    editor->onMouse({ui::MouseEvent::Kind::Down, *dot2, 1, ui::kAlt});
    EXPECT_EQ(heard(), (ListeningRequest{2, 0, false, false}));
    editor->onMouse({ui::MouseEvent::Kind::Up, *dot2, 1, ui::kAlt});
    EXPECT_FALSE(heard().any());

    click(*editor, centreOf(*solo));
    EXPECT_EQ(heard(), (ListeningRequest{2, 0, false, false})) << "the band last taken";
    click(*editor, *dot3);
    EXPECT_EQ(heard(), (ListeningRequest{3, 0, false, false}));
    click(*editor, centreOf(*solo));
    EXPECT_FALSE(heard().any());

    click(*editor, centreOf(*delta));
    EXPECT_EQ(heard(), (ListeningRequest{0, 0, true, false}));
    click(*editor, centreOf(*compare));
    EXPECT_EQ(heard(), (ListeningRequest{0, 0, true, true})) << "a click keeps the comparison";
    click(*editor, centreOf(*compare));
    click(*editor, centreOf(*delta));
    EXPECT_FALSE(heard().any());
    editor->idle(1000);
    editor->onMouse({ui::MouseEvent::Kind::Down, centreOf(*compare), 1, 0});
    EXPECT_TRUE(heard().compare);
    editor->idle(1000 + ui::ListeningButton::kHoldMs);
    editor->onMouse({ui::MouseEvent::Kind::Up, centreOf(*compare), 1, 0});
    EXPECT_FALSE(heard().compare) << "a held comparison ends with the press";

    IPtr<Vst::HostMessage> loudness(new Vst::HostMessage, false);
    loudness->setMessageID(kLoudnessMessage);
    loudness->getAttributes()->setFloat(kLoudnessDifferenceAttribute, 1.43);
    ASSERT_EQ(controller->notify(loudness), kResultOk);
    editor->idle(2000);
    EXPECT_EQ(readout->text(), "EQ +1.4 LU");

    click(*editor, centreOf(*solo));
    click(*editor, centreOf(*delta));
    EXPECT_EQ(heard(), (ListeningRequest{3, 0, true, false}));
    click(*editor, kCurveButton);
    EXPECT_FALSE(heard().any()) << "the panel closed";
    // The panel opened before the processor's end was connected, and asked then.
    EXPECT_EQ(processor.wanted, std::vector<bool>{false}) << "measured while the panel shows";
    click(*editor, kCurveButton);
    click(*editor, centreOf(*delta));
    EXPECT_TRUE(heard().delta);
    editor->idle(3000);
    editor.reset();
    EXPECT_FALSE(heard().any()) << "the editor closed";
    EXPECT_EQ(processor.wanted, (std::vector<bool>{false, true, false}));
    controller->disconnect(&processor);
}

// The selector sets the phase as a host records it; the host restarts the processor
// as the controller asks, and the latency shown is the one the processor then
// reports, at the rate it plays.
TEST(CurvePanel, ThePhaseSelectorSetsThePhaseAndTheLatencyShownFollowsIt)
{
    std::string error;
    auto plugin = HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->start(48000, 512, 2, error, false)) << error;
    ui::Editor editor(plugin->controller(), ui::ResourceFolder(kResources), "voskEditor.uidesc", "view");
    ASSERT_TRUE(editor.valid()) << editor.error();
    click(editor, kCurveButton);
    editor.idle(0);
    ui::PhaseSelector* selector = nullptr;
    ui::LatencyReadout* readout = nullptr;
    for (const auto& v : editor.views()) {
        if (auto* found = dynamic_cast<ui::PhaseSelector*>(v.get())) selector = found;
        if (auto* found = dynamic_cast<ui::LatencyReadout*>(v.get())) readout = found;
    }
    ASSERT_TRUE(selector && readout);
    EXPECT_EQ(readout->text(), "12288 smp \xC2\xB7 256.0 ms");

    const struct
    {
        int segment;
        double value;
        const char* shown;
    } steps[] = {{1, 1.0, "0 smp \xC2\xB7 0.0 ms"},
                 {1, 1.0, "0 smp \xC2\xB7 0.0 ms"},
                 {0, 0.0, "12288 smp \xC2\xB7 256.0 ms"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.shown);
        const ui::Rect box = selector->segment(step.segment);
        click(editor, {box.x + box.w / 2, box.y + box.h / 2});
        editor.idle(0);
        EXPECT_EQ(plugin->normalizedValue(kPhase), step.value);
        EXPECT_EQ(plugin->latencySamples(), step.value == 1.0 ? 0u : 12288u) << "the host restarted it";
        EXPECT_EQ(readout->text(), step.shown);
    }
    std::vector<double> performed;
    for (const auto& e : plugin->editsReceived())
        if (e.kind == ParameterEdit::Perform && e.id == kPhase) performed.push_back(e.value);
    EXPECT_EQ(performed, (std::vector<double>{1.0, 0.0})) << "a click on the entry chosen is no edit";
}

// A host whose frame resizes as asked, or refuses.
class Frame : public IPlugFrame
{
public:
    explicit Frame(bool agree) : agree_(agree) {}
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
    {
        requests.push_back(*newSize);
        if (!agree_) return kResultFalse;
        ViewRect size = *newSize;
        view->checkSizeConstraint(&size);
        view->onSize(&size);
        return kResultTrue;
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    std::vector<ViewRect> requests;

private:
    bool agree_;
};

TEST(CurvePanelView, AsksTheHostToGrowTheWindowAndStaysClosedWhenItRefuses)
{
    for (bool agree : {true, false}) {
        for (double scale : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(agree ? "agreeing" : "refusing") + " host at scale " +
                         std::to_string(scale));
            auto* controller = new UIDescriptionController;
            ASSERT_EQ(controller->initialize(nullptr), kResultOk);
            {
                IPtr<ui::EditorPlugView> view = owned(new ui::EditorPlugView(
                    controller, ui::ResourceFolder(kResources), "voskEditor.uidesc", "view"));
                ASSERT_EQ(view->setContentScaleFactor(static_cast<float>(scale)), kResultTrue);
                Frame frame(agree);
                view->setFrame(&frame);
                view->pointerDown({kCurveButton.x, kCurveButton.y});
                view->pointerUp({kCurveButton.x, kCurveButton.y});
                ASSERT_EQ(frame.requests.size(), 1u);
                EXPECT_EQ(frame.requests[0].getWidth(), std::lround(1024 * scale));
                EXPECT_EQ(frame.requests[0].getHeight(), std::lround(800 * scale));
                ViewRect size;
                view->getSize(&size);
                EXPECT_EQ(size.getHeight(), std::lround((agree ? 800 : 570) * scale));
                EXPECT_EQ(view->editor().height(), agree ? 800 : 570);
                EXPECT_EQ(panelOf(view->editor())->isOpen(), agree);
                EXPECT_EQ(view->editor().binding(kCurvePanel)->value(), agree ? 1.0 : 0.0)
                    << "the button's light";
                EXPECT_EQ(controller->curvePanelOpen(), agree);
                view->setFrame(nullptr);
            }
            controller->terminate();
            controller->release();
        }
    }
}

TEST(CurvePanelState, OpenTravelsWithTheControllerStateAndOldStatesLoadClosed)
{
    auto* saved = new UIDescriptionController;
    ASSERT_EQ(saved->initialize(nullptr), kResultOk);
    {
        ui::Editor editor(saved, ui::ResourceFolder(kResources), "voskEditor.uidesc", "view");
        click(editor, kCurveButton);
        ASSERT_TRUE(panelOf(editor)->isOpen());
    }
    IPtr<MemoryStream> state(new MemoryStream(), false);
    ASSERT_EQ(saved->getState(state), kResultOk);

    auto* restored = new UIDescriptionController;
    ASSERT_EQ(restored->initialize(nullptr), kResultOk);
    state->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(restored->setState(state), kResultOk);
    {
        ui::Editor editor(restored, ui::ResourceFolder(kResources), "voskEditor.uidesc", "view");
        EXPECT_TRUE(panelOf(editor)->isOpen());
        EXPECT_EQ(editor.height(), 800);
        EXPECT_EQ(editor.binding(kCurvePanel)->value(), 1.0);
        // Closing it is kept too.
        click(editor, kCurveButton);
        EXPECT_EQ(editor.height(), 570);
    }
    EXPECT_FALSE(restored->curvePanelOpen());

    // A project saved before the panel existed holds no controller state.
    IPtr<MemoryStream> empty(new MemoryStream(), false);
    saved->setCurvePanelOpen(true);
    ASSERT_EQ(saved->setState(empty), kResultOk);
    EXPECT_FALSE(saved->curvePanelOpen());
    {
        ui::Editor editor(saved, ui::ResourceFolder(kResources), "voskEditor.uidesc", "view");
        EXPECT_FALSE(panelOf(editor)->isOpen());
        EXPECT_EQ(editor.height(), 570);
    }
    for (auto* c : {saved, restored}) {
        c->terminate();
        c->release();
    }
}

} // namespace
} // namespace vosk
