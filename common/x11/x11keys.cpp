// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/x11/x11keys.h"

#include "pluginterfaces/base/keycodes.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

using namespace Steinberg;

namespace vosk {
namespace {

int16 virtualKeyOf(KeySym sym)
{
    switch (sym) {
    case XK_BackSpace:
        return KEY_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return KEY_TAB;
    case XK_Clear:
        return KEY_CLEAR;
    case XK_Return:
        return KEY_RETURN;
    case XK_Pause:
        return KEY_PAUSE;
    case XK_Escape:
        return KEY_ESCAPE;
    case XK_space:
        return KEY_SPACE;
    case XK_End:
    case XK_KP_End:
        return KEY_END;
    case XK_Home:
    case XK_KP_Home:
        return KEY_HOME;
    case XK_Left:
    case XK_KP_Left:
        return KEY_LEFT;
    case XK_Up:
    case XK_KP_Up:
        return KEY_UP;
    case XK_Right:
    case XK_KP_Right:
        return KEY_RIGHT;
    case XK_Down:
    case XK_KP_Down:
        return KEY_DOWN;
    case XK_Page_Up:
    case XK_KP_Page_Up:
        return KEY_PAGEUP;
    case XK_Page_Down:
    case XK_KP_Page_Down:
        return KEY_PAGEDOWN;
    case XK_Select:
        return KEY_SELECT;
    case XK_Print:
        return KEY_PRINT;
    case XK_KP_Enter:
        return KEY_ENTER;
    case XK_Insert:
    case XK_KP_Insert:
        return KEY_INSERT;
    case XK_Delete:
    case XK_KP_Delete:
        return KEY_DELETE;
    case XK_Help:
        return KEY_HELP;
    case XK_KP_Multiply:
        return KEY_MULTIPLY;
    case XK_KP_Add:
        return KEY_ADD;
    case XK_KP_Separator:
        return KEY_SEPARATOR;
    case XK_KP_Subtract:
        return KEY_SUBTRACT;
    case XK_KP_Decimal:
        return KEY_DECIMAL;
    case XK_KP_Divide:
        return KEY_DIVIDE;
    case XK_Num_Lock:
        return KEY_NUMLOCK;
    case XK_Scroll_Lock:
        return KEY_SCROLL;
    case XK_Shift_L:
    case XK_Shift_R:
        return KEY_SHIFT;
    case XK_Control_L:
    case XK_Control_R:
        return KEY_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
        return KEY_ALT;
    case XK_Menu:
        return KEY_CONTEXTMENU;
    default:
        break;
    }
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return static_cast<int16>(KEY_NUMPAD0 + (sym - XK_KP_0));
    if (sym >= XK_F1 && sym <= XK_F12) return static_cast<int16>(KEY_F1 + (sym - XK_F1));
    if (sym >= XK_F13 && sym <= XK_F19) return static_cast<int16>(KEY_F13 + (sym - XK_F13));
    return 0;
}

} // namespace

bool translateKey(XKeyEvent& event, PlugViewKey& key)
{
    char text[8] = {};
    KeySym sym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &sym, nullptr);

    key = PlugViewKey{};
    if (event.state & ShiftMask) key.modifiers |= kShiftKey;
    if (event.state & Mod1Mask) key.modifiers |= kAlternateKey;
    if (event.state & ControlMask) key.modifiers |= kCommandKey;

    key.virtualKey = virtualKeyOf(sym);
    if (key.virtualKey == 0 && length == 1 && static_cast<unsigned char>(text[0]) >= 0x20 &&
        static_cast<unsigned char>(text[0]) != 0x7f) {
        // XLookupString answers in Latin-1, which maps one to one onto UTF-16.
        key.character = static_cast<char16>(static_cast<unsigned char>(text[0]));
    }
    if (key.virtualKey == KEY_SPACE) key.character = u' ';
    return key.virtualKey != 0 || key.character != 0;
}

} // namespace vosk
