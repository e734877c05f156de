// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows implementation of the editor window: a child of the host's window,
// drawn with Direct2D, served by the host's message loop (a timer gives the tick).
#include "editor/platform/scaledwindow.h"

#include "d2dcanvas.h"

#include "editor/platform/tickpacing.h"

#include "pluginterfaces/base/keycodes.h"
#include "pluginterfaces/gui/iplugview.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Steinberg;

namespace vosk::ui {
namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMilliseconds = 33;
constexpr UINT kDpiChangedAfterParent = 0x02E3; // WM_DPICHANGED_AFTERPARENT, Windows 10 1703
const wchar_t kClassName[] = L"VoskEditorWindow";

// The window class is registered while editors are open and goes with the last
// one, so that the module can be unloaded.
int classUsers = 0;

HINSTANCE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool registerClass()
{
    if (classUsers++ > 0) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = thisModule();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
    --classUsers;
    return false;
}

void unregisterClass()
{
    if (--classUsers == 0) UnregisterClassW(kClassName, thisModule());
}

uint32_t pointerModifiers(WPARAM wParam)
{
    uint32_t m = 0;
    if (wParam & MK_SHIFT) m |= kPointerShift;
    if (wParam & MK_CONTROL) m |= kPointerControl;
    if (GetKeyState(VK_MENU) < 0) m |= kPointerAlt;
    return m;
}

int16 keyModifiers()
{
    int16 m = 0;
    if (GetKeyState(VK_SHIFT) < 0) m |= kShiftKey;
    if (GetKeyState(VK_MENU) < 0) m |= kAlternateKey;
    if (GetKeyState(VK_CONTROL) < 0) m |= kCommandKey;
    return m;
}

// The VirtualKeyCodes value of a key without a character of its own; 0 for the
// keys that type (their WM_CHAR carries them).
int16 virtualKeyOf(WPARAM key, LPARAM lParam)
{
    const bool extended = (lParam & (1 << 24)) != 0;
    switch (key) {
    case VK_BACK:
        return KEY_BACK;
    case VK_TAB:
        return KEY_TAB;
    case VK_CLEAR:
        return KEY_CLEAR;
    case VK_RETURN:
        return extended ? KEY_ENTER : KEY_RETURN;
    case VK_PAUSE:
        return KEY_PAUSE;
    case VK_ESCAPE:
        return KEY_ESCAPE;
    case VK_END:
        return KEY_END;
    case VK_HOME:
        return KEY_HOME;
    case VK_LEFT:
        return KEY_LEFT;
    case VK_UP:
        return KEY_UP;
    case VK_RIGHT:
        return KEY_RIGHT;
    case VK_DOWN:
        return KEY_DOWN;
    case VK_PRIOR:
        return KEY_PAGEUP;
    case VK_NEXT:
        return KEY_PAGEDOWN;
    case VK_SELECT:
        return KEY_SELECT;
    case VK_PRINT:
        return KEY_PRINT;
    case VK_SNAPSHOT:
        return KEY_SNAPSHOT;
    case VK_INSERT:
        return KEY_INSERT;
    case VK_DELETE:
        return KEY_DELETE;
    case VK_HELP:
        return KEY_HELP;
    case VK_SHIFT:
        return KEY_SHIFT;
    case VK_CONTROL:
        return KEY_CONTROL;
    case VK_MENU:
        return KEY_ALT;
    default:
        if (key >= VK_F1 && key <= VK_F12) return static_cast<int16>(KEY_F1 + (key - VK_F1));
        return 0;
    }
}

class Win32Window final : public ScaledWindow
{
public:
    Win32Window(WindowClient& c, int width, int height, double initialScale)
        : ScaledWindow(width, height, initialScale), client(c)
    {
    }

    ~Win32Window() override
    {
        dropTarget();
        if (hwnd) {
            KillTimer(hwnd, kTickTimer);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); // no callbacks from here on
            DestroyWindow(hwnd);
        }
        if (registered) unregisterClass();
    }

