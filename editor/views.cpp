// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "views.h"

#include "curvepanel.h"
#include "listeningviews.h"
#include "editor.h"
#include "phaseviews.h"

#include "common/numbers.h"
#include "common/utf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vosk::ui {

namespace {

// Pixels of linear drag for the whole range.
constexpr double kLinearRange = 200;

void popUtf8(std::string& s)
{
    while (!s.empty()) {
        auto last = static_cast<unsigned char>(s.back());
        s.pop_back();
        if ((last & 0xc0) != 0x80) break;
    }
}

} // namespace

// ---------------------------------------------------------------- View

View::View(Editor& editor, const ViewDesc& desc) : editor_(editor), desc_(desc)
{
    Point origin = parsePoint(desc.get("origin")).value_or(Point{});
    Point size = parsePoint(desc.get("size")).value_or(Point{});
    frame_ = {origin.x, origin.y, size.x, size.y};
    mouseEnabled_ = flag("mouse-enabled", true);
    transparent_ = flag("transparent", false);
    backgroundOffset_ = parsePoint(desc.get("background-offset")).value_or(Point{});
    if (const std::string* name = desc.find("bitmap")) bitmap_ = editor.image(*name);
    if (const std::string* text = desc.find("tooltip")) {
        for (size_t i = 0; i < text->size(); ++i) {
            if ((*text)[i] == '\\' && i + 1 < text->size() && (*text)[i + 1] == 'n') {
                tooltip_ += '\n';
                ++i;
            } else {
                tooltip_ += (*text)[i];
            }
        }
    }
    if (const std::string* tagName = desc.find("control-tag")) {
        if (auto tag = editor.document().tagNumber(*tagName)) binding_ = editor.binding(*tag);
    }
}

double View::number(const std::string& name, double fallback) const
{
    const std::string* v = desc_.find(name);
    if (!v) return fallback;
    return parseNumber(*v).value_or(fallback);
}

bool View::flag(const std::string& name, bool fallback) const
{
    const std::string* v = desc_.find(name);
    if (!v) return fallback;
    return *v == "true";
}

Color View::color(const std::string& name, Color fallback) const
{
    const std::string* v = desc_.find(name);
    if (!v) return fallback;
    return parseColor(*v).value_or(fallback);
}

Font View::font(const std::string& name) const
{
    FontDesc f = editor_.document().font(desc_.get(name, "~ SystemFont"));
    return {f.family, f.size, false};
}

void View::draw(Canvas& canvas)
{
    if (bitmap_)
        canvas.drawImage(*bitmap_, {backgroundOffset_.x, backgroundOffset_.y, frame_.w, frame_.h},
                         {frame_.x, frame_.y});
}

void View::invalidate()
{
    editor_.invalidate(frame_);
}

// ---------------------------------------------------------------- Control

Control::Control(Editor& editor, const ViewDesc& desc) : View(editor, desc)
{
    min_ = number("min-value", 0);
    max_ = number("max-value", 1);
    if (max_ <= min_) max_ = min_ + 1;
    default_ = number("default-value", 0.5);
    wheelInc_ = number("wheel-inc-value", 0.1);
}

double Control::value() const
{
    return binding_ ? binding_->value() : 0;
}

double Control::defaultValue() const
{
    return std::clamp((default_ - min_) / (max_ - min_), 0.0, 1.0);
}

double Control::wheelStep() const
{
    return wheelInc_ / (max_ - min_);
}

// ---------------------------------------------------------------- TextLabel

TextLabel::TextLabel(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    std::string a = desc.get("text-alignment", "center");
    align_ = a == "left" ? Align::Left : a == "right" ? Align::Right : Align::Center;
    radius_ = number("round-rect-radius", 6);
}

std::string TextLabel::displayText() const
{
    return desc_.get("title");
}

void TextLabel::drawBox(Canvas& canvas, Color back, Color frameColor)
{
    const bool round = flag("style-round-rect");
    if (!transparent_) {
        if (round)
            canvas.fillRoundRect(frame_, radius_, back);
        else
            canvas.fillRect(frame_, back);
        if (!flag("style-no-frame") && !flag("style-3D-in") && !flag("style-3D-out")) {
            if (round)
                canvas.strokeRoundRect(frame_, radius_, frameColor, 1);
            else
                canvas.strokeRect(frame_, frameColor, 1);
        }
    }
}

