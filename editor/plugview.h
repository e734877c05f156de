// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The IPlugView of an editor: owns the editor built from the description and,
// once attached to the host's window, the platform window that shows it.
#pragma once

#include "editor.h"
#include "editorpicture.h"
#include "editor/platform/window.h"

#include <pluginterfaces/base/smartpointer.h>
#include <pluginterfaces/gui/iplugview.h>
#include <pluginterfaces/gui/iplugviewcontentscalesupport.h>
#include <public.sdk/source/common/pluginview.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <memory>
#include <string>

namespace vosk::ui {

class EditorPlugView : public Steinberg::CPluginView,
                       public Steinberg::IPlugViewContentScaleSupport,
                       public IEditorPicture,
                       public WindowClient
{
public:
    EditorPlugView(Steinberg::Vst::IEditController* controller, const Resources& resources,
                   const std::string& descriptionName, const std::string& templateName);
    ~EditorPlugView() override;

    Editor& editor() { return *editor_; }

    // IPlugView
    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API canResize() override { return Steinberg::kResultFalse; }
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;
    Steinberg::tresult PLUGIN_API onWheel(float distance) override;
    Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                            Steinberg::int16 modifiers) override;
    Steinberg::tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;

    // IPlugViewContentScaleSupport: window and drawing grow by the factor (1.5 or 2
    // on high-density screens); the layout stays the same.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;
    double scale() const { return scale_; }

    // IEditorPicture
    Steinberg::tresult PLUGIN_API drawPng(Steinberg::IBStream* png, Steinberg::int32* width,
                                          Steinberg::int32* height, Steinberg::char8* error,
                                          Steinberg::int32 errorSize) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override;
    REFCOUNT_METHODS(Steinberg::CPluginView)

    // WindowClient
    void paint(Canvas& canvas, double x, double y, double w, double h) override;
    void pointerDown(const PointerInput& input) override;
    void pointerMove(const PointerInput& input) override;
    void pointerUp(const PointerInput& input) override;
    void pointerLeave() override;
    void wheel(const PointerInput& where, double delta) override;
    bool keyDown(const KeyInput& key) override;
    bool keyUp(const KeyInput& key) override;
    void tick() override;
    void systemScaleChanged(double factor) override;

    // Turns a key as IPlugView carries it into the editor's key record; false
    // for keys the editor has no use for.
    static bool translateKey(const KeyInput& in, KeyEvent& out);

private:
    void pointer(MouseEvent::Kind kind, const PointerInput& input);
    void flush(); // hands the editor's dirty area to the window
    // The editor's new logical size, once the host (when attached) has agreed.
    bool requestSize(int width, int height);
    Steinberg::ViewRect scaledSize() const;
    void applyScale(double factor);

    // The editor reads the controller's parameters for as long as it exists.
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller_;
    std::unique_ptr<Editor> editor_;
    double scale_ = 1;
    bool hostScaled_ = false; // the host set the scale; the window's DPI no longer counts
    std::unique_ptr<Window> window_;
    Point lastPointer_;
    // While the host is asked for a new size: what getSize and the constraint answer.
    bool resizing_ = false;
    int requestedWidth_ = 0, requestedHeight_ = 0;
};

} // namespace vosk::ui
