// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An editor built from a user-interface description: the views of one template,
// their bindings to the controller's parameters, input handling, modal views and
// drawing. Knows nothing of any particular plug-in.
#pragma once

#include "binding.h"
#include "canvas.h"
#include "events.h"
#include "editorhost/parameteredits.h"
#include "resources.h"
#include "editorhost/spectrumsource.h"
#include "uidesc.h"
#include "views.h"

#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vosk::ui {

class Editor
{
public:
    // Never throws: when the description cannot be read, valid() is false,
    // error() says why and the editor draws that message.
    // The resources are read while the editor is built and not kept.
    // The controller is asked through IEditController alone; when it answers
    // IParameterEdits, the editor's gestures reach the host through it.
    Editor(Steinberg::Vst::IEditController* controller, const Resources& resources,
           const std::string& descriptionName, const std::string& templateName);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const Document& document() const { return document_; }

    void draw(Canvas& canvas);
    // Draws only what lies in `area`; views outside it are not asked to draw.
    void draw(Canvas& canvas, const Rect& area);
    bool onMouse(const MouseEvent& e);
    bool onWheel(const WheelEvent& e);
    bool onKey(const KeyEvent& e);
    // Follows parameter changes made outside the editor and runs animations;
    // the window layer calls it from a timer with a steady clock in milliseconds.
    void idle(double nowMs);
    // The area to redraw since the last call (empty when nothing changed).
    Rect takeDirty();

    const std::vector<std::unique_ptr<View>>& views() const { return views_; }
    Binding* binding(int tag);
    std::vector<View*> viewsWithTag(int tag) const;
    bool modalOpen() const { return modal_ != nullptr; }
    bool splashOpen() const;
    double splashAlpha() const;
    bool popupOpen() const;
    View* focus() const { return focus_; }
    // The tooltip on show (its view's text), empty when none; one shows after the
    // pointer has rested on a view with a tooltip for kTooltipDelayMs.
    static constexpr double kTooltipDelayMs = 1000;
    std::string tooltipShown() const;

    // Where the knobs learn the host's knob mode, asked at the start of each drag.
    // Without a source, or until the host chooses, knobs drag vertically (linear mode).
    void setKnobModeSource(std::function<Steinberg::Vst::KnobMode()> source);
    Steinberg::Vst::KnobMode knobMode() const;

    // Where a view that shows the music's spectrum gets it; null (the default): none.
    void setSpectrumSource(SpectrumSource* source) { spectrumSource_ = source; }
    SpectrumSource* spectrumSource() const { return spectrumSource_; }

    // A view that grows the window (a panel below the layout) asks for a new
    // logical size here. Whoever shows the editor may refuse it; without a
    // handler (offscreen) every size is taken.
    using SizeRequest = std::function<bool(int width, int height)>;
    void setSizeRequest(SizeRequest request) { sizeRequest_ = std::move(request); }
    bool resize(int width, int height);
    Steinberg::Vst::IEditController* controller() const { return controller_; }

    // For the views: the decoded bitmap, null when missing; only the bitmaps
    // loaded while the editor is built are known.
    const Image* image(const std::string& bitmapName);
    void invalidate(const Rect& r);
    void setFocus(View* view);
    void openPopup(OptionMenu& menu);
    double now() const { return now_; }

    class Modal;

private:
    void build(const std::string& descriptionName, const std::string& templateName);
    void bindingChanged(Binding& b);
    void hideTooltip();
    void drawTooltip(Canvas& canvas);
    Rect allArea() const { return {0, 0, static_cast<double>(width_), static_cast<double>(height_)}; }
    void openSplash(SplashScreen& splash);
    void closeModal();

    Steinberg::Vst::IEditController* controller_;
    Steinberg::IPtr<IParameterEdits> edits_;
    std::map<int, Steinberg::Vst::ParameterInfo> parameters_; // by tag
    const Resources* resources_ = nullptr; // while building
    std::function<Steinberg::Vst::KnobMode()> knobModeSource_;
    SpectrumSource* spectrumSource_ = nullptr;
    SizeRequest sizeRequest_;
    Document document_;
    std::string error_;
    int width_ = 400, height_ = 120;
    Color background_{0, 0, 0, 1};
    const Image* backgroundImage_ = nullptr;
    std::map<std::string, std::unique_ptr<Image>> images_; // by bitmap name, null when missing
    std::map<int, std::unique_ptr<Binding>> bindings_;
    std::vector<std::unique_ptr<View>> views_;
    View* tracking_ = nullptr;
    View* focus_ = nullptr;
    std::unique_ptr<Modal> modal_;
    Rect dirty_;
    double now_ = 0;
    // Where the pointer rests and since when; the view whose tooltip shows.
    bool hovering_ = false;
    Point hover_;
    double hoverSince_ = 0;
    const View* tooltipView_ = nullptr;
};

} // namespace vosk::ui
