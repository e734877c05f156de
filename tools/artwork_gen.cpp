// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Draws every image the editor description names into the folder given as the
// only argument. Deterministic: the same fonts give the same bytes, so the
// pictures are built with the plug-in rather than kept as binaries.
#include "common/numbers.h"

#include <cairo.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using vosk::kPi;
std::string outDir;
int failures = 0;

// The files the editor needs; each drawing must be one of them, and all must be drawn.
const std::vector<std::string> kImageFiles = {
#define VOSK_IMAGE(name, file) file,
#include "images.def"
#undef VOSK_IMAGE
};
std::vector<std::string> drawn;

// The path a drawing is written to; an image the manifest does not list is an error.
std::string outputPath(const std::string& name)
{
    if (std::find(kImageFiles.begin(), kImageFiles.end(), name) == kImageFiles.end()) {
        std::fprintf(stderr, "%s is not listed in images.def\n", name.c_str());
        ++failures;
    }
    drawn.push_back(name);
    return outDir + "/" + name;
}

struct Rgb
{
    double r, g, b;
};

// Small linear congruential generator: the same noise on every machine.
struct Noise
{
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() // -1 .. 1
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 23) - 1.0;
    }
};

double clamp01(double v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

// Brushed metal: horizontal streaks from noise smeared along each row.
void brushedMetal(cairo_surface_t* s, Rgb base, double amount, uint32_t seed)
{
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    Noise noise(seed);
    std::vector<double> row(static_cast<size_t>(w)), sums(static_cast<size_t>(w) + 1);
    const int window = 24;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) row[static_cast<size_t>(x)] = noise.next();
        sums[0] = 0;
        for (int x = 0; x < w; ++x)
            sums[static_cast<size_t>(x) + 1] = sums[static_cast<size_t>(x)] + row[static_cast<size_t>(x)];
        const double rowShade = noise.next() * 0.35;
        for (int x = 0; x < w; ++x) {
            int a = x - window < 0 ? 0 : x - window, b = x + window > w ? w : x + window;
            double streak = (sums[static_cast<size_t>(b)] - sums[static_cast<size_t>(a)]) / (b - a) * 3.0;
            double fine = row[static_cast<size_t>(x)] * 0.15;
            double v = (streak + fine + rowShade) * amount;
            uint32_t px = 0xff000000u | static_cast<uint32_t>(clamp01(base.r + v) * 255 + 0.5) << 16 |
                          static_cast<uint32_t>(clamp01(base.g + v) * 255 + 0.5) << 8 |
                          static_cast<uint32_t>(clamp01(base.b + v) * 255 + 0.5);
            *reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride) +
                                         static_cast<size_t>(x) * 4) = px;
        }
    }
    cairo_surface_mark_dirty(s);
}

void roundRectPath(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// A recessed plate: darker inside, shadow on the upper-left edge, light on the lower-right.
void recess(cairo_t* cr, double x, double y, double w, double h, double r = 8)
{
    roundRectPath(cr, x, y, w, h, r);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.32);
    cairo_fill(cr);
    roundRectPath(cr, x + 0.5, y + 0.5, w - 1, h - 1, r);
    cairo_set_line_width(cr, 1);
    cairo_pattern_t* edge = cairo_pattern_create_linear(x, y, x + w * 0.15, y + h);
    cairo_pattern_add_color_stop_rgba(edge, 0, 0, 0, 0, 0.8);
    cairo_pattern_add_color_stop_rgba(edge, 1, 1, 1, 1, 0.18);
    cairo_set_source(cr, edge);
    cairo_stroke(cr);
    cairo_pattern_destroy(edge);
}

void text(cairo_t* cr, const char* s, double cx, double baseline, double size, Rgb c, double alpha = 1,
          bool bold = false, const char* face = "DejaVu Sans")
{
    cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s, &e);
    double x = cx - e.width / 2 - e.x_bearing;
    // Engraved: a dark line above, a light line below the letters.
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7 * alpha);
    cairo_move_to(cr, x, baseline - 1);
    cairo_show_text(cr, s);
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, s);
}

