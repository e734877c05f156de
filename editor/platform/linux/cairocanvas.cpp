// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/platform/linux/cairocanvas.h"

#include "common/numbers.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace vosk::ui {

CairoImage::CairoImage(cairo_surface_t* surface) : surface_(surface) {}
CairoImage::~CairoImage()
{
    cairo_surface_destroy(surface_);
}
int CairoImage::width() const
{
    return cairo_image_surface_get_width(surface_);
}
int CairoImage::height() const
{
    return cairo_image_surface_get_height(surface_);
}

namespace {

struct ByteReader
{
    const std::vector<uint8_t>* bytes;
    size_t pos = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length)
{
    auto* r = static_cast<ByteReader*>(closure);
    if (r->bytes->size() - r->pos < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->bytes->data() + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<CairoImage> decodeWithStb(const std::vector<uint8_t>& bytes)
{
    int w = 0, h = 0, channels = 0;
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
    stbi_uc* rgba = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
    if (!rgba) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        stbi_image_free(rgba);
        cairo_surface_destroy(s);
        return nullptr;
    }
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const stbi_uc* p =
                rgba + (static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4;
            uint32_t a = p[3];
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            uint32_t px = a << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]);
            std::memcpy(data + static_cast<size_t>(y) * static_cast<size_t>(stride) +
                            static_cast<size_t>(x) * 4,
                        &px, 4);
        }
    stbi_image_free(rgba);
    cairo_surface_mark_dirty(s);
    return std::make_unique<CairoImage>(s);
}

void roundRectPath(cairo_t* cr, const Rect& r, double radius)
{
    radius = std::min({radius, r.w / 2, r.h / 2});
    if (radius <= 0) {
        cairo_rectangle(cr, r.x, r.y, r.w, r.h);
        return;
    }
    constexpr double pi = kPi;
    cairo_new_sub_path(cr);
    cairo_arc(cr, r.x + r.w - radius, r.y + radius, radius, -pi / 2, 0);
    cairo_arc(cr, r.x + r.w - radius, r.y + r.h - radius, radius, 0, pi / 2);
    cairo_arc(cr, r.x + radius, r.y + r.h - radius, radius, pi / 2, pi);
    cairo_arc(cr, r.x + radius, r.y + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void setColor(cairo_t* cr, Color c)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

} // namespace

std::unique_ptr<CairoImage> decodeImage(const std::vector<uint8_t>& bytes)
{
    static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), pngSignature, 8) == 0) {
        ByteReader reader{&bytes};
        cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readBytes, &reader);
        if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) return std::make_unique<CairoImage>(s);
        cairo_surface_destroy(s);
        return nullptr;
    }
    return decodeWithStb(bytes);
}

std::unique_ptr<Image> loadImage(const std::vector<uint8_t>& bytes)
{
    return decodeImage(bytes);
}

std::string resolveFontFamily(const std::string& family)
{
    static std::map<std::string, std::string> cache;
    auto it = cache.find(family);
    if (it != cache.end()) return it->second;
    std::string resolved = "serif";
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    if (pattern) {
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcChar8* found = nullptr;
        if (match && FcPatternGetString(match, FC_FAMILY, 0, &found) == FcResultMatch &&
            strcasecmp(reinterpret_cast<const char*>(found), family.c_str()) == 0)
            resolved = family;
        if (match) FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    if (family == "sans-serif" || family == "serif" || family == "monospace") resolved = family;
    cache[family] = resolved;
    return resolved;
}

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {}
void CairoCanvas::save()
{
    cairo_save(cr_);
}
void CairoCanvas::restore()
{
    cairo_restore(cr_);
}

void CairoCanvas::clip(const Rect& r)
{
    cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
    cairo_clip(cr_);
}

void CairoCanvas::pushAlpha(double alpha)
{
    alphas_.push_back(alpha);
    cairo_push_group(cr_);
}

void CairoCanvas::popAlpha()
{
    if (alphas_.empty()) return;
    cairo_pop_group_to_source(cr_);
    cairo_paint_with_alpha(cr_, alphas_.back());
    alphas_.pop_back();
}

void CairoCanvas::fillRect(const Rect& r, Color c)
{
    setColor(cr_, c);
    cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
    cairo_fill(cr_);
}

void CairoCanvas::strokeRect(const Rect& r, Color c, double lineWidth)
{
    setColor(cr_, c);
    cairo_set_line_width(cr_, lineWidth);
    const double inset = lineWidth / 2;
    cairo_rectangle(cr_, r.x + inset, r.y + inset, r.w - lineWidth, r.h - lineWidth);
    cairo_stroke(cr_);
}

void CairoCanvas::fillRoundRect(const Rect& r, double radius, Color c)
{
    setColor(cr_, c);
    roundRectPath(cr_, r, radius);
    cairo_fill(cr_);
}

void CairoCanvas::strokeRoundRect(const Rect& r, double radius, Color c, double lineWidth)
{
    setColor(cr_, c);
    cairo_set_line_width(cr_, lineWidth);
    const double inset = lineWidth / 2;
    roundRectPath(cr_, {r.x + inset, r.y + inset, r.w - lineWidth, r.h - lineWidth}, radius);
    cairo_stroke(cr_);
}

void CairoCanvas::fillRoundRectGradient(const Rect& r, double radius, Color top, Color bottom)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(r.x, r.y, r.x, r.y + r.h);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr_, p);
    roundRectPath(cr_, r, radius);
    cairo_fill(cr_);
    cairo_pattern_destroy(p);
}

