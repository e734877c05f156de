// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "listeningviews.h"

#include "curvepanel.h"
#include "editor.h"

#include <cmath>
#include <cstdio>

namespace vosk::ui {

// ---------------------------------------------------------------- ListeningView

ListeningView::ListeningView(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    if (auto* controller = editor.controller()) host_ = Steinberg::FUnknownPtr<IListeningHost>(controller);
}

// The editor closes: what the engineer listened to ends with it.
ListeningView::~ListeningView()
{
    if (host_ && current().any()) request(ListeningRequest{});
    if (loudnessAsked_) host_->setLoudnessWanted(false);
}

void ListeningView::valueChanged()
{
    invalidate();
    if (!shown() && current().any()) request(ListeningRequest{});
    askForLoudness();
}

// The view may be built with the panel already open: each tick checks too.
void ListeningView::askForLoudness()
{
    const bool wanted = wantsLoudness_ && shown();
    if (wanted == loudnessAsked_) return;
    loudnessAsked_ = wanted;
    host_->setLoudnessWanted(wanted);
}

ListeningRequest ListeningView::current(IListeningHost* host)
{
    ListeningRequest listening;
    if (!host) return listening;
    Steinberg::TBool delta = false, compare = false;
    host->listening(listening.soloBand, listening.soloChannel, delta, compare);
    listening.delta = delta != 0;
    listening.compare = compare != 0;
    return listening;
}

void ListeningView::request(IListeningHost* host, const ListeningRequest& listening)
{
    if (host) host->setListening(listening.soloBand, listening.soloChannel, listening.delta, listening.compare);
}

void ListeningView::drawButton(Canvas& canvas, const std::string& title, bool lit)
{
    const Color on = color("on-color", {0.95, 0.78, 0.3, 1});
    canvas.fillRoundRect(frame_, 4, lit ? on : color("off-color", {0, 0, 0, 0.5}));
    canvas.strokeRoundRect(frame_, 4, lit ? on : color("frame-color", {0.63, 0.64, 0.66, 1}), 1);
    canvas.drawText(title, frame_, font("font"), lit ? color("lit-text-color", {0.06, 0.06, 0.06, 1})
                                                     : color("text-color", {0.63, 0.64, 0.66, 1}),
                    Align::Center);
}

// ---------------------------------------------------------------- ListeningButton

ListeningButton::ListeningButton(Editor& editor, const ViewDesc& desc) : ListeningView(editor, desc)
{
    compare_ = desc.get("listen") == "compare";
    if (compare_) wantLoudness();
}

void ListeningButton::draw(Canvas& canvas)
{
    if (!shown()) return;
    drawn_ = current();
    drawButton(canvas, desc_.get("title", compare_ ? "COMPARE" : "DELTA"), lit(drawn_));
}

void ListeningButton::set(bool on)
{
    ListeningRequest listening = current();
    (compare_ ? listening.compare : listening.delta) = on;
    request(listening);
    invalidate();
}

bool ListeningButton::onMouseDown(const MouseEvent& e)
{
    if (!shown() || e.button != 1) return false;
    const bool on = !lit(current());
    set(on);
    pressedAt_ = compare_ && on ? editor_.now() : -1;
    return true;
}

void ListeningButton::onMouseUp(const MouseEvent&)
{
    // A comparison held ends with the press; one clicked stays until the next click.
    if (pressedAt_ >= 0 && editor_.now() - pressedAt_ >= kHoldMs) set(false);
    pressedAt_ = -1;
}

void ListeningButton::idle()
{
    askForLoudness();
    if (shown() && lit(current()) != lit(drawn_)) invalidate();
}

// ---------------------------------------------------------------- SoloButton

CurvePanel* SoloButton::panel() const
{
    for (const auto& view : editor_.views())
        if (auto* found = dynamic_cast<CurvePanel*>(view.get())) return found;
    return nullptr;
}

void SoloButton::draw(Canvas& canvas)
{
    if (!shown()) return;
    drawn_ = current();
    drawButton(canvas, desc_.get("title", "SOLO"), drawn_.solo());
}

bool SoloButton::onMouseDown(const MouseEvent& e)
{
    if (!shown() || e.button != 1) return false;
    ListeningRequest listening = current();
    if (listening.solo()) {
        listening.soloBand = 0;
    } else {
        CurvePanel* curves = panel();
        const int channel = curves ? curves->pointerChannel() : 0;
        const int band = curves ? curves->bandToSolo() : 0;
        if (band == 0) return true;
        listening.soloBand = band;
        listening.soloChannel = channel;
    }
    request(listening);
    invalidate();
    return true;
}

void SoloButton::idle()
{
    if (shown() && current().solo() != drawn_.solo()) invalidate();
}

// ---------------------------------------------------------------- LoudnessReadout

LoudnessReadout::LoudnessReadout(Editor& editor, const ViewDesc& desc) : ListeningView(editor, desc)
{
    wantLoudness();
}

void LoudnessReadout::draw(Canvas& canvas)
{
    if (!shown() || text_.empty()) return;
    canvas.drawText(text_, frame_, font("font"), color("text-color", {0.63, 0.64, 0.66, 1}), Align::Left);
}

void LoudnessReadout::idle()
{
    askForLoudness();
    if (!shown()) {
        text_.clear();
        return;
    }
    if (editor_.now() - askedAt_ < kRefreshMs) return;
    askedAt_ = editor_.now();
    double lu = 0;
    std::string text;
    if (host_->loudnessDifference(lu)) {
        char buffer[32];
        // Rounded as shown: no "-0.0".
        const double shown = std::round(lu * 10.0) / 10.0;
        std::snprintf(buffer, sizeof buffer, "EQ %+.1f LU", shown == 0.0 ? 0.0 : shown);
        text = buffer;
    }
    if (text != text_) {
        text_ = text;
        invalidate();
    }
}

} // namespace vosk::ui