// Tick scale around a knob centre, the 270-degree sweep starting at 135 degrees.
void knobScale(cairo_t* cr, double cx, double cy, double r0, double r1, int ticks)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < ticks; ++i) {
        double a = (135.0 + 270.0 * i / (ticks - 1)) * kPi / 180.0;
        bool major = i == 0 || i == ticks - 1 || i == (ticks - 1) / 2;
        double inner = major ? r0 - 1.5 : r0;
        cairo_set_line_width(cr, major ? 1.6 : 1.0);
        cairo_set_source_rgba(cr, 0.85, 0.87, 0.9, major ? 0.9 : 0.55);
        cairo_move_to(cr, cx + inner * std::cos(a), cy + inner * std::sin(a));
        cairo_line_to(cr, cx + r1 * std::cos(a), cy + r1 * std::sin(a));
        cairo_stroke(cr);
    }
}

void screwHead(cairo_t* cr, double cx, double cy, double r, double slotAngle)
{
    cairo_arc(cr, cx + 1, cy + 1.5, r, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.4, r * 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.92, 0.92, 0.94);
    cairo_pattern_add_color_stop_rgb(p, 0.6, 0.62, 0.63, 0.66);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.32, 0.33, 0.36);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    for (double a : {slotAngle, slotAngle + kPi / 2}) {
        cairo_set_line_width(cr, r * 0.22);
        cairo_set_source_rgba(cr, 0.08, 0.08, 0.09, 0.9);
        cairo_move_to(cr, cx - r * 0.72 * std::cos(a), cy - r * 0.72 * std::sin(a));
        cairo_line_to(cr, cx + r * 0.72 * std::cos(a), cy + r * 0.72 * std::sin(a));
        cairo_stroke(cr);
    }
}

// Black knurled knob with a white pointer; angle in radians, screen coordinates.
void blackKnob(cairo_t* cr, double cx, double cy, double r, double angle)
{
    cairo_arc(cr, cx + 1.5, cy + 2.5, r + 1, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_fill(cr);
    // Knurled skirt.
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.09, 0.09, 0.1);
    cairo_fill(cr);
    cairo_set_line_width(cr, 1);
    for (int i = 0; i < 48; ++i) {
        double a = angle + i * 2 * kPi / 48;
        cairo_set_source_rgba(cr, 0.35, 0.36, 0.38, 0.55);
        cairo_move_to(cr, cx + (r - 3) * std::cos(a), cy + (r - 3) * std::sin(a));
        cairo_line_to(cr, cx + (r - 0.5) * std::cos(a), cy + (r - 0.5) * std::sin(a));
        cairo_stroke(cr);
    }
    // Cap with a soft top light.
    const double cap = r * 0.8;
    cairo_pattern_t* p = cairo_pattern_create_linear(cx, cy - cap, cx, cy + cap);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.3, 0.31, 0.33);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.07, 0.07, 0.08);
    cairo_arc(cr, cx, cy, cap, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
    cairo_stroke(cr);
    // Pointer.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 3);
    cairo_set_source_rgb(cr, 0.97, 0.97, 0.95);
    cairo_move_to(cr, cx + cap * 0.25 * std::cos(angle), cy + cap * 0.25 * std::sin(angle));
    cairo_line_to(cr, cx + (r - 2) * std::cos(angle), cy + (r - 2) * std::sin(angle));
    cairo_stroke(cr);
}

