// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The standard view classes the description can name. Each reads its look from
// the description's attributes and its value from its tag's binding.
#pragma once

#include "binding.h"
#include "canvas.h"
#include "events.h"
#include "uidesc.h"

#include <memory>
#include <string>
#include <vector>

namespace vosk::ui {

class Editor;

class View
{
public:
    View(Editor& editor, const ViewDesc& desc);
    virtual ~View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const std::string& className() const { return desc_.cls; }
    const ViewDesc& desc() const { return desc_; }
    const Rect& frame() const { return frame_; }
    bool mouseEnabled() const { return mouseEnabled_; }
    Binding* binding() const { return binding_; }
    const Image* bitmap() const { return bitmap_; }
    // The "tooltip" attribute, each backslash-n in it a line break; empty when none.
    const std::string& tooltip() const { return tooltip_; }

    virtual void draw(Canvas& canvas);
    virtual bool onMouseDown(const MouseEvent&) { return false; }
    virtual void onMouseMove(const MouseEvent&) {}
    virtual void onMouseUp(const MouseEvent&) {}
    virtual bool onWheel(const WheelEvent&) { return false; }
    virtual bool onKey(const KeyEvent&) { return false; }
    virtual void onFocusLost() {}
    virtual void idle() {}
    // The value of the view's tag changed, in the editor or from the host.
    virtual void valueChanged() { invalidate(); }
    void invalidate();

protected:
    double number(const std::string& name, double fallback) const;
    bool flag(const std::string& name, bool fallback = false) const;
    Color color(const std::string& name, Color fallback) const;
    Font font(const std::string& name) const;

    Editor& editor_;
    ViewDesc desc_;
    Rect frame_;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
    const Image* bitmap_ = nullptr;
    Point backgroundOffset_;
    Binding* binding_ = nullptr;
    std::string tooltip_;
};

// Base of the views that hold a value in min-value .. max-value.
class Control : public View
{
public:
    Control(Editor& editor, const ViewDesc& desc);
    double value() const;        // normalised 0 .. 1
    double defaultValue() const; // normalised
    double wheelStep() const;    // normalised
    bool isOn() const { return value() >= 0.5; }

protected:
    double min_ = 0, max_ = 1, default_ = 0.5, wheelInc_ = 0.1;
};

// Label look shared by labels and text fields.
class TextLabel : public Control
{
public:
    TextLabel(Editor& editor, const ViewDesc& desc);
    void draw(Canvas& canvas) override;
    virtual std::string displayText() const;

protected:
    void drawBox(Canvas& canvas, Color back, Color frame);
    Align align_ = Align::Center;
    double radius_ = 6;
};

class TextEdit : public TextLabel
{
public:
    using TextLabel::TextLabel;
    void draw(Canvas& canvas) override;
    std::string displayText() const override;
    bool onMouseDown(const MouseEvent& e) override;
    bool onKey(const KeyEvent& e) override;
    void onFocusLost() override;
    bool editing() const { return editing_; }
    // Commits the typed text: through the parameter's conversion when bound.
    void commit();

private:
    bool editing_ = false;
    std::string buffer_;
};

class AnimKnob : public Control
{
public:
    AnimKnob(Editor& editor, const ViewDesc& desc);
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    void onMouseMove(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    bool onWheel(const WheelEvent& e) override;
    int frameIndex() const;
    int frameCount() const { return frames_; }

private:
    double angleOf(Point p) const; // degrees of p around the centre, screen orientation
    int frames_ = 1;
    double frameHeight_ = 0;
    double angleStart_ = 135, angleRange_ = 270, zoom_ = 1.5;
    bool dragging_ = false;
    int mode_ = 0;
    Point last_;
    double lastAngle_ = 0;
    double dragValue_ = 0;
};

class OnOffButton : public Control
{
public:
    using Control::Control;
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
};

class OptionMenu : public Control
{
public:
    using Control::Control;
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    std::vector<std::string> entries() const;
    int selected() const;
    void select(int index);
};

class VuMeter : public Control
{
public:
    VuMeter(Editor& editor, const ViewDesc& desc);
    void draw(Canvas& canvas) override;
    void idle() override;
    int litSegments() const;
    int segmentCount() const { return leds_; }
    double shownLevel() const { return shown_; }

private:
    int leds_ = 1;
    double decrease_ = 0.1;
    double shown_ = 0;
    bool vertical_ = true;
    const Image* offBitmap_ = nullptr;
};

class TextButton : public Control
{
public:
    TextButton(Editor& editor, const ViewDesc& desc);
    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;

private:
    bool kick_ = false;
};

// Shows its picture as a modal view over the window when its value reaches the
// maximum; a click on the picture closes it.
class SplashScreen : public Control
{
public:
    SplashScreen(Editor& editor, const ViewDesc& desc);
    bool onMouseDown(const MouseEvent& e) override;
    const Image* splashImage() const { return splash_; }
    Rect splashArea() const { return splashArea_; }
    double fadeMs() const { return fadeMs_; }

private:
    const Image* splash_ = nullptr;
    Rect splashArea_;
    double fadeMs_ = 0;
};

std::unique_ptr<View> createView(Editor& editor, const ViewDesc& desc);

} // namespace vosk::ui
