// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot.h"

#include "common/numbers.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

// Not in standard C++ before C++20.

namespace vosk {
namespace {

constexpr int kWidth = 1400;
constexpr int kHeight = 900;
constexpr const char* kFont = "DejaVu Sans";

struct Colour
{
    double r, g, b;
};
constexpr Colour kCurveColours[] = {{0.12, 0.40, 0.75}, {0.90, 0.45, 0.10}, {0.20, 0.60, 0.30},
                                    {0.60, 0.25, 0.65}, {0.75, 0.15, 0.20}, {0.35, 0.35, 0.38}};
constexpr size_t kColourCount = sizeof kCurveColours / sizeof kCurveColours[0];
constexpr Colour kText = {0.15, 0.15, 0.18};
constexpr Colour kMuted = {0.42, 0.42, 0.46};

struct Panel
{
    double x, y, w, h;
    double fLow, fHigh;
    double vLow, vHigh;

    double px(double f) const { return x + w * std::log(f / fLow) / std::log(fHigh / fLow); }
    double py(double v) const { return y + h * (vHigh - v) / (vHigh - vLow); }
};

void setColour(cairo_t* cr, Colour c, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void text(cairo_t* cr, double x, double y, const std::string& s, double size, double alignX, double alignY,
          bool bold = false)
{
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - e.x_advance * alignX, y + e.height * alignY);
    cairo_show_text(cr, s.c_str());
}

std::string frequencyLabel(double f)
{
    char buf[16];
    if (f >= 1000)
        snprintf(buf, sizeof buf, "%gk", f / 1000);
    else
        snprintf(buf, sizeof buf, "%g", f);
    return buf;
}

// Grid: every 1..9 x decade, labels at 1, 2 and 5.
void frequencyGrid(cairo_t* cr, const Panel& p, bool labels)
{
    for (double decade = 1; decade <= p.fHigh; decade *= 10) {
        for (int k = 1; k <= 9; ++k) {
            const double f = decade * k;
            if (f < p.fLow || f > p.fHigh) continue;
            const bool major = k == 1;
            cairo_set_source_rgba(cr, 0, 0, 0, major ? 0.22 : 0.08);
            cairo_set_line_width(cr, 1.0);
            const double x = std::round(p.px(f)) + 0.5;
            cairo_move_to(cr, x, p.y);
            cairo_line_to(cr, x, p.y + p.h);
            cairo_stroke(cr);
            if (labels && (k == 1 || k == 2 || k == 5)) {
                setColour(cr, major ? kText : kMuted);
                text(cr, x, p.y + p.h + 8, frequencyLabel(f), 13, 0.5, 1.0);
            }
        }
    }
}

void valueGrid(cairo_t* cr, const Panel& p, double step, int decimals, bool sign, double emphasise)
{
    for (double v = std::ceil(p.vLow / step) * step; v <= p.vHigh + 1e-9; v += step) {
        const bool strong = std::fabs(v - emphasise) < step * 1e-3;
        cairo_set_source_rgba(cr, 0, 0, 0, strong ? 0.45 : 0.12);
        cairo_set_line_width(cr, strong ? 1.4 : 1.0);
        const double y = std::round(p.py(v)) + 0.5;
        cairo_move_to(cr, p.x, y);
        cairo_line_to(cr, p.x + p.w, y);
        cairo_stroke(cr);
        char buf[32];
        const bool zero = std::fabs(v) < 1e-9;
        snprintf(buf, sizeof buf, sign && !zero ? "%+.*f" : "%.*f", decimals, zero ? 0.0 : v);
        setColour(cr, kText);
        text(cr, p.x - 10, y, buf, 13, 1.0, 0.5);
    }
}

void frame(cairo_t* cr, const Panel& p)
{
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, p.x, p.y, p.w, p.h);
    cairo_fill(cr);
}

void border(cairo_t* cr, const Panel& p)
{
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, std::round(p.x) + 0.5, std::round(p.y) + 0.5, std::round(p.w), std::round(p.h));
    cairo_stroke(cr);
}