// Brushed aluminium knob with a red pointer.
void silverKnob(cairo_t* cr, double cx, double cy, double r, double angle)
{
    cairo_arc(cr, cx + 1.5, cy + 2.5, r + 1, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.16, 0.16, 0.17);
    cairo_fill(cr);
    const double face = r - 3;
    cairo_pattern_t* p = cairo_pattern_create_linear(cx - face, cy - face, cx + face, cy + face);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.9, 0.91, 0.92);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 0.62, 0.63, 0.65);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.42, 0.43, 0.45);
    cairo_arc(cr, cx, cy, face, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_width(cr, 0.6);
    for (int i = 1; i < 9; ++i) { // turned rings
        cairo_arc(cr, cx, cy, face * i / 9.0, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1, 1, 1, i % 2 ? 0.12 : 0.0);
        cairo_stroke(cr);
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 3.2);
    cairo_set_source_rgb(cr, 0.85, 0.1, 0.08);
    cairo_move_to(cr, cx + face * 0.35 * std::cos(angle), cy + face * 0.35 * std::sin(angle));
    cairo_line_to(cr, cx + (face - 2) * std::cos(angle), cy + (face - 2) * std::sin(angle));
    cairo_stroke(cr);
}

void lamp(cairo_t* cr, double cx, double cy, double r, Rgb c, bool lit)
{
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.07, 0.07, 0.08);
    cairo_fill(cr);
    const double lens = r - 2;
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - lens * 0.3, cy - lens * 0.3, 0, cx, cy, lens);
    if (lit) {
        cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 0.95);
        cairo_pattern_add_color_stop_rgb(p, 0.35, c.r, c.g, c.b);
        cairo_pattern_add_color_stop_rgb(p, 1, c.r * 0.55, c.g * 0.55, c.b * 0.55);
    } else {
        cairo_pattern_add_color_stop_rgb(p, 0, c.r * 0.45, c.g * 0.45, c.b * 0.45);
        cairo_pattern_add_color_stop_rgb(p, 1, c.r * 0.12, c.g * 0.12, c.b * 0.12);
    }
    cairo_arc(cr, cx, cy, lens, 0, 2 * kPi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_arc(cr, cx - lens * 0.3, cy - lens * 0.35, lens * 0.3, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.6 : 0.18);
    cairo_fill(cr);
}

// Chrome bat-handle toggle on a hex nut; up is on.
void toggleSwitch(cairo_t* cr, double cx, double cy, bool on)
{
    cairo_arc(cr, cx, cy, 15, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.11);
    cairo_fill(cr);
    cairo_new_path(cr);
    for (int i = 0; i < 6; ++i) {
        double a = kPi / 6 + i * kPi / 3;
        cairo_line_to(cr, cx + 12 * std::cos(a), cy + 12 * std::sin(a));
    }
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(cx - 12, cy - 12, cx + 12, cy + 12);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.85, 0.86, 0.88);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.35, 0.36, 0.38);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    const double dir = on ? -1 : 1, tipY = cy + dir * 16;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_move_to(cr, cx + 2, cy + 2);
    cairo_line_to(cr, cx + 2, tipY + 2);
    cairo_stroke(cr);
    p = cairo_pattern_create_linear(cx - 4, 0, cx + 4, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.55, 0.56, 0.58);
    cairo_pattern_add_color_stop_rgb(p, 0.4, 0.98, 0.98, 1);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.45, 0.46, 0.48);
    cairo_set_source(cr, p);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx, tipY);
    cairo_stroke(cr);
    cairo_arc(cr, cx, tipY, 4.5, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

// Square push button with a coloured window; lit when on.
void pushButton(cairo_t* cr, double x, double y, double w, double h, Rgb c, bool on,
                const char* label = nullptr)
{
    roundRectPath(cr, x, y, w, h, 4);
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.07);
    cairo_fill(cr);
    roundRectPath(cr, x + 2, y + 2, w - 4, h - 4, 3);
    cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x, y + h);
    double k = on ? 1.0 : 0.28;
    cairo_pattern_add_color_stop_rgb(p, 0, clamp01(c.r * k + (on ? 0.25 : 0)),
                                     clamp01(c.g * k + (on ? 0.25 : 0)), clamp01(c.b * k + (on ? 0.25 : 0)));
    cairo_pattern_add_color_stop_rgb(p, 1, c.r * k * 0.6, c.g * k * 0.6, c.b * k * 0.6);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    if (label)
        text(cr, label, x + w / 2, y + h / 2 + 4, 11, on ? Rgb{0.1, 0.1, 0.1} : Rgb{0.7, 0.7, 0.7}, 1, true);
}

