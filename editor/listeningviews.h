// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve panel's listening tools: the solo switch beside the legend, DELTA,
// COMPARE and the loudness difference a comparison removes ("EQ +1.4 LU").
// They show while the panel shows (their tag is the panel's) and reach the
// processor through the controller's IListeningHost. When the panel or the
// editor closes, everything they asked for ends.
#pragma once

#include "views.h"

#include "editorhost/listeninghost.h"
#include "source/dsp/listening.h"

#include <pluginterfaces/base/smartpointer.h>

#include <string>

namespace vosk::ui {

class CurvePanel;

class ListeningView : public Control
{
public:
    ListeningView(Editor& editor, const ViewDesc& desc);
    ~ListeningView() override;
    void valueChanged() override;

    // What the controller plays now; nothing without a controller that listens.
    static ListeningRequest current(IListeningHost* host);
    static void request(IListeningHost* host, const ListeningRequest& listening);

protected:
    bool shown() const { return host_ && binding_ && binding_->value() >= 0.5; }
    // A view that shows the loudness difference or compares wants the processor
    // to measure while it shows.
    void wantLoudness() { wantsLoudness_ = true; }
    void askForLoudness();
    ListeningRequest current() const { return current(host_); }
    void request(const ListeningRequest& listening) { request(host_, listening); }
    void drawButton(Canvas& canvas, const std::string& title, bool lit);

    Steinberg::IPtr<IListeningHost> host_;
    ListeningRequest drawn_; // what the view shows, to see when it changes

private:
    bool wantsLoudness_ = false;
    bool loudnessAsked_ = false;
};

// DELTA ("listen"="delta") lights at a click and goes out at the next; COMPARE
// ("listen"="compare") plays while it is held, or stays lit after a short click.
class ListeningButton : public ListeningView
{
public:
    static constexpr double kHoldMs = 300; // longer presses are holds

    ListeningButton(Editor& editor, const ViewDesc& desc);
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    void idle() override;

private:
    bool lit(const ListeningRequest& listening) const { return compare_ ? listening.compare : listening.delta; }
    void set(bool on);

    bool compare_ = false;
    double pressedAt_ = -1; // while a press that switched the comparison on lasts
};

// Latches a solo of the band last taken in the panel (or the first band that
// is on), and ends any solo when lit.
class SoloButton : public ListeningView
{
public:
    using ListeningView::ListeningView;
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    void idle() override;

private:
    CurvePanel* panel() const;
};

// The processed loudness less the input's, as the comparison removes it.
class LoudnessReadout : public ListeningView
{
public:
    static constexpr double kRefreshMs = 250;

    LoudnessReadout(Editor& editor, const ViewDesc& desc);
    void draw(Canvas& canvas) override;
    void idle() override;
    const std::string& text() const { return text_; }

private:
    std::string text_;
    double askedAt_ = -1e9;
};

} // namespace vosk::ui