// Draws the values as one line, leaving gaps where a value is missing.
void curve(cairo_t* cr, const Panel& p, const std::vector<double>& freqs, const std::vector<double>& values,
           Colour colour, bool dashed)
{
    cairo_save(cr);
    cairo_rectangle(cr, p.x, p.y, p.w, p.h);
    cairo_clip(cr);
    setColour(cr, colour);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (dashed) {
        const double dash[] = {7.0, 5.0};
        cairo_set_dash(cr, dash, 2, 0);
    }
    bool drawing = false;
    for (size_t i = 0; i < freqs.size(); ++i) {
        if (!std::isfinite(values[i])) {
            drawing = false;
            continue;
        }
        // Keep far-off values near the panel so clipping draws them as leaving it.
        const double v = std::clamp(values[i], p.vLow - (p.vHigh - p.vLow), p.vHigh + (p.vHigh - p.vLow));
        if (drawing)
            cairo_line_to(cr, p.px(freqs[i]), p.py(v));
        else
            cairo_move_to(cr, p.px(freqs[i]), p.py(v));
        drawing = true;
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t encode(cairo_surface_t* surface, std::vector<uint8_t>& png, std::string& error)
{
    png.clear();
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, appendBytes, &png);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        error = std::string("cannot encode the plot: ") + cairo_status_to_string(status);
    return status;
}

struct LegendEntry
{
    std::string label;
    Colour colour;
    bool dashed;
};

// A box of sample lines and labels inside the panel's top right corner.
void legend(cairo_t* cr, const Panel& p, const std::vector<LegendEntry>& entries, double width, double row,
            double padding)
{
    const double lh = row * static_cast<double>(entries.size()) + padding;
    const double lx = p.x + p.w - width - 12, ly = p.y + 12;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.92);
    cairo_rectangle(cr, lx, ly, width, lh);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    for (size_t c = 0; c < entries.size(); ++c) {
        const double y = ly + row - 5 + row * static_cast<double>(c);
        setColour(cr, entries[c].colour);
        cairo_set_line_width(cr, 3);
        if (entries[c].dashed) {
            const double dash[] = {7.0, 5.0};
            cairo_set_dash(cr, dash, 2, 0);
        }
        cairo_move_to(cr, lx + 12, y);
        cairo_line_to(cr, lx + 48, y);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        setColour(cr, kText);
        text(cr, lx + 58, y, entries[c].label, 14, 0.0, 0.35);
    }
}

void verticalLabel(cairo_t* cr, const Panel& p, const std::string& label)
{
    setColour(cr, kText);
    cairo_save(cr);
    cairo_translate(cr, 26, p.y + p.h / 2);
    cairo_rotate(cr, -kPi / 2);
    text(cr, 0, 0, label, 14, 0.5, 0.5);
    cairo_restore(cr);
}

// Time on a linear axis, for the impulse responses.
struct TimePanel
{
    double x, y, w, h;
    double tHighMs;
    double vLow, vHigh;

    double px(double ms) const { return x + w * ms / tHighMs; }
    double py(double v) const { return y + h * (vHigh - v) / (vHigh - vLow); }
};

// Where an impulse response rises above a level (dB of its peak) and where it peaks.
struct ImpulseShape
{
    size_t peak = 0;
    size_t first = 0; // the first sample above kRingingDb
    size_t last = 0;  // the last sample above the plot's floor
};

constexpr double kImpulseFloorDb = -120;
constexpr double kRingingDb = -80;

ImpulseShape shapeOf(const std::vector<float>& taps)
{
    ImpulseShape shape;
    float peak = 0;
    for (size_t i = 0; i < taps.size(); ++i)
        if (std::fabs(taps[i]) > peak) peak = std::fabs(taps[i]), shape.peak = i;
    const double ringing = peak * std::pow(10.0, kRingingDb / 20),
                 floor = peak * std::pow(10.0, kImpulseFloorDb / 20);
    shape.first = shape.peak;
    for (size_t i = 0; i < shape.peak; ++i)
        if (std::fabs(taps[i]) >= ringing) {
            shape.first = i;
            break;
        }
    for (size_t i = taps.size(); i > 0; --i)
        if (std::fabs(taps[i - 1]) >= floor) {
            shape.last = i - 1;
            break;
        }
    return shape;
}

