// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "phaseviews.h"

#include "curvepanel.h"
#include "editor.h"

#include "source/dsp/responsedesign.h"
#include "source/parametertable.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace vosk::ui {

// ---------------------------------------------------------------- PhaseView

CurvePanel* PhaseView::panel() const
{
    for (const auto& view : editor_.views())
        if (auto* found = dynamic_cast<CurvePanel*>(view.get())) return found;
    return nullptr;
}

bool PhaseView::shown() const
{
    const CurvePanel* curves = panel();
    return binding_ && curves && curves->isOpen();
}

// ---------------------------------------------------------------- PhaseSelector

int PhaseSelector::segmentCount() const
{
    return binding_ ? static_cast<int>(binding_->entries().size()) : 0;
}

Rect PhaseSelector::segment(int index) const
{
    const int count = std::max(segmentCount(), 1);
    const double width = frame_.w / count;
    return {frame_.x + index * width, frame_.y, width, frame_.h};
}

void PhaseSelector::draw(Canvas& canvas)
{
    if (!shown()) return;
    const std::vector<std::string> entries = binding_->entries();
    const int chosen = binding_->entryIndex();
    const Color on = color("on-color", {0.95, 0.78, 0.3, 1});
    const Color frameColor = color("frame-color", {0.63, 0.64, 0.66, 1});
    canvas.fillRoundRect(frame_, 4, color("off-color", {0, 0, 0, 0.5}));
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const Rect box = segment(i);
        const bool lit = i == chosen;
        if (lit) canvas.fillRoundRect(box, 4, on);
        canvas.drawText(entries[static_cast<size_t>(i)], box, font("font"),
                        lit ? color("lit-text-color", {0.06, 0.06, 0.06, 1})
                            : color("text-color", {0.63, 0.64, 0.66, 1}),
                        Align::Center);
    }
    canvas.strokeRoundRect(frame_, 4, frameColor, 1);
}

bool PhaseSelector::onMouseDown(const MouseEvent& e)
{
    if (!shown() || e.button != 1) return false;
    const int count = segmentCount();
    if (count < 2) return true;
    for (int i = 0; i < count; ++i) {
        if (!segment(i).contains(e.where)) continue;
        if (i != binding_->entryIndex()) binding_->edit(static_cast<double>(i) / (count - 1));
        break;
    }
    return true;
}

// ---------------------------------------------------------------- LatencyReadout

std::string LatencyReadout::text() const
{
    const CurvePanel* curves = panel();
    if (!binding_ || !curves || curves->sampleRate() <= 0) return {};
    const int32_t samples = phaseFromListValue(binding_->value()) == Phase::Minimum
                                ? 0
                                : TransformSize{curves->fftSize()}.latency();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d smp \xC2\xB7 %.1f ms", samples,
                  1000.0 * samples / curves->sampleRate());
    return buffer;
}

void LatencyReadout::draw(Canvas& canvas)
{
    if (!shown()) return;
    canvas.drawText(text(), frame_, font("font"), color("text-color", {0.63, 0.64, 0.66, 1}), Align::Left);
}

// The rate and length follow the processor's setup, which no value announces.
void LatencyReadout::idle()
{
    std::string now = shown() ? text() : std::string();
    if (now == seen_) return;
    seen_ = std::move(now);
    invalidate();
}

} // namespace vosk::ui