    bool create(HWND parent)
    {
        registered = registerClass();
        if (!registered) return false;
        hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                               0, 0, deviceWidth(), deviceHeight(), parent, nullptr, thisModule(), this);
        if (!hwnd) return false;
        SetTimer(hwnd, kTickTimer, kTickMilliseconds, nullptr);
        return true;
    }

    void invalidate(double x, double y, double w, double h) override
    {
        if (!hwnd) return;
        const RECT r{static_cast<LONG>(std::floor(x * factor)), static_cast<LONG>(std::floor(y * factor)),
                     static_cast<LONG>(std::ceil((x + w) * factor)),
                     static_cast<LONG>(std::ceil((y + h) * factor))};
        InvalidateRect(hwnd, &r, FALSE);
    }

    void paintNow() override
    {
        if (hwnd) UpdateWindow(hwnd);
    }

    void reshape() override
    {
        dropTarget();
        if (!hwnd) return;
        SetWindowPos(hwnd, nullptr, 0, 0, deviceWidth(), deviceHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd, nullptr, FALSE);
    }

    double systemScale() const override
    {
        using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
        static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
        // Threads that are not DPI aware get 96 here, and Windows scales them itself.
        const UINT dpi = getDpiForWindow && hwnd ? getDpiForWindow(hwnd) : 0;
        return dpi ? dpi / 96.0 : 0;
    }

    void takeKeyboardFocus() override
    {
        if (hwnd) SetFocus(hwnd);
    }

    std::uintptr_t nativeHandle() const override { return reinterpret_cast<std::uintptr_t>(hwnd); }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1; // the paint covers everything
        case WM_TIMER:
            if (wParam != kTickTimer) break;
            if (pacing.due(TickPacing::Clock::now())) client.tick();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: {
            // A drag that leaves the window still reaches it.
            SetCapture(hwnd);
            auto input = pointer(wParam, lParam, buttonOf(message));
            input.clicks =
                message == WM_LBUTTONDBLCLK || message == WM_MBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ? 2
                                                                                                          : 1;
            client.pointerDown(input);
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP:
            if (!(wParam & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON))) ReleaseCapture();
            client.pointerUp(pointer(wParam, lParam, buttonOf(message)));
            return 0;
        case WM_MOUSEMOVE: {
            if (!trackingLeave) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
                trackingLeave = TrackMouseEvent(&track) != FALSE;
            }
            const int button = (wParam & MK_LBUTTON)   ? 1
                               : (wParam & MK_MBUTTON) ? 2
                               : (wParam & MK_RBUTTON) ? 3
                                                       : 0;
            client.pointerMove(pointer(wParam, lParam, button));
            return 0;
        }
        case WM_MOUSELEAVE:
            trackingLeave = false;
            client.pointerLeave();
            return 0;
        case WM_MOUSEWHEEL: {
            // The position comes in screen coordinates.
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(hwnd, &at);
            PointerInput input;
            input.x = at.x / factor;
            input.y = at.y / factor;
            input.button = 0;
            input.modifiers = pointerModifiers(GET_KEYSTATE_WPARAM(wParam));
            client.wheel(input, static_cast<double>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA);
            return 0;
        }
        case WM_GETDLGCODE:
            // Hosts that run dialogs must let the fields have every key.
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const int16 virtualKey = virtualKeyOf(wParam, lParam);
            if (!virtualKey) break;
            const KeyInput key{0, virtualKey, keyModifiers()};
            const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            if (down ? client.keyDown(key) : client.keyUp(key)) return 0;
            break;
        }
        case WM_CHAR: {
            const auto character = static_cast<char16_t>(wParam);
            if (character < 0x20 || character == 0x7f) return 0; // control keys came as WM_KEYDOWN
            if (client.keyDown({character, 0, keyModifiers()})) return 0;
            break;
        }
        case kDpiChangedAfterParent:
            client.systemScaleChanged(systemScale());
            return 0;
        case WM_DPICHANGED:
            // Top-level windows get it; a host may pass it on to its children.
            client.systemScaleChanged(LOWORD(wParam) / 96.0);
            return 0;
        case WM_NCDESTROY:
            // The host destroyed its window, and ours with it.
            dropTarget();
            hwnd = nullptr;
            break;
        default:
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND hwnd = nullptr;

