// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Cairo implementation of the canvas, image decoding (PNG, BMP, JPEG) and
// offscreen rendering.
#pragma once

#include "editor/canvas.h"

#include <cstdint>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vosk::ui {

class CairoImage : public Image
{
public:
    explicit CairoImage(cairo_surface_t* surface); // takes ownership
    ~CairoImage() override;
    CairoImage(const CairoImage&) = delete;
    CairoImage& operator=(const CairoImage&) = delete;
    int width() const override;
    int height() const override;
    cairo_surface_t* surface() const { return surface_; }

private:
    cairo_surface_t* surface_;
};

// Decodes PNG, BMP or JPEG bytes; null when the bytes are none of these.
std::unique_ptr<CairoImage> decodeImage(const std::vector<uint8_t>& bytes);

// Maps a family name to one fontconfig has: a name it cannot match falls back to
// a serif face (the description's decorative font) .
std::string resolveFontFamily(const std::string& family);

class CairoCanvas : public Canvas
{
public:
    explicit CairoCanvas(cairo_t* cr); // does not take ownership
    void save() override;
    void restore() override;
    void clip(const Rect& r) override;
    void pushAlpha(double alpha) override;
    void popAlpha() override;
    void fillRect(const Rect& r, Color c) override;
    void strokeRect(const Rect& r, Color c, double lineWidth) override;
    void fillRoundRect(const Rect& r, double radius, Color c) override;
    void strokeRoundRect(const Rect& r, double radius, Color c, double lineWidth) override;
    void fillRoundRectGradient(const Rect& r, double radius, Color top, Color bottom) override;
    void line(Point a, Point b, Color c, double lineWidth) override;
    void polyline(const std::vector<Point>& points, Color c, double lineWidth) override;
    void fillPolygon(const std::vector<Point>& points, Color c) override;
    void drawImage(const Image& image, const Rect& src, Point dest) override;
    double textWidth(const std::string& utf8, const Font& font) override;
    void drawText(const std::string& utf8, const Rect& box, const Font& font, Color c, Align align) override;

private:
    cairo_t* cr_;
    std::vector<double> alphas_;
};

// An offscreen RGBA picture to draw into and read back.
class Offscreen
{
public:
    Offscreen(int width, int height);
    ~Offscreen();
    Offscreen(const Offscreen&) = delete;
    Offscreen& operator=(const Offscreen&) = delete;
    Canvas& canvas() { return *canvas_; }
    Color pixel(int x, int y) const; // unpremultiplied, 0..1
    std::vector<uint8_t> encodePng() const; // empty when encoding fails
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
    std::unique_ptr<CairoCanvas> canvas_;
};

} // namespace vosk::ui
