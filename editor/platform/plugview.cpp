#include "plugview.h"

#include "cairocanvas.h"
#include "platform/x11/x11window.h"

#include "pluginterfaces/base/keycodes.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <cmath>
#include <cstring>

using namespace Steinberg;

namespace vosk::ui {
namespace {

double nowMilliseconds()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

uint32_t editorModifiers(int16 keyModifiers)
{
    uint32_t m = 0;
    if (keyModifiers & kShiftKey) m |= kShift;
    if (keyModifiers & kCommandKey) m |= kControl;
    if (keyModifiers & kAlternateKey) m |= kAlt;
    return m;
}

uint32_t editorModifiers(const PointerInput& input)
{
    uint32_t m = 0;
    if (input.modifiers & kPointerShift) m |= kShift;
    if (input.modifiers & kPointerControl) m |= kControl;
    if (input.modifiers & kPointerAlt) m |= kAlt;
    return m;
}

// False for keys the editor has no use for.
bool editorKey(const KeyInput& in, KeyEvent& out)
{
    out = KeyEvent{};
    out.modifiers = editorModifiers(in.modifiers);
    switch (in.virtualKey) {
    case 0:
        if (in.character < 0x20 || in.character == 0x7f) return false;
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
    case KEY_TAB:
        out.key = Key::Tab;
        return true;
    default:
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

} // namespace

PlugView::PlugView(Vst::EditController* owner, const ResourceFolder& resources,
                   const std::string& descriptionName, const std::string& templateName)
    : EditorView(owner), content(std::make_unique<Editor>(owner, resources, descriptionName, templateName))
{
    rect = ViewRect(0, 0, content->width(), content->height());
}

PlugView::~PlugView()
{
    // A host that releases the view without removing it first.
    window.reset();
    if (runLoop) runLoop->release();
}

tresult PLUGIN_API PlugView::queryInterface(const TUID queried, void** obj)
{
    QUERY_INTERFACE(queried, obj, IPlugViewContentScaleSupport::iid, IPlugViewContentScaleSupport)
    return EditorView::queryInterface(queried, obj);
}

tresult PLUGIN_API PlugView::isPlatformTypeSupported(FIDString type)
{
    return type && std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API PlugView::attached(void* parent, FIDString type)
{
    if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
    if (window) return kResultFalse;
    // Linux hosts offer their run loop through the frame; without it there is no
    // way to hear about input.
    Linux::IRunLoop* loop = nullptr;
    if (!plugFrame ||
        plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk ||
        !loop)
        return kResultFalse;
    std::string error;
    window = createX11Window(reinterpret_cast<std::uintptr_t>(parent), loop, *this, content->width(),
                             content->height(), scale, error);
    if (!window) {
        loop->release();
        return kResultFalse;
    }
    runLoop = loop;
    content->idle(nowMilliseconds());
    content->takeDirty();
    return EditorView::attached(parent, type);
}

tresult PLUGIN_API PlugView::removed()
{
    window.reset();
    if (runLoop) {
        runLoop->release();
        runLoop = nullptr;
    }
    return EditorView::removed();
}

ViewRect PlugView::scaledSize() const
{
    return ViewRect(0, 0, static_cast<int32>(std::lround(content->width() * scale)),
                    static_cast<int32>(std::lround(content->height() * scale)));
}

tresult PLUGIN_API PlugView::getSize(ViewRect* size)
{
    if (!size) return kInvalidArgument;
    *size = scaledSize();
    return kResultTrue;
}

tresult PLUGIN_API PlugView::onSize(ViewRect* newSize)
{
    if (!newSize) return kInvalidArgument;
    // The size is fixed; the host only confirms it (or the scaled one).
    const ViewRect fixed = scaledSize();
    return newSize->getWidth() == fixed.getWidth() && newSize->getHeight() == fixed.getHeight()
               ? kResultTrue
               : kResultFalse;
}

tresult PLUGIN_API PlugView::canResize()
{
    return kResultFalse;
}

tresult PLUGIN_API PlugView::checkSizeConstraint(ViewRect* r)
{
    if (!r) return kInvalidArgument;
    const ViewRect fixed = scaledSize();
    r->right = r->left + fixed.getWidth();
    r->bottom = r->top + fixed.getHeight();
    return kResultTrue;
}

tresult PLUGIN_API PlugView::onFocus(TBool)
{
    return kResultTrue;
}

tresult PLUGIN_API PlugView::setContentScaleFactor(ScaleFactor factor)
{
    if (!(factor >= 0.5f && factor <= 4.f)) return kInvalidArgument;
    if (factor == scale) return kResultTrue;
    scale = factor;
    if (window) window->setScale(scale);
    if (plugFrame) {
        ViewRect size = scaledSize();
        plugFrame->resizeView(this, &size);
    }
    return kResultTrue;
}

tresult PLUGIN_API PlugView::onWheel(float distance)
{
    // The host does not say where the pointer is; the editor's focus decides.
    WheelEvent e;
    e.delta = distance;
    const bool used = content->onWheel(e);
    showChanges();
    return used ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API PlugView::onKeyDown(char16 character, int16 keyCode, int16 modifiers)
{
    return key({static_cast<char16_t>(character), keyCode, modifiers}) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API PlugView::onKeyUp(char16, int16, int16)
{
    // The editor acts on presses only.
    return kResultFalse;
}

bool PlugView::key(const KeyInput& input)
{
    KeyEvent e;
    if (!editorKey(input, e)) return false;
    const bool used = content->onKey(e);
    showChanges();
    return used;
}

void PlugView::showChanges()
{
    const Rect dirty = content->takeDirty();
    if (window && !dirty.empty()) window->invalidate(dirty.x, dirty.y, dirty.w, dirty.h);
}

void PlugView::paint(cairo_t* cr, double, double, double, double)
{
    CairoCanvas canvas(cr);
    content->draw(canvas);
}

void PlugView::pointer(MouseEvent::Kind kind, const PointerInput& input)
{
    MouseEvent e;
    e.kind = kind;
    e.where = {input.x, input.y};
    e.button = input.button;
    e.modifiers = editorModifiers(input);
    const View* focusBefore = content->focus();
    content->onMouse(e);
    // A field that starts taking text needs the keyboard of the window.
    if (window && content->focus() && content->focus() != focusBefore) window->takeKeyboardFocus();
    showChanges();
}

void PlugView::pointerDown(const PointerInput& input)
{
    pointer(MouseEvent::Kind::Down, input);
}

void PlugView::pointerMove(const PointerInput& input)
{
    pointer(MouseEvent::Kind::Move, input);
}

void PlugView::pointerUp(const PointerInput& input)
{
    pointer(MouseEvent::Kind::Up, input);
}

void PlugView::wheel(const PointerInput& where, double delta)
{
    WheelEvent e;
    e.where = {where.x, where.y};
    e.delta = delta;
    e.modifiers = editorModifiers(where);
    content->onWheel(e);
    showChanges();
}

bool PlugView::keyDown(const KeyInput& input)
{
    return key(input);
}

bool PlugView::keyUp(const KeyInput&)
{
    return false;
}

void PlugView::tick()
{
    content->idle(nowMilliseconds());
    showChanges();
}

} // namespace vosk::ui