private:

    static int buttonOf(UINT message)
    {
        switch (message) {
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_MBUTTONUP:
            return 2;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_RBUTTONUP:
            return 3;
        default:
            return 1;
        }
    }

    PointerInput pointer(WPARAM wParam, LPARAM lParam, int button) const
    {
        PointerInput input;
        input.x = GET_X_LPARAM(lParam) / factor;
        input.y = GET_Y_LPARAM(lParam) / factor;
        input.button = button;
        input.modifiers = pointerModifiers(wParam);
        return input;
    }

    void dropTarget()
    {
        canvas.reset();
        target.Reset();
    }

    void paint()
    {
        const auto start = TickPacing::Clock::now();
        paintDirtyArea();
        pacing.painted(start, TickPacing::Clock::now());
    }

    // A render target bound to the paint DC: what it draws lands in the window's
    // own pixels, which screenshots and remote displays see. Only the area to
    // paint is bound, so only it is drawn and copied.
    void paintDirtyArea()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (!dc) return;
        const RECT dirty = ps.rcPaint;
        if (dirty.right <= dirty.left || dirty.bottom <= dirty.top) {
            EndPaint(hwnd, &ps);
            return;
        }
        if (!target) {
            const auto properties = renderTargetProperties(D2D1_ALPHA_MODE_IGNORE);
            if (!d2dFactory() || FAILED(d2dFactory()->CreateDCRenderTarget(&properties, &target))) {
                EndPaint(hwnd, &ps);
                return;
            }
            canvas = std::make_unique<D2DCanvas>(target.Get());
        }
        // Bound to the whole window, so that every paint draws through the same
        // transform (text may be smoothed otherwise through an offset than without
        // one); the paint's own clip keeps the rest of the window as it is.
        const RECT whole{0, 0, deviceWidth(), deviceHeight()};
        if (SUCCEEDED(target->BindDC(dc, &whole))) {
            const Rect area{dirty.left / factor, dirty.top / factor, (dirty.right - dirty.left) / factor,
                            (dirty.bottom - dirty.top) / factor};
            target->BeginDraw();
            canvas->place(factor, 0, 0);
            canvas->save();
            canvas->clip(area);
            client.paint(*canvas, area.x, area.y, area.w, area.h);
            canvas->unwind();
            // A lost device draws again with a new target.
            if (target->EndDraw() == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) {
                dropTarget();
                InvalidateRect(hwnd, nullptr, FALSE);
            }
        }
        EndPaint(hwnd, &ps);
    }

    WindowClient& client;
    bool registered = false;
    bool trackingLeave = false;
    ComPtr<ID2D1DCRenderTarget> target;
    std::unique_ptr<D2DCanvas> canvas;
    TickPacing pacing;
};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* window = static_cast<Win32Window*>(create->lpCreateParams);
        window->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcW(hwnd, message, wParam, lParam);
    return window->handle(message, wParam, lParam);
}

} // namespace

bool isNativeWindowType(const char* type)
{
    return type && std::strcmp(type, kPlatformTypeHWND) == 0;
}

std::unique_ptr<Window> createWindow(void* parent, IPlugFrame*, WindowClient& client, int width, int height,
                                     double scale, std::string& error)
{
    const auto parentWindow = static_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow)) {
        error = "no parent window";
        return nullptr;
    }
    auto window = std::make_unique<Win32Window>(client, width, height, scale > 0 ? scale : 1.0);
    if (!window->create(parentWindow)) {
        error = "cannot create the editor window";
        return nullptr;
    }
    return window;
}

} // namespace vosk::ui