void TextLabel::draw(Canvas& canvas)
{
    if (flag("style-no-draw")) return;
    View::draw(canvas);
    drawBox(canvas, color("back-color", {0, 0, 0, 1}), color("frame-color", {0, 0, 0, 1}));
    if (flag("style-no-text")) return;
    const Font f = font("font");
    const std::string text = displayText();
    if (flag("style-shadow-text"))
        canvas.drawText(text, {frame_.x + 1, frame_.y + 1, frame_.w, frame_.h}, f,
                        color("shadow-color", {1, 0, 0, 1}), align_);
    canvas.drawText(text, frame_, f, color("font-color", {1, 1, 1, 1}), align_);
}

// ---------------------------------------------------------------- TextEdit

std::string TextEdit::displayText() const
{
    if (editing_) return buffer_;
    if (binding_ && binding_->hasParameter()) return binding_->text();
    return TextLabel::displayText();
}

void TextEdit::draw(Canvas& canvas)
{
    if (!editing_) {
        TextLabel::draw(canvas);
        return;
    }
    // While typing: a light field with a caret after the text.
    canvas.fillRoundRect(frame_, 3, {0.95, 0.95, 0.92, 1});
    canvas.strokeRoundRect(frame_, 3, {0.2, 0.5, 1, 1}, 1);
    canvas.drawText(buffer_ + "|", frame_, font("font"), {0, 0, 0, 1}, align_);
}

bool TextEdit::onMouseDown(const MouseEvent& e)
{
    if (e.button != 1) return false;
    if (!editing_) {
        buffer_ = displayText();
        editing_ = true;
        editor_.setFocus(this);
        invalidate();
    }
    return true;
}

bool TextEdit::onKey(const KeyEvent& e)
{
    if (!editing_) return false;
    switch (e.key) {
    case Key::Character:
        if (e.character >= 0x20 && e.character != 0x7f && buffer_.size() < 64)
            buffer_ += utf8Encode(e.character);
        break;
    case Key::Backspace:
        popUtf8(buffer_);
        break;
    case Key::Return:
    case Key::Tab:
        editor_.setFocus(nullptr);
        break; // commits through onFocusLost
    case Key::Escape:
        editing_ = false;
        editor_.setFocus(nullptr);
        break;
    default:
        break;
    }
    invalidate();
    return true;
}

void TextEdit::onFocusLost()
{
    if (editing_) commit();
}

void TextEdit::commit()
{
    editing_ = false;
    if (binding_) {
        if (binding_->hasParameter()) {
            binding_->editFromText(buffer_);
        } else {
            if (const auto v = parseNumber(buffer_)) binding_->edit((*v - min_) / (max_ - min_));
        }
    }
    buffer_.clear();
    invalidate();
}

// ---------------------------------------------------------------- AnimKnob

AnimKnob::AnimKnob(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    frames_ = std::max(1, static_cast<int>(number("sub-pixmaps", 1)));
    frameHeight_ =
        number("height-of-one-image", bitmap_ ? static_cast<double>(bitmap_->height()) / frames_ : 0);
    angleStart_ = number("angle-start", 135);
    angleRange_ = number("angle-range", 270);
    zoom_ = std::max(1.0, number("zoom-factor", 1.5));
}

int AnimKnob::frameIndex() const
{
    return std::clamp(static_cast<int>(value() * (frames_ - 1) + 0.5), 0, frames_ - 1);
}

void AnimKnob::draw(Canvas& canvas)
{
    if (!bitmap_) return;
    canvas.drawImage(*bitmap_, {0, frameIndex() * frameHeight_, frame_.w, std::min(frame_.h, frameHeight_)},
                     {frame_.x, frame_.y});
}

double AnimKnob::angleOf(Point p) const
{
    const double cx = frame_.x + frame_.w / 2, cy = frame_.y + frame_.h / 2;
    double a = std::atan2(p.y - cy, p.x - cx) * 180 / kPi;
    return a < 0 ? a + 360 : a;
}

bool AnimKnob::onMouseDown(const MouseEvent& e)
{
    if (e.button != 1 || !binding_) return false;
    if (e.modifiers & kControl) {
        binding_->edit(defaultValue());
        invalidate();
        return true;
    }
    mode_ = editor_.knobMode();
    dragging_ = true;
    last_ = e.where;
    lastAngle_ = angleOf(e.where);
    dragValue_ = value();
    binding_->beginEdit();
    return true;
}

