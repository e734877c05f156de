// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing surface the views paint on. Views know only this interface; the
// cairo implementation (platform/linux/cairocanvas.h) and the Direct2D one
// (platform/win32/d2dcanvas.h) serve both windows and offscreen images.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vosk::ui {

struct Point
{
    double x = 0, y = 0;
};

struct Rect
{
    double x = 0, y = 0, w = 0, h = 0;
    bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < x + w && p.y < y + h; }
    bool empty() const { return w <= 0 || h <= 0; }
    Rect united(const Rect& o) const;
    Rect intersected(const Rect& o) const;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

struct Color
{
    double r = 0, g = 0, b = 0, a = 1;
    bool transparent() const { return a <= 0; }
};

enum class Align { Left, Center, Right };

struct Font
{
    std::string family; // a family name or "sans-serif", "serif", "monospace"; the canvas falls back
    double size = 12;
    bool bold = false;
};

// A decoded picture; pixel data stays with the backend.
class Image
{
public:
    virtual ~Image() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

// Decodes PNG, BMP or JPEG bytes for the canvas built into this program; null
// when the bytes are none of these.
std::unique_ptr<Image> loadImage(const std::vector<uint8_t>& bytes);

class Canvas
{
public:
    virtual ~Canvas() = default;
    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void clip(const Rect& r) = 0;
    // Multiplies the alpha of everything drawn until the matching restore().
    virtual void pushAlpha(double alpha) = 0;
    virtual void popAlpha() = 0;

    virtual void fillRect(const Rect& r, Color c) = 0;
    virtual void strokeRect(const Rect& r, Color c, double lineWidth) = 0;
    virtual void fillRoundRect(const Rect& r, double radius, Color c) = 0;
    virtual void strokeRoundRect(const Rect& r, double radius, Color c, double lineWidth) = 0;
    virtual void fillRoundRectGradient(const Rect& r, double radius, Color top, Color bottom) = 0;
    virtual void line(Point a, Point b, Color c, double lineWidth) = 0;
    // Straight segments through the points in turn, joined (curves, plots).
    virtual void polyline(const std::vector<Point>& points, Color c, double lineWidth) = 0;
    // The area the points enclose, the last joined back to the first.
    virtual void fillPolygon(const std::vector<Point>& points, Color c) = 0;
    // Draws the part src of the image with its top-left corner at dest.
    virtual void drawImage(const Image& image, const Rect& src, Point dest) = 0;
    virtual void drawText(const std::string& utf8, const Rect& box, const Font& font, Color c,
                          Align align) = 0;
    // The advance of the text in logical pixels.
    virtual double textWidth(const std::string& utf8, const Font& font) = 0;
};

// Has `paint` draw into an offscreen picture of width × height and encodes it as
// PNG for the canvas built into this program; empty when that fails.
std::vector<uint8_t> drawPng(int width, int height, const std::function<void(Canvas&)>& paint);

} // namespace vosk::ui