bool writePng(cairo_surface_t* s, const std::string& name)
{
    std::string path = outputPath(name);
    if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        ++failures;
        return false;
    }
    return true;
}

// BMP and JPEG through stb: convert cairo's premultiplied BGRA into plain RGB.
void writeRgb(cairo_surface_t* s, const std::string& name, bool jpeg)
{
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t px = *reinterpret_cast<const uint32_t*>(
                data + static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 4);
            unsigned char* o =
                &rgb[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 3];
            o[0] = static_cast<unsigned char>(px >> 16);
            o[1] = static_cast<unsigned char>(px >> 8);
            o[2] = static_cast<unsigned char>(px);
        }
    std::string path = outputPath(name);
    int ok = jpeg ? stbi_write_jpg(path.c_str(), w, h, 3, rgb.data(), 88)
                  : stbi_write_bmp(path.c_str(), w, h, 3, rgb.data());
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        ++failures;
    }
}

struct Picture
{
    cairo_surface_t* surface;
    cairo_t* cr;
    Picture(int w, int h)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface))
    {
    }
    ~Picture()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

// Band strip columns, knob rows and the master knobs, as laid out by the description.
const int kStripX[8] = {100, 180, 260, 340, 565, 640, 715, 790};
const int kKnobY[4] = {170, 260, 350, 440};

