// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugview.h"

#include <pluginterfaces/base/keycodes.h>
#include <pluginterfaces/gui/iplugview.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace vosk::ui {

using namespace Steinberg;

namespace {

double steadyMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

uint32_t modifiersOf(uint32_t pointer)
{
    uint32_t m = 0;
    if (pointer & kPointerShift) m |= kShift;
    if (pointer & kPointerControl) m |= kControl;
    if (pointer & kPointerAlt) m |= kAlt;
    return m;
}

} // namespace

EditorPlugView::EditorPlugView(Vst::IEditController* controller, const Resources& resources,
                               const std::string& descriptionName, const std::string& templateName)
    : controller_(controller),
      editor_(std::make_unique<Editor>(controller, resources, descriptionName, templateName))
{
    ViewRect r(0, 0, editor_->width(), editor_->height());
    setRect(r);
    editor_->setSizeRequest([this](int width, int height) { return requestSize(width, height); });
    editor_->idle(steadyMs());
}

EditorPlugView::~EditorPlugView()
{
    window_.reset();
    editor_.reset();
}

tresult PLUGIN_API EditorPlugView::queryInterface(const TUID queried, void** obj)
{
    QUERY_INTERFACE(queried, obj, IPlugViewContentScaleSupport::iid, IPlugViewContentScaleSupport)
    QUERY_INTERFACE(queried, obj, IEditorPicture::iid, IEditorPicture)
    return CPluginView::queryInterface(queried, obj);
}

tresult PLUGIN_API EditorPlugView::drawPng(IBStream* png, int32* width, int32* height, char8* error,
                                           int32 errorSize)
{
    if (!png) return kInvalidArgument;
    std::string failure;
    if (!editor_->valid()) {
        failure = editor_->error();
    } else {
        editor_->idle(steadyMs());
        const std::vector<uint8_t> bytes =
            ui::drawPng(editor_->width(), editor_->height(), [this](Canvas& canvas) { editor_->draw(canvas); });
        int32 written = 0;
        if (bytes.empty())
            failure = "the editor could not be drawn offscreen";
        else if (png->write(const_cast<uint8_t*>(bytes.data()), static_cast<int32>(bytes.size()), &written) !=
                     kResultOk ||
                 written != static_cast<int32>(bytes.size()))
            failure = "the picture could not be written to the stream";
    }
    if (width) *width = editor_->width();
    if (height) *height = editor_->height();
    if (error && errorSize > 0) {
        const size_t n = std::min(failure.size(), static_cast<size_t>(errorSize - 1));
        std::memcpy(error, failure.data(), n);
        error[n] = 0;
    }
    return failure.empty() ? kResultOk : kResultFalse;
}

ViewRect EditorPlugView::scaledSize() const
{
    const int width = resizing_ ? requestedWidth_ : editor_->width();
    const int height = resizing_ ? requestedHeight_ : editor_->height();
    return ViewRect(0, 0, static_cast<int32>(std::lround(width * scale_)),
                    static_cast<int32>(std::lround(height * scale_)));
}

bool EditorPlugView::requestSize(int width, int height)
{
    resizing_ = true;
    requestedWidth_ = width;
    requestedHeight_ = height;
    ViewRect size = scaledSize();
    // The host resizes its window (checkSizeConstraint and onSize may come
    // meanwhile) or refuses; a view without a frame yet is asked getSize later.
    const bool agreed = !plugFrame || plugFrame->resizeView(this, &size) == kResultTrue;
    resizing_ = false;
    if (!agreed) return false;
    setRect(size);
    if (window_) window_->setSize(width, height);
    return true;
}

tresult PLUGIN_API EditorPlugView::getSize(ViewRect* size)
{
    if (!size) return kInvalidArgument;
    *size = scaledSize();
    return kResultTrue;
}

tresult PLUGIN_API EditorPlugView::setContentScaleFactor(ScaleFactor factor)
{
    if (!(factor >= 0.5f && factor <= 4.f)) return kInvalidArgument;
    hostScaled_ = true;
    applyScale(factor);
    return kResultTrue;
}

void EditorPlugView::applyScale(double factor)
{
    if (factor == scale_) return;
    scale_ = factor;
    setRect(scaledSize());
    if (window_) window_->setScale(scale_);
    // The host resizes its window and confirms with onSize.
    if (plugFrame) {
        ViewRect size = scaledSize();
        plugFrame->resizeView(this, &size);
    }
}