void timeGrid(cairo_t* cr, const TimePanel& p, double stepMs)
{
    for (double ms = 0; ms <= p.tHighMs + 1e-9; ms += stepMs) {
        cairo_set_source_rgba(cr, 0, 0, 0, ms == 0 ? 0.22 : 0.1);
        cairo_set_line_width(cr, 1.0);
        const double x = std::round(p.px(ms)) + 0.5;
        cairo_move_to(cr, x, p.y);
        cairo_line_to(cr, x, p.y + p.h);
        cairo_stroke(cr);
        char buf[32];
        snprintf(buf, sizeof buf, "%g", ms);
        setColour(cr, kText);
        text(cr, x, p.y + p.h + 8, buf, 13, 0.5, 1.0);
    }
    for (double db = p.vLow; db <= p.vHigh + 1e-9; db += 20) {
        cairo_set_source_rgba(cr, 0, 0, 0, db == 0 ? 0.3 : 0.1);
        const double y = std::round(p.py(db)) + 0.5;
        cairo_move_to(cr, p.x, y);
        cairo_line_to(cr, p.x + p.w, y);
        cairo_stroke(cr);
        char buf[16];
        snprintf(buf, sizeof buf, "%.0f", db);
        setColour(cr, kText);
        text(cr, p.x - 10, y, buf, 13, 1.0, 0.5);
    }
}

// The loudest sample of each pixel column, in dB of the peak, filled down to the floor.
void impulseEnvelope(cairo_t* cr, const TimePanel& p, const std::vector<float>& taps, size_t peak,
                     double sampleRate, Colour colour)
{
    const double peakLevel = std::fabs(static_cast<double>(taps[peak]));
    if (!(peakLevel > 0)) return;
    const int columns = static_cast<int>(p.w);
    const double samplesPerColumn = p.tHighMs / 1000.0 * sampleRate / columns;
    cairo_save(cr);
    cairo_rectangle(cr, p.x, p.y, p.w, p.h);
    cairo_clip(cr);
    cairo_move_to(cr, p.x, p.py(p.vLow));
    for (int c = 0; c < columns; ++c) {
        const auto from = static_cast<size_t>(c * samplesPerColumn);
        const auto to = std::min(taps.size(), static_cast<size_t>((c + 1) * samplesPerColumn) + 1);
        double loudest = 0;
        for (size_t i = from; i < to; ++i)
            loudest = std::max(loudest, std::fabs(static_cast<double>(taps[i])));
        const double db = loudest > 0 ? std::max(20 * std::log10(loudest / peakLevel), p.vLow) : p.vLow;
        cairo_line_to(cr, p.x + c + 0.5, p.py(db));
    }
    cairo_line_to(cr, p.x + p.w, p.py(p.vLow));
    cairo_close_path(cr);
    setColour(cr, colour, 0.25);
    cairo_fill_preserve(cr);
    setColour(cr, colour);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool sameCurve(const std::vector<double>& a, const std::vector<double>& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i] - b[i]) > 0.01 && std::isfinite(a[i]) && std::isfinite(b[i])) return false;
    return true;
}

} // namespace