void background()
{
    Picture p(1024, 566);
    cairo_t* cr = p.cr;
    brushedMetal(p.surface, {0.19, 0.195, 0.21}, 0.035, 1);
    // Slight vignette so the panel reads as one piece of metal.
    cairo_pattern_t* v = cairo_pattern_create_linear(0, 0, 0, 566);
    cairo_pattern_add_color_stop_rgba(v, 0, 1, 1, 1, 0.06);
    cairo_pattern_add_color_stop_rgba(v, 0.5, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(v, 1, 0, 0, 0, 0.25);
    cairo_set_source(cr, v);
    cairo_paint(cr);
    cairo_pattern_destroy(v);

    // Panel sections.
    recess(cr, 14, 82, 82, 100);      // low cut
    recess(cr, 92, 46, 320, 484);     // left / mid bands
    recess(cr, 412, 112, 146, 418);   // centre column
    recess(cr, 443, 24, 84, 90);      // bypass
    recess(cr, 556, 46, 306, 484);    // right / side bands
    recess(cr, 864, 82, 82, 100);     // high cut
    recess(cr, 936, 140, 56, 276, 6); // meters
    recess(cr, 924, 414, 88, 116);    // input gain

    // Engraved separators between the band strips.
    cairo_set_line_width(cr, 1);
    for (int x : {176, 256, 336, 636, 711, 786}) {
        cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
        cairo_move_to(cr, x + 0.5, 54);
        cairo_line_to(cr, x + 0.5, 522);
        cairo_stroke(cr);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
        cairo_move_to(cr, x + 1.5, 54);
        cairo_line_to(cr, x + 1.5, 522);
        cairo_stroke(cr);
    }
    // Row rules between the knob rows.
    for (int ch = 0; ch < 2; ++ch)
        for (int y : {258, 348, 438}) {
            double x0 = ch == 0 ? 98 : 562, x1 = ch == 0 ? 406 : 856;
            cairo_set_source_rgba(cr, 1, 1, 1, 0.05);
            cairo_move_to(cr, x0, y + 0.5);
            cairo_line_to(cr, x1, y + 0.5);
            cairo_stroke(cr);
        }

    for (int x : kStripX)
        for (int y : kKnobY) knobScale(cr, x + 35, y + 35, 26, 30, 11);
    knobScale(cr, 420 + 34.5, 168 + 34.5, 29, 33, 11);
    knobScale(cr, 420 + 34.5, 440 + 34.5, 29, 33, 11);
    knobScale(cr, 930 + 34.5, 440 + 34.5, 29, 33, 11);

    // Printed legends.
    text(cr, "Tarnwell Mastering Velmor", 255, 32, 20, {0.93, 0.93, 0.95}, 1, true, "DejaVu Serif");
    text(cr, "LINEAR-PHASE MASTERING EQUALISER", 712, 28, 10, {0.75, 0.76, 0.8}, 1, true);
    text(cr, "CHANNEL  L / MID", 252, 42, 8, {0.7, 0.72, 0.76}, 0.9, true);
    text(cr, "CHANNEL  R / SIDE", 710, 42, 8, {0.7, 0.72, 0.76}, 0.9, true);
    text(cr, "29 Hz", 55, 196, 8, {0.7, 0.72, 0.76}, 0.9);
    text(cr, "18 kHz", 905, 196, 8, {0.7, 0.72, 0.76}, 0.9);
    text(cr, "PEAK", 965, 146, 7, {0.7, 0.72, 0.76}, 0.9, true);
    // Meter scale between and beside the two meters.
    for (int i = 0; i <= 10; ++i) {
        double y = 410 - i * 22.0;
        cairo_set_source_rgba(cr, 0.85, 0.87, 0.9, i % 5 == 0 ? 0.9 : 0.5);
        cairo_move_to(cr, 963, y + 0.5);
        cairo_line_to(cr, i % 5 == 0 ? 969 : 967, y + 0.5);
        cairo_stroke(cr);
    }
    writePng(p.surface, "GUI_Edit.png");
}

void knobStrip(const char* name, int frames, int size, bool silver, double radius)
{
    Picture p(size, size * frames);
    for (int i = 0; i < frames; ++i) {
        double angle = (135.0 + 270.0 * i / (frames - 1)) * kPi / 180.0;
        double cx = size / 2.0, cy = size / 2.0 + i * size;
        if (silver)
            silverKnob(p.cr, cx, cy, radius, angle);
        else
            blackKnob(p.cr, cx, cy, radius, angle);
    }
    writePng(p.surface, name);
}

void lampPair(const char* name, Rgb c)
{
    Picture p(22, 44);
    lamp(p.cr, 11, 11, 9.5, c, false);
    lamp(p.cr, 11, 33, 9.5, c, true);
    writePng(p.surface, name);
}

void about()
{
    Picture p(1024, 570);
    cairo_t* cr = p.cr;
    brushedMetal(p.surface, {0.11, 0.115, 0.13}, 0.025, 7);
    cairo_pattern_t* g = cairo_pattern_create_radial(512, 240, 50, 512, 285, 620);
    cairo_pattern_add_color_stop_rgba(g, 0, 0.25, 0.3, 0.4, 0.35);
    cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, 0.6);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    // A response curve across the picture: the instrument's own subject.
    cairo_set_line_width(cr, 2.5);
    cairo_set_source_rgba(cr, 0.35, 0.75, 1.0, 0.55);
    for (int x = 80; x <= 944; x += 2) {
        double t = (x - 80) / 864.0;
        double db = 2.2 * std::exp(-std::pow((t - 0.3) / 0.08, 2)) -
                    1.6 * std::exp(-std::pow((t - 0.62) / 0.05, 2)) +
                    1.4 * std::exp(-std::pow((t - 0.85) / 0.1, 2)) - 6 * std::exp(-t * 40) -
                    6 * std::exp(-(1 - t) * 45);
        double y = 420 - db * 14;
        if (x == 80)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
    }
    cairo_stroke(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, 80, 420.5);
    cairo_line_to(cr, 944, 420.5);
    cairo_stroke(cr);

    text(cr, "VOSK", 512, 190, 96, {0.95, 0.96, 0.98}, 1, true);
    text(cr, "Tarnwell Mastering Velmor", 512, 236, 24, {0.8, 0.82, 0.86}, 1, false, "DejaVu Serif");
    text(cr, "Linear-phase mastering equaliser", 512, 290, 17, {0.78, 0.8, 0.85});
    text(cr,
         "Left / right or mid / side  \xc2\xb7  four bands per channel  \xc2\xb7  29 Hz low cut, 18 kHz high "
         "cut",
         512, 318, 13, {0.65, 0.68, 0.73});
    text(cr, "16384-point FIR  \xc2\xb7  latency 12288 samples  \xc2\xb7  VST 3", 512, 340, 13,
         {0.65, 0.68, 0.73});
    text(cr, "Version " VOSK_VERSION, 512, 500, 13, {0.7, 0.72, 0.76});
    text(cr, "Click anywhere to close", 512, 540, 12, {0.55, 0.58, 0.62});
    writePng(p.surface, "About.png");
}