tresult PLUGIN_API EditorPlugView::isPlatformTypeSupported(FIDString type)
{
    return isNativeWindowType(type) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API EditorPlugView::attached(void* parent, FIDString type)
{
    if (!parent || isPlatformTypeSupported(type) != kResultTrue || window_) return kResultFalse;
    std::string error;
    window_ = createWindow(parent, plugFrame, *this, editor_->width(), editor_->height(), scale_, error);
    if (!window_) return kResultFalse;
    const tresult result = CPluginView::attached(parent, type);
    systemScaleChanged(window_->systemScale());
    return result;
}

tresult PLUGIN_API EditorPlugView::removed()
{
    window_.reset();
    return CPluginView::removed();
}

tresult PLUGIN_API EditorPlugView::checkSizeConstraint(ViewRect* r)
{
    if (!r) return kInvalidArgument;
    const ViewRect fixed = scaledSize();
    r->right = r->left + fixed.getWidth();
    r->bottom = r->top + fixed.getHeight();
    return kResultTrue;
}

tresult PLUGIN_API EditorPlugView::onSize(ViewRect* newSize)
{
    if (!newSize) return kInvalidArgument;
    // The layout is fixed: the view keeps its size whatever the host offers.
    return kResultTrue;
}

tresult PLUGIN_API EditorPlugView::onWheel(float distance)
{
    const bool used = editor_->onWheel({lastPointer_, distance, 0});
    flush();
    return used ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API EditorPlugView::onKeyDown(char16 key, int16 keyCode, int16 modifiers)
{
    return keyDown({key, keyCode, modifiers}) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API EditorPlugView::onKeyUp(char16 key, int16 keyCode, int16 modifiers)
{
    return keyUp({key, keyCode, modifiers}) ? kResultTrue : kResultFalse;
}

void EditorPlugView::paint(Canvas& canvas, double x, double y, double w, double h)
{
    editor_->draw(canvas, {x, y, w, h});
}

void EditorPlugView::pointer(MouseEvent::Kind kind, const PointerInput& input)
{
    lastPointer_ = {input.x, input.y};
    View* focusBefore = editor_->focus();
    editor_->onMouse({kind, lastPointer_, input.button, modifiersOf(input.modifiers), input.clicks});
    if (window_ && editor_->focus() && editor_->focus() != focusBefore) window_->takeKeyboardFocus();
    flush();
}

void EditorPlugView::pointerDown(const PointerInput& input)
{
    pointer(MouseEvent::Kind::Down, input);
}
void EditorPlugView::pointerMove(const PointerInput& input)
{
    pointer(MouseEvent::Kind::Move, input);
}
void EditorPlugView::pointerUp(const PointerInput& input)
{
    pointer(MouseEvent::Kind::Up, input);
}

void EditorPlugView::pointerLeave()
{
    editor_->onMouse({MouseEvent::Kind::Leave, lastPointer_, 0, 0});
    flush();
}

void EditorPlugView::wheel(const PointerInput& where, double delta)
{
    lastPointer_ = {where.x, where.y};
    editor_->onWheel({lastPointer_, delta, modifiersOf(where.modifiers)});
    flush();
}

bool EditorPlugView::translateKey(const KeyInput& in, KeyEvent& out)
{
    out = {};
    if (in.modifiers & kShiftKey) out.modifiers |= kShift;
    if (in.modifiers & kCommandKey) out.modifiers |= kControl;
    if (in.modifiers & kAlternateKey) out.modifiers |= kAlt;
    switch (in.virtualKey) {
    case 0:
        if (in.character == 0) return false;
        out.key = Key::Character;
        out.character = in.character;
        return true;
    case KEY_SPACE:
        out.key = Key::Character;
        out.character = U' ';
        return true;
    case KEY_BACK:
        out.key = Key::Backspace;
        return true;
    case KEY_DELETE:
        out.key = Key::Delete;
        return true;
    case KEY_RETURN:
    case KEY_ENTER:
        out.key = Key::Return;
        return true;
    case KEY_ESCAPE:
        out.key = Key::Escape;
        return true;
    case KEY_TAB:
        out.key = Key::Tab;
        return true;
    case KEY_LEFT:
        out.key = Key::Left;
        return true;
    case KEY_RIGHT:
        out.key = Key::Right;
        return true;
    case KEY_HOME:
        out.key = Key::Home;
        return true;
    case KEY_END:
        out.key = Key::End;
        return true;
    default:
        // The keypad's digits, point and minus type like the main keys.
        if (in.virtualKey >= KEY_NUMPAD0 && in.virtualKey <= KEY_NUMPAD9) {
            out.key = Key::Character;
            out.character = U'0' + static_cast<char32_t>(in.virtualKey - KEY_NUMPAD0);
            return true;
        }
        if (in.virtualKey == KEY_DECIMAL || in.virtualKey == KEY_SUBTRACT) {
            out.key = Key::Character;
            out.character = in.virtualKey == KEY_DECIMAL ? U'.' : U'-';
            return true;
        }
        return false;
    }
}

bool EditorPlugView::keyDown(const KeyInput& key)
{
    KeyEvent e;
    if (!translateKey(key, e)) return false;
    const bool used = editor_->onKey(e);
    flush();
    return used;
}

bool EditorPlugView::keyUp(const KeyInput&)
{
    return false;
}

void EditorPlugView::tick()
{
    editor_->idle(steadyMs());
    flush();
}

void EditorPlugView::systemScaleChanged(double factor)
{
    // Hosts that do not scale views themselves get the screen's density.
    if (!hostScaled_ && factor >= 0.5 && factor <= 4) applyScale(factor);
}

void EditorPlugView::flush()
{
    const Rect dirty = editor_->takeDirty();
    if (window_ && !dirty.empty()) window_->invalidate(dirty.x, dirty.y, dirty.w, dirty.h);
}

} // namespace vosk::ui
