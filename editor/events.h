// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Input as plain records: the window layer translates its platform events into
// these, and tests build them directly.
#pragma once

#include "canvas.h"

#include <cstdint>

namespace vosk::ui {

enum Modifier : uint32_t {
    kShift = 1u << 0,   // fine adjustment
    kControl = 1u << 1, // click resets to the default value
    kAlt = 1u << 2,
};

struct MouseEvent
{
    enum class Kind { Down, Move, Up, Leave }; // Leave: the pointer left the window
    Kind kind = Kind::Down;
    Point where;
    int button = 1; // 1 left, 2 middle, 3 right
    uint32_t modifiers = 0;
    int clicks = 1; // 2 for the second press of a double click
};

struct WheelEvent
{
    Point where;
    double delta = 0; // notches, positive away from the user
    uint32_t modifiers = 0;
};

enum class Key { Character, Backspace, Delete, Return, Escape, Left, Right, Home, End, Tab };

struct KeyEvent
{
    Key key = Key::Character;
    char32_t character = 0; // for Key::Character
    uint32_t modifiers = 0;
};

} // namespace vosk::ui