bool renderResponsePng(const Response& r, const PlotLabels& labels, const std::vector<PhaseImpulse>& impulses,
                       std::vector<uint8_t>& png, std::string& error)
{
    if (r.frequencies.empty() || r.curves.empty()) {
        error = "nothing to plot";
        return false;
    }
    constexpr double kImpulseTop = kHeight + 30, kImpulseHeight = 150, kImpulseGap = 70;
    const int height =
        impulses.empty()
            ? kHeight
            : static_cast<int>(kImpulseTop + impulses.size() * (kImpulseHeight + kImpulseGap) + 20);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.965, 0.965, 0.97);
    cairo_paint(cr);

    const double fLow = r.frequencies.front(), fHigh = r.frequencies.back();
    const double left = 90, right = 40, top = 110;
    const double plotW = kWidth - left - right;
    Panel mag{left, top, plotW, 470, fLow, fHigh, -24, 12};
    Panel delay{left, top + 470 + 75, plotW, 170, fLow, fHigh, 0, 1};

    // Magnitude range: the passband decides; the fixed cuts fall off the bottom.
    double peak = -1e9, trough = 1e9;
    for (const auto& c : r.curves) {
        for (size_t i = 0; i < r.frequencies.size(); ++i) {
            const double f = r.frequencies[i];
            if (f < 40 || f > std::min(16000.0, fHigh * 0.9)) continue;
            peak = std::max(peak, c.magnitudeDb[i]);
            trough = std::min(trough, c.magnitudeDb[i]);
        }
    }
    if (peak < -1e8) peak = 0, trough = 0;
    mag.vHigh = std::max(6.0, std::ceil((peak + 1.5) / 3.0) * 3.0);
    mag.vLow = std::min(-18.0, std::floor((trough - 3.0) / 3.0) * 3.0);
    mag.vLow = std::max(mag.vLow, -60.0);
    const double dbStep = mag.vHigh - mag.vLow > 40 ? 6.0 : 3.0;

    // Group delay in milliseconds, shown only where the signal passes (within
    // 40 dB of the top of the curve), around the reported latency.
    const double msPerSample = 1000.0 / r.sampleRate;
    std::vector<std::vector<double>> delayMs;
    double dLow = 1e9, dHigh = -1e9;
    for (const auto& c : r.curves) {
        std::vector<double> d(r.frequencies.size(), NAN);
        double curvePeak = -1e9;
        for (double v : c.magnitudeDb) curvePeak = std::max(curvePeak, v);
        for (size_t i = 0; i < d.size(); ++i) {
            if (c.magnitudeDb[i] < curvePeak - 40) continue;
            d[i] = c.groupDelaySamples[i] * msPerSample;
            if (std::isfinite(d[i])) dLow = std::min(dLow, d[i]), dHigh = std::max(dHigh, d[i]);
        }
        delayMs.push_back(d);
    }
    const double latencyMs = r.latencySamples * msPerSample;
    if (dLow > dHigh) dLow = dHigh = latencyMs;
    dLow = std::min(dLow, latencyMs);
    dHigh = std::max(dHigh, latencyMs);
    double spread = std::max(dHigh - dLow, 2.0);
    // A linear-phase curve is flat: give it a calm axis rather than magnifying rounding.
    const double centre = (dHigh + dLow) / 2;
    double delayStep = 1.0;
    for (double s : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0}) {
        delayStep = s;
        if (spread * 1.3 / s <= 6) break;
    }
    delay.vLow = std::floor((centre - spread * 0.65) / delayStep) * delayStep;
    delay.vHigh = std::ceil((centre + spread * 0.65) / delayStep) * delayStep;
    if (delay.vLow < 0 && dLow >= 0) delay.vLow = 0;

    // Title and what produced the curve.
    setColour(cr, kText);
    text(cr, left, 38, labels.title + " \xE2\x80\x94 frequency response", 24, 0.0, 0.5, true);
    char sub[256];
    snprintf(sub, sizeof sub, "%.0f Hz sample rate  \xC2\xB7  latency %.0f samples (%.1f ms)", r.sampleRate,
             r.latencySamples, latencyMs);
    std::string subtitle = sub;
    if (!labels.preset.empty()) subtitle += "  \xC2\xB7  preset " + labels.preset;
    setColour(cr, kMuted);
    text(cr, left, 68, subtitle, 14, 0.0, 0.5);
    if (!labels.settings.empty()) {
        std::string settings = "settings:";
        for (const auto& s : labels.settings) settings += " " + s;
        if (settings.size() > 170) settings = settings.substr(0, 167) + "...";
        text(cr, left, 90, settings, 13, 0.0, 0.5);
    }

    // Magnitude panel.
    frame(cr, mag);
    frequencyGrid(cr, mag, true);
    valueGrid(cr, mag, dbStep, 0, true, 0.0);
    const bool overlap = r.curves.size() == 2 && sameCurve(r.curves[0].magnitudeDb, r.curves[1].magnitudeDb);
    for (size_t c = 0; c < r.curves.size(); ++c)
        curve(cr, mag, r.frequencies, r.curves[c].magnitudeDb, kCurveColours[c % 2], overlap && c == 1);
    border(cr, mag);
    verticalLabel(cr, mag, "magnitude (dB)");

    // Legend, inside the magnitude panel's top right corner.
    {
        std::vector<LegendEntry> entries;
        for (size_t c = 0; c < r.curves.size(); ++c)
            entries.push_back({r.curves[c].label, kCurveColours[c % 2], overlap && c == 1});
        legend(cr, mag, entries, 150, 24, 14);
    }

    // Group delay panel.
    frame(cr, delay);
    frequencyGrid(cr, delay, true);
    valueGrid(cr, delay, delayStep, delayStep < 1 ? 1 : 0, false, -1e9);
    {
        cairo_save(cr);
        const double dash[] = {3.0, 4.0};
        cairo_set_dash(cr, dash, 2, 0);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
        cairo_set_line_width(cr, 1.2);
        const double y = std::round(delay.py(latencyMs)) + 0.5;
        cairo_move_to(cr, delay.x, y);
        cairo_line_to(cr, delay.x + delay.w, y);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    for (size_t c = 0; c < delayMs.size(); ++c)
        curve(cr, delay, r.frequencies, delayMs[c], kCurveColours[c % 2], overlap && c == 1);
    border(cr, delay);
    setColour(cr, kMuted);
    text(cr, delay.x + delay.w, delay.y - 14,
         "dashed line: reported latency  \xC2\xB7  shown where the level is within 40 dB of its peak", 12,
         1.0, 0.0);
    verticalLabel(cr, delay, "group delay (ms)");
    setColour(cr, kText);
    text(cr, delay.x + delay.w / 2, delay.y + delay.h + 44, "frequency (Hz)", 14, 0.5, 0.5);

    // The impulse responses, on one time axis: the latency, and the ringing before
    // the peak, side by side.
    std::vector<ImpulseShape> shapes;
    double lastMs = 1;
    for (const PhaseImpulse& impulse : impulses) {
        shapes.push_back(impulse.taps.empty() ? ImpulseShape{} : shapeOf(impulse.taps));
        lastMs = std::max(lastMs, (shapes.back().last + 1) * msPerSample);
    }
    double timeStep = 1;
    for (double s : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0}) {
        timeStep = s;
        if (lastMs * 1.05 / s <= 12) break;
    }
    const double tHigh = std::ceil(lastMs * 1.05 / timeStep) * timeStep;
    for (size_t k = 0; k < impulses.size(); ++k) {
        const PhaseImpulse& impulse = impulses[k];
        const ImpulseShape& shape = shapes[k];
        const double panelTop = kImpulseTop + k * (kImpulseHeight + kImpulseGap);
        const TimePanel p{left, panelTop, plotW, kImpulseHeight, tHigh, kImpulseFloorDb, 0};
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, p.x, p.y, p.w, p.h);
        cairo_fill(cr);
        timeGrid(cr, p, timeStep);
        if (!impulse.taps.empty()) {
            // The latency reported, where a host expects the peak.
            cairo_save(cr);
            const double dash[] = {3.0, 4.0};
            cairo_set_dash(cr, dash, 2, 0);
            cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
            cairo_set_line_width(cr, 1.2);
            const double x = std::round(p.px(impulse.latencySamples * msPerSample)) + 0.5;
            cairo_move_to(cr, x, p.y);
            cairo_line_to(cr, x, p.y + p.h);
            cairo_stroke(cr);
            cairo_restore(cr);
            impulseEnvelope(cr, p, impulse.taps, shape.peak, r.sampleRate, kCurveColours[k % kColourCount]);
        }
        cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
        cairo_set_line_width(cr, 1.0);
        cairo_rectangle(cr, std::round(p.x) + 0.5, std::round(p.y) + 0.5, std::round(p.w), std::round(p.h));
        cairo_stroke(cr);
        char heading[256];
        snprintf(heading, sizeof heading, "%s phase, %s channel: latency %.0f samples (%.1f ms)",
                 impulse.phase, impulse.channel, impulse.latencySamples,
                 impulse.latencySamples * msPerSample);
        setColour(cr, kText);
        text(cr, p.x, p.y - 16, heading, 15, 0.0, 0.0, true);
        const size_t before = shape.peak - shape.first;
        snprintf(heading, sizeof heading,
                 "peak at %.1f ms  \xC2\xB7  above %.0f dB for %zu sample%s (%.1f ms) before the peak",
                 shape.peak * msPerSample, kRingingDb, before, before == 1 ? "" : "s", before * msPerSample);
        setColour(cr, kMuted);
        text(cr, p.x + p.w, p.y - 16, heading, 12, 1.0, 0.0);
        cairo_save(cr);
        cairo_translate(cr, 26, p.y + p.h / 2);
        cairo_rotate(cr, -kPi / 2);
        setColour(cr, kText);
        text(cr, 0, 0, "level (dB)", 14, 0.5, 0.5);
        cairo_restore(cr);
    }
    if (!impulses.empty()) {
        setColour(cr, kText);
        text(cr, left + plotW / 2, height - 24, "time after the impulse (ms)", 14, 0.5, 0.5);
    }

    cairo_destroy(cr);
    return encode(surface, png, error) == CAIRO_STATUS_SUCCESS;
}

