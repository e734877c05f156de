// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve panel's phase tools: the Phase selector, one segment per entry of the
// list its tag names, and beside it the latency that the phase chosen gives at
// the rate and length the curve is drawn for. They show while the panel shows.
#pragma once

#include "views.h"

#include <string>

namespace vosk::ui {

class CurvePanel;

class PhaseView : public Control
{
public:
    using Control::Control;

protected:
    CurvePanel* panel() const;
    bool shown() const;
};

class PhaseSelector : public PhaseView
{
public:
    using PhaseView::PhaseView;
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    // Where entry `index` lies; the entries share the width.
    Rect segment(int index) const;

private:
    int segmentCount() const;
};

// "12288 smp · 256.0 ms" in linear phase at 48 kHz, "0 smp · 0.0 ms" in minimum phase.
class LatencyReadout : public PhaseView
{
public:
    using PhaseView::PhaseView;
    void draw(Canvas& canvas) override;
    void idle() override;
    // The text for the values in force now, whether or not it shows.
    std::string text() const;

private:
    std::string seen_; // at the last tick
};

} // namespace vosk::ui