void AnimKnob::onMouseMove(const MouseEvent& e)
{
    if (!dragging_) return;
    const bool fine = (e.modifiers & kShift) != 0;
    double v = dragValue_;
    if (mode_ == Steinberg::Vst::kLinearMode) {
        double delta = (e.where.x - last_.x) - (e.where.y - last_.y);
        v += delta / kLinearRange / (fine ? zoom_ : 1);
    } else {
        double angle = angleOf(e.where);
        if (mode_ == Steinberg::Vst::kCircularMode && !fine) {
            // The value under the pointer; in the gap below the knob, the nearer end.
            double rel = std::fmod(angle - angleStart_ + 720, 360);
            if (rel > angleRange_) rel = rel - angleRange_ < (360 - angleRange_) / 2 ? angleRange_ : 0;
            v = rel / angleRange_;
        } else {
            double delta = angle - lastAngle_;
            if (delta > 180) delta -= 360;
            if (delta < -180) delta += 360;
            v += delta / angleRange_ / (fine ? zoom_ : 1);
        }
        lastAngle_ = angle;
    }
    last_ = e.where;
    v = std::clamp(v, 0.0, 1.0);
    dragValue_ = v;
    if (v != value()) {
        binding_->performEdit(v);
        invalidate();
    }
}

void AnimKnob::onMouseUp(const MouseEvent&)
{
    if (!dragging_) return;
    dragging_ = false;
    binding_->endEdit();
}

bool AnimKnob::onWheel(const WheelEvent& e)
{
    if (!binding_) return false;
    double step = wheelStep() * ((e.modifiers & kShift) ? 0.1 : 1);
    binding_->edit(std::clamp(value() + e.delta * step, 0.0, 1.0));
    invalidate();
    return true;
}

// ---------------------------------------------------------------- OnOffButton

void OnOffButton::draw(Canvas& canvas)
{
    if (!bitmap_) return;
    const double offset = isOn() ? bitmap_->height() / 2.0 : 0;
    canvas.drawImage(*bitmap_, {0, offset, frame_.w, frame_.h}, {frame_.x, frame_.y});
}

bool OnOffButton::onMouseDown(const MouseEvent& e)
{
    if (e.button != 1 || !binding_) return false;
    binding_->edit(isOn() ? 0.0 : 1.0);
    invalidate();
    return true;
}

// ---------------------------------------------------------------- OptionMenu

std::vector<std::string> OptionMenu::entries() const
{
    return binding_ ? binding_->entries() : std::vector<std::string>{};
}

int OptionMenu::selected() const
{
    return binding_ ? binding_->entryIndex() : 0;
}

void OptionMenu::select(int index)
{
    auto list = entries();
    if (!binding_ || list.size() < 2 || index < 0 || index >= static_cast<int>(list.size())) return;
    binding_->edit(static_cast<double>(index) / static_cast<double>(list.size() - 1));
    invalidate();
}

void OptionMenu::draw(Canvas& canvas)
{
    const bool round = flag("style-round-rect");
    const double r = round ? number("round-rect-radius", 6) : 0;
    if (!transparent_) canvas.fillRoundRect(frame_, r, color("back-color", {1, 1, 1, 1}));
    canvas.strokeRoundRect(frame_, r, color("frame-color", {0.5, 0.5, 0.5, 1}), 1);
    auto list = entries();
    std::string text = list.empty() ? desc_.get("title") : list[static_cast<size_t>(selected())];
    canvas.drawText(text, frame_, font("font"), color("font-color", {0, 0, 0, 1}), Align::Center);
}

bool OptionMenu::onMouseDown(const MouseEvent& e)
{
    if (e.button != 1 || entries().empty()) return false;
    editor_.openPopup(*this);
    return true;
}

// ---------------------------------------------------------------- VuMeter

VuMeter::VuMeter(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    leds_ = std::max(1, static_cast<int>(number("num-led", 1)));
    decrease_ = std::max(0.0, number("decrease-step-value", 0.1));
    vertical_ = desc.get("orientation", "vertical") != "horizontal";
    if (const std::string* name = desc.find("off-bitmap")) offBitmap_ = editor.image(*name);
    shown_ = value();
}

int VuMeter::litSegments() const
{
    return std::clamp(static_cast<int>(shown_ * leds_ + 0.5), 0, leds_);
}

void VuMeter::idle()
{
    // Rises at once, falls by the decrease step per tick.
    const double target = value();
    const double next = target >= shown_ ? target : std::max(target, shown_ - decrease_);
    if (next != shown_) {
        const int before = litSegments();
        shown_ = next;
        if (litSegments() != before) invalidate();
    }
}