void meterStrip(const char* name, bool lit)
{
    Picture p(12, 220);
    cairo_set_source_rgb(p.cr, 0.04, 0.04, 0.05);
    cairo_paint(p.cr);
    const int segments = 27;
    for (int i = 0; i < segments; ++i) {
        double top = 220.0 - (i + 1) * 220.0 / segments, h = 220.0 / segments;
        double t = static_cast<double>(i) / (segments - 1);
        Rgb c = t < 0.7 ? Rgb{0.2, 0.9, 0.3} : t < 0.9 ? Rgb{0.95, 0.8, 0.15} : Rgb{1, 0.2, 0.15};
        double k = lit ? 1 : 0.2;
        cairo_rectangle(p.cr, 1, top + 1, 10, h - 2);
        cairo_set_source_rgb(p.cr, c.r * k, c.g * k, c.b * k);
        cairo_fill(p.cr);
    }
    writeRgb(p.surface, name, false);
}

void smallPieces()
{
    {
        Picture p(40, 40);
        screwHead(p.cr, 20, 20, 9, 0.6);
        writePng(p.surface, "screw.png");
    }
    {
        Picture p(56, 112);
        toggleSwitch(p.cr, 28, 31, false);
        toggleSwitch(p.cr, 28, 56 + 31, true);
        writePng(p.surface, "switch_toggle.png");
    }
    // Link, mid/side and the solo switches (bound to the other channel's mute) act
    // at value 0, the frame shown first: that one is lit.
    for (auto [name, c] :
         {std::pair{"SwitchYellow.png", Rgb{1, 0.82, 0.1}}, {"SwitchRedd.png", Rgb{1, 0.18, 0.12}}}) {
        Picture p(42, 61);
        pushButton(p.cr, 1, 0, 40, 30, c, true);
        pushButton(p.cr, 1, 30.5, 40, 30, c, false);
        writePng(p.surface, name);
    }
    lampPair("led.png", {1, 0.15, 0.1});
    lampPair("led_Green.png", {0.2, 1, 0.3});
    lampPair("led_purple.png", {0.7, 0.3, 1});
    lampPair("led_Turk.png", {0.1, 0.9, 0.9});
    lampPair("led_Orange.png", {1, 0.55, 0.1});
    lampPair("led_Yellow.png", {1, 0.9, 0.15});
    {
        Picture p(145, 33);
        text(p.cr, "Tarnwell", 72, 24, 20, {0.92, 0.92, 0.95}, 1, true, "DejaVu Serif");
        writePng(p.surface, "tarnwell1.png");
    }
    {
        Picture p(12, 22);
        roundRectPath(p.cr, 0.5, 0.5, 11, 21, 2);
        cairo_set_source_rgb(p.cr, 0.75, 0.76, 0.78);
        cairo_fill(p.cr);
        cairo_rectangle(p.cr, 0, 10, 12, 2);
        cairo_set_source_rgb(p.cr, 0.1, 0.1, 0.1);
        cairo_fill(p.cr);
        writePng(p.surface, "slider_handle.png");
    }
    {
        Picture p(18, 130);
        cairo_set_source_rgb(p.cr, 0.18, 0.18, 0.2);
        cairo_paint(p.cr);
        cairo_rectangle(p.cr, 7, 4, 4, 122);
        cairo_set_source_rgb(p.cr, 0.02, 0.02, 0.02);
        cairo_fill(p.cr);
        writeRgb(p.surface, "slider_bkg_vert.bmp", false);
    }
    {
        Picture p(32, 288);
        cairo_rectangle(p.cr, 14, 4, 4, 280);
        cairo_set_source_rgb(p.cr, 0.03, 0.03, 0.03);
        cairo_fill(p.cr);
        roundRectPath(p.cr, 4, 130, 24, 28, 3);
        cairo_set_source_rgb(p.cr, 0.7, 0.71, 0.73);
        cairo_fill(p.cr);
        writePng(p.surface, "Slider51.png");
    }
    {
        Picture p(128, 256);
        for (int i = 0; i < 2; ++i) {
            lamp(p.cr, 64, 64 + i * 128, 56, {0.3, 0.6, 1}, i == 1);
        }
        writePng(p.surface, "big_button.png");
    }
    {
        Picture p(68, 200);
        for (int i = 0; i < 2; ++i) {
            pushButton(p.cr, 6, 10 + i * 100, 56, 80, {1, 0.25, 0.15}, i == 1, "POWER");
        }
        writePng(p.surface, "PowerSwitch2013.png");
    }
    {
        Picture p(100, 56);
        pushButton(p.cr, 2, 1, 46, 26, {0.3, 0.8, 1}, false, "L");
        pushButton(p.cr, 52, 1, 46, 26, {0.3, 0.8, 1}, false, "R");
        pushButton(p.cr, 2, 29, 46, 26, {0.3, 0.8, 1}, true, "L");
        pushButton(p.cr, 52, 29, 46, 26, {0.3, 0.8, 1}, true, "R");
        writePng(p.surface, "LRBOUTONS.png");
    }
    {
        Picture p(70, 42);
        pushButton(p.cr, 1, 0.5, 68, 20, {1, 0.82, 0.1}, false, "M/S");
        pushButton(p.cr, 1, 21.5, 68, 20, {1, 0.82, 0.1}, true, "M/S");
        writePng(p.surface, "MSbuttonSmall.png");
    }
    {
        Picture p(120, 3120);
        for (int i = 0; i < 26; ++i) {
            double top = i * 120.0;
            roundRectPath(p.cr, 4, top + 20, 112, 80, 6);
            cairo_set_source_rgb(p.cr, 0.93, 0.88, 0.72);
            cairo_fill(p.cr);
            double a = (-140 + 100.0 * i / 25) * kPi / 180;
            cairo_set_source_rgb(p.cr, 0.1, 0.1, 0.1);
            cairo_set_line_width(p.cr, 1.5);
            cairo_move_to(p.cr, 60, top + 95);
            cairo_line_to(p.cr, 60 + 62 * std::cos(a), top + 95 + 62 * std::sin(a));
            cairo_stroke(p.cr);
        }
        writePng(p.surface, "AnalogVU.png");
    }
    {
        Picture p(3000, 1662);
        brushedMetal(p.surface, {0.17, 0.175, 0.19}, 0.035, 3);
        writeRgb(p.surface, "dark-metal6RU.jpg", true);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    outDir = argv[1];
    background();
    about();
    knobStrip("TB304.png", 66, 70, false, 22);
    knobStrip("DESIGNER_KNOB.png", 31, 69, true, 25);
    knobStrip("knob_66_black.png", 10, 66, false, 24);
    meterStrip("vu_off.bmp", false);
    meterStrip("vu_on.bmp", true);
    smallPieces();
    for (const std::string& file : kImageFiles)
        if (std::find(drawn.begin(), drawn.end(), file) == drawn.end()) {
            std::fprintf(stderr, "%s is listed in images.def but not drawn\n", file.c_str());
            ++failures;
        }
    return failures == 0 ? 0 : 1;
}