void CairoCanvas::line(Point a, Point b, Color c, double lineWidth)
{
    setColor(cr_, c);
    cairo_set_line_width(cr_, lineWidth);
    cairo_move_to(cr_, a.x, a.y);
    cairo_line_to(cr_, b.x, b.y);
    cairo_stroke(cr_);
}

namespace {

void pathThrough(cairo_t* cr, const std::vector<Point>& points)
{
    cairo_new_path(cr);
    for (const Point& p : points) cairo_line_to(cr, p.x, p.y);
}

} // namespace

void CairoCanvas::polyline(const std::vector<Point>& points, Color c, double lineWidth)
{
    if (points.size() < 2) return;
    setColor(cr_, c);
    cairo_set_line_width(cr_, lineWidth);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    pathThrough(cr_, points);
    cairo_stroke(cr_);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
}

void CairoCanvas::fillPolygon(const std::vector<Point>& points, Color c)
{
    if (points.size() < 3) return;
    setColor(cr_, c);
    pathThrough(cr_, points);
    cairo_close_path(cr_);
    cairo_fill(cr_);
}

void CairoCanvas::drawImage(const Image& image, const Rect& src, Point dest)
{
    const auto& ci = static_cast<const CairoImage&>(image);
    cairo_save(cr_);
    cairo_rectangle(cr_, dest.x, dest.y, src.w, src.h);
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, ci.surface(), dest.x - src.x, dest.y - src.y);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

namespace {
void selectFont(cairo_t* cr, const Font& font)
{
    cairo_select_font_face(cr, resolveFontFamily(font.family).c_str(), CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.size);
}
} // namespace

void CairoCanvas::drawText(const std::string& utf8, const Rect& box, const Font& font, Color c, Align align)
{
    if (utf8.empty()) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, box.x, box.y, box.w, box.h);
    cairo_clip(cr_);
    selectFont(cr_, font);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_, &fe);
    cairo_text_extents_t te;
    cairo_text_extents(cr_, utf8.c_str(), &te);
    double x = box.x + 2;
    if (align == Align::Center)
        x = box.x + (box.w - te.x_advance) / 2;
    else if (align == Align::Right)
        x = box.x + box.w - te.x_advance - 2;
    const double baseline = box.y + (box.h - (fe.ascent + fe.descent)) / 2 + fe.ascent;
    setColor(cr_, c);
    cairo_move_to(cr_, std::round(x), std::round(baseline));
    cairo_show_text(cr_, utf8.c_str());
    cairo_restore(cr_);
}

double CairoCanvas::textWidth(const std::string& utf8, const Font& font)
{
    if (utf8.empty()) return 0;
    cairo_save(cr_);
    selectFont(cr_, font);
    cairo_text_extents_t te;
    cairo_text_extents(cr_, utf8.c_str(), &te);
    cairo_restore(cr_);
    return te.x_advance;
}

Offscreen::Offscreen(int width, int height)
    : width_(width), height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), cr_(cairo_create(surface_)),
      canvas_(std::make_unique<CairoCanvas>(cr_))
{
}

Offscreen::~Offscreen()
{
    canvas_.reset();
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

Color Offscreen::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    uint32_t px;
    std::memcpy(&px,
                data +
                    static_cast<size_t>(y) * static_cast<size_t>(cairo_image_surface_get_stride(surface_)) +
                    static_cast<size_t>(x) * 4,
                4);
    double a = (px >> 24) / 255.0;
    if (a <= 0) return {0, 0, 0, 0};
    return {((px >> 16) & 0xff) / 255.0 / a, ((px >> 8) & 0xff) / 255.0 / a, (px & 0xff) / 255.0 / a, a};
}

std::vector<uint8_t> Offscreen::encodePng() const
{
    cairo_surface_flush(surface_);
    std::vector<uint8_t> png;
    const auto append = [](void* closure, const unsigned char* data, unsigned int length) {
        auto& out = *static_cast<std::vector<uint8_t>*>(closure);
        out.insert(out.end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
    };
    if (cairo_surface_write_to_png_stream(surface_, append, &png) != CAIRO_STATUS_SUCCESS) png.clear();
    return png;
}

std::vector<uint8_t> drawPng(int width, int height, const std::function<void(Canvas&)>& paint)
{
    Offscreen picture(width, height);
    paint(picture.canvas());
    return picture.encodePng();
}

} // namespace vosk::ui
