// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What every platform window keeps alike: a logical size at a scale factor,
// whose product is the window's size in device pixels. A change of either
// reshapes the platform's window and surfaces.
#pragma once

#include "editor/platform/window.h"

#include <algorithm>
#include <cmath>

namespace vosk::ui {

class ScaledWindow : public Window
{
public:
    void setScale(double newFactor) override
    {
        if (!(newFactor > 0) || newFactor == factor) return;
        factor = newFactor;
        reshape();
    }

    void setSize(int newWidth, int newHeight) override
    {
        if (newWidth == logicalWidth && newHeight == logicalHeight) return;
        logicalWidth = newWidth;
        logicalHeight = newHeight;
        reshape();
    }

    double scale() const override { return factor; }

protected:
    ScaledWindow(int width, int height, double initialScale)
        : logicalWidth(width), logicalHeight(height), factor(initialScale)
    {
    }

    // The platform's window and surfaces take the new device size; all of it repaints.
    virtual void reshape() = 0;

    int deviceWidth() const { return std::max(1, static_cast<int>(std::lround(logicalWidth * factor))); }
    int deviceHeight() const { return std::max(1, static_cast<int>(std::lround(logicalHeight * factor))); }

    int logicalWidth, logicalHeight;
    double factor;
};

} // namespace vosk::ui
