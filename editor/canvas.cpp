// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas.h"

#include <algorithm>

namespace vosk::ui {

Rect Rect::united(const Rect& o) const
{
    if (empty()) return o;
    if (o.empty()) return *this;
    double x0 = std::min(x, o.x), y0 = std::min(y, o.y);
    double x1 = std::max(x + w, o.x + o.w), y1 = std::max(y + h, o.y + o.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::intersected(const Rect& o) const
{
    double x0 = std::max(x, o.x), y0 = std::max(y, o.y);
    double x1 = std::min(x + w, o.x + o.w), y1 = std::min(y + h, o.y + o.h);
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace vosk::ui
