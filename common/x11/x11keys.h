// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Translation of X11 key events into the key, virtual key code and modifiers
// that IPlugView::onKeyDown and onKeyUp take.

#include "pluginterfaces/base/ftypes.h"

#include <X11/Xlib.h>

namespace vosk {

struct PlugViewKey
{
    Steinberg::char16 character = 0; // the key's character, 0 for keys without one
    Steinberg::int16 virtualKey = 0; // a VirtualKeyCodes value, 0 for character keys
    Steinberg::int16 modifiers = 0;  // KeyModifier bits
};

// False for keys that have neither a character nor a virtual code (lone modifiers
// excepted, which map to KEY_SHIFT, KEY_CONTROL and KEY_ALT).
bool translateKey(XKeyEvent& event, PlugViewKey& key);

} // namespace vosk