bool renderCurvesPng(const CurvesPlot& plot, std::vector<uint8_t>& png, std::string& error)
{
    if (plot.frequencies.empty() || plot.panels.empty()) {
        error = "nothing to plot";
        return false;
    }
    const double left = 90, right = 40, top = 125, gap = 70, bottom = 70;
    const double panelH = plot.panels.size() == 1 ? 600 : 340;
    const int height =
        static_cast<int>(top + panelH * plot.panels.size() + gap * (plot.panels.size() - 1) + bottom);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.965, 0.965, 0.97);
    cairo_paint(cr);
    setColour(cr, kText);
    text(cr, left, 38, plot.title, 24, 0.0, 0.5, true);
    setColour(cr, kMuted);
    text(cr, left, 68, plot.subtitle, 14, 0.0, 0.5);

    for (size_t k = 0; k < plot.panels.size(); ++k) {
        const PlotPanel& panel = plot.panels[k];
        Panel p{left,
                top + k * (panelH + gap),
                kWidth - left - right,
                panelH,
                plot.frequencies.front(),
                plot.frequencies.back(),
                0,
                1};
        double high = -1e9, low = 1e9;
        for (const auto& c : panel.curves)
            for (double v : c.values)
                if (std::isfinite(v)) high = std::max(high, v), low = std::min(low, v);
        if (low > high) low = high = 0;
        // What lies far below the top (a spectrum beyond its filter's edge) leaves the panel.
        low = std::max(low, high - 54.0);
        const double span = std::max(high - low, 6.0);
        const double step = span > 60 ? 12 : span > 30 ? 6 : span > 12 ? 3 : 1;
        p.vHigh = std::ceil((high + span * 0.08) / step) * step;
        p.vLow = std::floor((low - span * 0.08) / step) * step;
        frame(cr, p);
        frequencyGrid(cr, p, true);
        valueGrid(cr, p, step, 0, true, 0.0);
        for (size_t c = 0; c < panel.curves.size(); ++c)
            curve(cr, p, plot.frequencies, panel.curves[c].values, kCurveColours[c % kColourCount],
                  panel.curves[c].dashed);
        border(cr, p);
        verticalLabel(cr, p, panel.yLabel);
        if (!panel.title.empty()) {
            setColour(cr, kText);
            text(cr, p.x, p.y - 16, panel.title, 15, 0.0, 0.0, true);
        }
        std::vector<LegendEntry> entries;
        for (size_t c = 0; c < panel.curves.size(); ++c)
            entries.push_back(
                {panel.curves[c].label, kCurveColours[c % kColourCount], panel.curves[c].dashed});
        legend(cr, p, entries, 300, 22, 12);
        if (k + 1 == plot.panels.size()) {
            setColour(cr, kText);
            text(cr, p.x + p.w / 2, p.y + p.h + 44, "frequency (Hz)", 14, 0.5, 0.5);
        }
    }
    cairo_destroy(cr);
    return encode(surface, png, error) == CAIRO_STATUS_SUCCESS;
}

} // namespace vosk
