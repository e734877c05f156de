// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Direct2D implementation of the canvas: DirectWrite text with a list of
// fallback fonts, images decoded by WIC, and offscreen rendering into a WIC bitmap.
#pragma once

#include "editor/canvas.h"

#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vosk::ui {

template <typename T> using ComPtr = Microsoft::WRL::ComPtr<T>;

// Decoded pixels, premultiplied BGRA; each render target makes its own bitmap of them.
class D2DImage : public Image
{
public:
    D2DImage(int width, int height, std::vector<uint8_t> pixels)
        : width_(width), height_(height), pixels_(std::move(pixels))
    {
    }
    int width() const override { return width_; }
    int height() const override { return height_; }
    const std::vector<uint8_t>& pixels() const { return pixels_; }

private:
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

// Keeps COM initialised on this thread for as long as it lives, when the host
// has not done so already.
class ComScope
{
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

// The process's Direct2D and DirectWrite factories, made on first use.
ID2D1Factory* d2dFactory();
IDWriteFactory* writeFactory();

// The first family of the fallback list of `family` that the system has
// ("sans-serif", "serif" and "monospace" name lists of their own).
std::wstring resolveFontFamily(const std::string& family);

class D2DCanvas : public Canvas
{
public:
    // Draws on `target` between its BeginDraw and EndDraw; the canvas keeps the
    // target's bitmaps and text formats, so it lives as long as the target.
    explicit D2DCanvas(ID2D1RenderTarget* target);
    // Logical pixels to the target's pixels: times `scale`, with the target's
    // corner at the device pixel (originX, originY). Set before each drawing.
    void place(double scale, int originX, int originY);

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
    // Pops every clip and layer still pushed; the target needs that before EndDraw.
    void unwind();

private:
    enum class Pushed { Save, Clip, Layer };
    void popOne();
    void popThrough(Pushed kind); // pops up to and with the last entry of that kind
    ID2D1SolidColorBrush* brush(Color c);
    ID2D1Bitmap* bitmapOf(const D2DImage& image);
    ComPtr<IDWriteTextLayout> layout(const std::string& utf8, const Font& font);
    // The points as one figure, closed and filled or open; null when Direct2D fails.
    ComPtr<ID2D1PathGeometry> pathThrough(const std::vector<Point>& points, bool closed);

    ComPtr<ID2D1RenderTarget> target_;
    double scale_ = 1;
    ComPtr<ID2D1SolidColorBrush> brush_;
    std::vector<Pushed> pushed_;
    std::map<const D2DImage*, ComPtr<ID2D1Bitmap>> bitmaps_;
    std::map<std::pair<std::string, std::pair<double, bool>>, ComPtr<IDWriteTextFormat>> formats_;
};

// An offscreen picture in device pixels (logical size times scale) to draw
// into with Direct2D and read back.
class D2DOffscreen
{
public:
    D2DOffscreen(int width, int height, double scale = 1);
    D2DOffscreen(const D2DOffscreen&) = delete;
    D2DOffscreen& operator=(const D2DOffscreen&) = delete;
    bool valid() const { return canvas_ != nullptr; }
    // Between begin() and end() the canvas draws; end() is false when drawing failed.
    Canvas& begin();
    bool end();
    int width() const { return pixelWidth_; }
    int height() const { return pixelHeight_; }
    // What has been drawn, in device pixels.
    std::unique_ptr<D2DImage> picture() const;
    std::vector<uint8_t> encodePng() const; // empty when encoding fails

private:
    ComScope com_;
    double scale_;
    int pixelWidth_, pixelHeight_;
    ComPtr<IWICImagingFactory> wic_;
    ComPtr<IWICBitmap> bitmap_;
    ComPtr<ID2D1RenderTarget> target_;
    std::unique_ptr<D2DCanvas> canvas_;
};

// The render target properties every Direct2D target of the editor uses: premultiplied
// BGRA (or ignored alpha for windows) at 96 dots per inch, where a target's units
// are its pixels. The scale is the canvas's transform (D2DCanvas::place), never
// the target's DPI: implementations disagree on how a DPI combines with a clip
// under a translated transform, and Wine's put partial repaints out of place.
D2D1_RENDER_TARGET_PROPERTIES renderTargetProperties(D2D1_ALPHA_MODE alpha);

} // namespace vosk::ui