void VuMeter::draw(Canvas& canvas)
{
    if (offBitmap_) canvas.drawImage(*offBitmap_, {0, 0, frame_.w, frame_.h}, {frame_.x, frame_.y});
    if (!bitmap_) return;
    const double lit = static_cast<double>(litSegments()) / leds_;
    if (vertical_) {
        const double h = std::round(frame_.h * lit);
        canvas.drawImage(*bitmap_, {0, frame_.h - h, frame_.w, h}, {frame_.x, frame_.y + frame_.h - h});
    } else {
        const double w = std::round(frame_.w * lit);
        canvas.drawImage(*bitmap_, {0, 0, w, frame_.h}, {frame_.x, frame_.y});
    }
}

// ---------------------------------------------------------------- TextButton

TextButton::TextButton(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    kick_ = flag("kick-style");
}

void TextButton::draw(Canvas& canvas)
{
    const bool lit = isOn();
    const double r = number("round-radius", 6);
    const double w = number("frame-width", 1);
    Color top =
        color(lit ? "gradient-start-color-highlighted" : "gradient-start-color", {0.86, 0.86, 0.86, 1});
    Color bottom = color(lit ? "gradient-end-color-highlighted" : "gradient-end-color", {0.7, 0.7, 0.7, 1});
    canvas.fillRoundRectGradient(frame_, r, top, bottom);
    canvas.strokeRoundRect(frame_, r, color(lit ? "frame-color-highlighted" : "frame-color", {0, 0, 0, 1}),
                           w);
    canvas.drawText(desc_.get("title"), frame_, font("font"),
                    color(lit ? "text-color-highlighted" : "text-color", {0, 0, 0, 1}), Align::Center);
}

bool TextButton::onMouseDown(const MouseEvent& e)
{
    if (e.button != 1 || !binding_) return false;
    binding_->beginEdit();
    binding_->performEdit(kick_ ? 1.0 : (isOn() ? 0.0 : 1.0));
    invalidate();
    return true;
}

void TextButton::onMouseUp(const MouseEvent&)
{
    if (!binding_) return;
    if (kick_) binding_->performEdit(0.0);
    binding_->endEdit();
    invalidate();
}

// ---------------------------------------------------------------- SplashScreen

SplashScreen::SplashScreen(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    if (const std::string* name = desc.find("splash-bitmap")) splash_ = editor.image(*name);
    Point origin = parsePoint(desc.get("splash-origin")).value_or(Point{});
    Point size = parsePoint(desc.get("splash-size"))
                     .value_or(splash_ ? Point{static_cast<double>(splash_->width()),
                                               static_cast<double>(splash_->height())}
                                       : Point{});
    splashArea_ = {origin.x, origin.y, size.x, size.y};
    fadeMs_ = std::max(0.0, number("animation-time", 0));
}

bool SplashScreen::onMouseDown(const MouseEvent& e)
{
    if (e.button != 1 || !binding_) return false;
    binding_->edit(1.0); // the editor opens the splash when the value reaches the maximum
    return true;
}

// ---------------------------------------------------------------- factory

std::unique_ptr<View> createView(Editor& editor, const ViewDesc& desc)
{
    const std::string& c = desc.cls;
    if (c == "CTextLabel") return std::make_unique<TextLabel>(editor, desc);
    if (c == "CTextEdit") return std::make_unique<TextEdit>(editor, desc);
    if (c == "CAnimKnob") return std::make_unique<AnimKnob>(editor, desc);
    if (c == "COnOffButton") return std::make_unique<OnOffButton>(editor, desc);
    if (c == "COptionMenu") return std::make_unique<OptionMenu>(editor, desc);
    if (c == "CVuMeter") return std::make_unique<VuMeter>(editor, desc);
    if (c == "CTextButton") return std::make_unique<TextButton>(editor, desc);
    if (c == "CAnimationSplashScreen" || c == "CSplashScreen")
        return std::make_unique<SplashScreen>(editor, desc);
    if (c == "CurvePanel") return std::make_unique<CurvePanel>(editor, desc);
    if (c == "ListeningButton") return std::make_unique<ListeningButton>(editor, desc);
    if (c == "SoloButton") return std::make_unique<SoloButton>(editor, desc);
    if (c == "LoudnessReadout") return std::make_unique<LoudnessReadout>(editor, desc);
    if (c == "PhaseSelector") return std::make_unique<PhaseSelector>(editor, desc);
    if (c == "LatencyReadout") return std::make_unique<LatencyReadout>(editor, desc);
    // CView, CViewContainer drawn flat and anything unknown: a picture at most.
    return std::make_unique<View>(editor, desc);
}

} // namespace vosk::ui
