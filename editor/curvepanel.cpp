// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "curvepanel.h"

#include "editor.h"
#include "listeningviews.h"

#include "source/parameterids.h"
#include "source/parametertable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

namespace vosk::ui {

namespace {

constexpr int kCurvePoints = 256;
constexpr double kHandleRadius = 7;
constexpr double kHandleReach = 10; // how near the pointer must come to a dot
constexpr double kGridStepDb = 3;
constexpr double kLabelStepDb = 6;
constexpr double kLabelledHz[] = {50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
constexpr const char* kLabels[] = {"50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"};

// What the curve is computed from: the parameters that shape the response. The
// meters and clip lamps move with the music, and the type parameters only act
// when a host sends them; the transform length in use comes from the processor,
// and the phase leaves the magnitude drawn as it is.
bool shapesCurve(uint32_t id)
{
    switch (id) {
    case VuMeterLeft:
    case VUMeterRight:
    case kLpeak:
    case kRpeak:
    case kFftSizeMenu:
    case kPhase:
        return false;
    default:
        return isParameter(id) && !(id >= kType1 && id <= kType6);
    }
}

double gainDbOfNorm(double norm)
{
    return amplitudeToDb(1.0f + bandGainFromNorm(static_cast<float>(norm)));
}

Color withAlpha(Color c, double alpha)
{
    c.a *= alpha;
    return c;
}

} // namespace

CurvePanel::CurvePanel(Editor& editor, const ViewDesc& desc) : Control(editor, desc)
{
    if (auto* controller = editor.controller()) {
        host_ = Steinberg::FUnknownPtr<ICurvePanelHost>(controller);
        listening_ = Steinberg::FUnknownPtr<IListeningHost>(controller);
    }
    frequencies_ = logFrequencies(kLowHz, kHighHz, kCurvePoints);
    // A project saved with the panel open opens with it.
    if (host_ && host_->curvePanelOpen() && binding_) {
        binding_->performEdit(1.0);
        open();
    }
}

CurvePanel::~CurvePanel()
{
    if (spectrumAsked_) spectrumAsked_->setSpectrumWanted(false);
}

void CurvePanel::askForSpectrum()
{
    // The source may come after the panel opened (the view is built first).
    SpectrumSource* wanted = open_ ? editor_.spectrumSource() : nullptr;
    if (wanted == spectrumAsked_) return;
    if (spectrumAsked_) spectrumAsked_->setSpectrumWanted(false);
    spectrumAsked_ = wanted;
    if (spectrumAsked_) spectrumAsked_->setSpectrumWanted(true);
}

double CurvePanel::value(uint32_t id) const
{
    auto* controller = editor_.controller();
    return controller ? controller->getParamNormalized(id) : 0.0;
}

void CurvePanel::valueChanged()
{
    invalidate();
    const bool wanted = binding_ && binding_->value() >= 0.5;
    if (wanted && !open_)
        open();
    else if (!wanted && open_)
        close();
}

void CurvePanel::open()
{
    if (!editor_.resize(editor_.width(), static_cast<int>(frame_.y + frame_.h))) {
        // The host keeps its window: the panel stays closed and its button dark.
        if (binding_) binding_->performEdit(0.0);
        return;
    }
    open_ = true;
    if (host_) host_->setCurvePanelOpen(true);
    askForSpectrum();
    refresh();
    invalidate();
}

void CurvePanel::close()
{
    open_ = false;
    dragBand_ = 0;
    soloHeld_ = false;
    spectrumShown_ = false;
    curveSource_.release();
    if (host_) host_->setCurvePanelOpen(false);
    askForSpectrum();
    editor_.resize(editor_.width(), static_cast<int>(frame_.y));
}

bool CurvePanel::refresh()
{
    std::vector<double> values(kNumControlTags, -1.0); // out of range: left alone
    for (uint32_t id = 0; id < kNumControlTags; ++id)
        if (shapesCurve(id)) values[id] = value(id);
    double rate = kFallbackRate;
    Steinberg::int32 fftSize = fftSizeFromListValue(value(kFftSizeMenu));
    if (host_) host_->processingSetup(rate, fftSize);
    if (values == values_ && rate == sampleRate_ && fftSize == fftSize_) return false;
    values_ = std::move(values);
    sampleRate_ = rate;
    fftSize_ = fftSize;
    curves_ = curveSource_.evaluate(values_, sampleRate_, fftSize_, frequencies_);
    curvesEqual_ = curves_.magnitudeDb[0] == curves_.magnitudeDb[1];
    return true;
}

void CurvePanel::idle()
{
    if (!open_) return;
    askForSpectrum();
    bool changed = refresh();
    if (spectrumAsked_) {
        const bool shown = spectrumAsked_->latestSpectrum(spectrum_) && spectrum_.channels > 0;
        changed = changed || shown || spectrumShown_;
        spectrumShown_ = shown;
    }
    const ListeningRequest listening = ListeningView::current(listening_);
    if (listening.solo() != soloDrawn_.solo() ||
        (listening.solo() && (listening.soloBand != soloDrawn_.soloBand || listening.soloChannel != soloDrawn_.soloChannel)))
        changed = true;
    if (changed) invalidate();
}

// ---------------------------------------------------------------- geometry

Rect CurvePanel::plotArea() const
{
    constexpr double kLeft = 40, kRight = 12, kTop = 10, kBottom = 22;
    return {frame_.x + kLeft, frame_.y + kTop, frame_.w - kLeft - kRight, frame_.h - kTop - kBottom};
}

Rect CurvePanel::legendArea(int channel) const
{
    const Rect plot = plotArea();
    constexpr double kWidth = 44, kHeight = 16, kGap = 4;
    return {plot.x + plot.w - 6 - (2 - channel) * (kWidth + kGap), plot.y + 6, kWidth, kHeight};
}

double CurvePanel::xOf(double hz) const
{
    const Rect plot = plotArea();
    return plot.x + plot.w * std::log(hz / kLowHz) / std::log(kHighHz / kLowHz);
}

double CurvePanel::yOf(double db) const
{
    const Rect plot = plotArea();
    return plot.y + plot.h * (kMaxDb - db) / (kMaxDb - kMinDb);
}

double CurvePanel::levelAt(int channel, double hz) const
{
    const std::vector<double>& db = curves_.magnitudeDb[channel];
    if (db.size() != frequencies_.size() || db.empty()) return 0;
    const auto above = std::upper_bound(frequencies_.begin(), frequencies_.end(), hz);
    if (above == frequencies_.begin()) return db.front();
    if (above == frequencies_.end()) return db.back();
    const size_t i = static_cast<size_t>(above - frequencies_.begin());
    const double t = std::log(hz / frequencies_[i - 1]) / std::log(frequencies_[i] / frequencies_[i - 1]);
    return db[i - 1] + t * (db[i] - db[i - 1]);
}

bool CurvePanel::bandOn(int channel, int band) const
{
    const uint32_t id = bandTag(kOn1R, band, channel);
    return switchIsOn(id, value(id));
}

std::optional<Point> CurvePanel::handle(int channel, int band) const
{
    if (!bandOn(channel, band)) return std::nullopt;
    const double hz = frequencyFromNorm<double>(static_cast<float>(value(bandTag(kFreq1R, band, channel))));
    const Rect plot = plotArea();
    const double y = std::clamp(yOf(levelAt(channel, hz)), plot.y, plot.y + plot.h);
    return Point{xOf(hz), y};
}

int CurvePanel::bandAt(Point p) const
{
    int found = 0;
    double nearest = kHandleReach;
    for (int band = 1; band <= 4; ++band) {
        const auto h = handle(pointerChannel_, band);
        if (!h) continue;
        const double distance = std::hypot(p.x - h->x, p.y - h->y);
        if (distance <= nearest) {
            nearest = distance;
            found = band;
        }
    }
    return found;
}

// ---------------------------------------------------------------- input

void CurvePanel::edit(uint32_t id, double normalized)
{
    editor_.binding(static_cast<int>(id))->edit(normalized);
}

bool CurvePanel::onMouseDown(const MouseEvent& e)
{
    if (!open_ || e.button != 1) return false;
    for (int channel = 0; channel < 2; ++channel) {
        if (legendArea(channel).contains(e.where)) {
            pointerChannel_ = channel;
            invalidate();
            return true;
        }
    }
    const int band = bandAt(e.where);
    if (band == 0) return false;
    lastPressed_ = band;
    soloOnPress(band, (e.modifiers & kAlt) != 0);
    if (e.clicks == 2) {
        edit(bandTag(kGain1R, band, pointerChannel_), bandGainNormFromDb(0.0));
        return true;
    }
    dragBand_ = band;
    dragFrom_ = e.where;
    dragFreqNorm_ = value(bandTag(kFreq1R, band, pointerChannel_));
    dragGainDb_ = gainDbOfNorm(value(bandTag(kGain1R, band, pointerChannel_)));
    editor_.binding(static_cast<int>(bandTag(kFreq1R, band, pointerChannel_)))->beginEdit();
    editor_.binding(static_cast<int>(bandTag(kGain1R, band, pointerChannel_)))->beginEdit();
    return true;
}

void CurvePanel::onMouseMove(const MouseEvent& e)
{
    if (!dragBand_) return;
    const Rect plot = plotArea();
    // Relative to where the drag began, so that a dot never jumps to the pointer.
    const double decades = std::log10(kHighHz / kLowHz) * (e.where.x - dragFrom_.x) / plot.w;
    const double hz = frequencyFromNorm<double>(static_cast<float>(dragFreqNorm_)) * std::pow(10.0, decades);
    const double db = dragGainDb_ - (e.where.y - dragFrom_.y) * (kMaxDb - kMinDb) / plot.h;
    editor_.binding(static_cast<int>(bandTag(kFreq1R, dragBand_, pointerChannel_)))
        ->performEdit(normFromFrequency(hz));
    editor_.binding(static_cast<int>(bandTag(kGain1R, dragBand_, pointerChannel_)))
        ->performEdit(bandGainNormFromDb(db));
}

void CurvePanel::soloOnPress(int band, bool held)
{
    const ListeningRequest listening = ListeningView::current(listening_);
    if (!held && !listening.solo()) return;
    ListeningRequest soloed = listening;
    soloed.soloBand = band;
    soloed.soloChannel = pointerChannel_;
    if (held && !soloHeld_) {
        beforeHeldSolo_ = listening;
        soloHeld_ = true;
    }
    ListeningView::request(listening_, soloed);
    invalidate();
}

int CurvePanel::bandToSolo() const
{
    if (lastPressed_ && bandOn(pointerChannel_, lastPressed_)) return lastPressed_;
    for (int band = 1; band <= 4; ++band)
        if (bandOn(pointerChannel_, band)) return band;
    return 0;
}

void CurvePanel::onMouseUp(const MouseEvent&)
{
    if (soloHeld_) {
        // The delta or comparison asked for meanwhile stays; the solo goes back.
        ListeningRequest listening = ListeningView::current(listening_);
        listening.soloBand = beforeHeldSolo_.soloBand;
        listening.soloChannel = beforeHeldSolo_.soloChannel;
        ListeningView::request(listening_, listening);
        soloHeld_ = false;
        invalidate();
    }
    if (!dragBand_) return;
    editor_.binding(static_cast<int>(bandTag(kFreq1R, dragBand_, pointerChannel_)))->endEdit();
    editor_.binding(static_cast<int>(bandTag(kGain1R, dragBand_, pointerChannel_)))->endEdit();
    dragBand_ = 0;
}

bool CurvePanel::onWheel(const WheelEvent& e)
{
    if (!open_) return false;
    const int band = bandAt(e.where);
    if (band == 0) return false;
    // One step of the width's list per notch, finer with shift.
    const double step = (e.modifiers & kShift ? 0.25 : 1.0) / kWidthSteps;
    const uint32_t id = bandTag(kBW1R, band, pointerChannel_);
    edit(id, std::clamp(value(id) + e.delta * step, 0.0, 1.0));
    return true;
}

// ---------------------------------------------------------------- drawing

Color CurvePanel::channelColor(int channel) const
{
    return channel == 0 ? color("left-color", {0.95, 0.7, 0.24, 1})
                        : color("right-color", {0.31, 0.7, 0.91, 1});
}

void CurvePanel::draw(Canvas& canvas)
{
    if (!open_) return;
    canvas.fillRect(frame_, color("background-color", {0.08, 0.09, 0.1, 1}));
    const Rect plot = plotArea();
    canvas.save();
    canvas.clip(plot);
    if (spectrumShown_) drawSpectrum(canvas, plot);
    drawGrid(canvas, plot);
    drawCurves(canvas, plot);
    canvas.restore();
    drawAxisLabels(canvas, plot);
    drawHandles(canvas);
    drawLegend(canvas);
}

void CurvePanel::drawGrid(Canvas& canvas, const Rect& plot)
{
    const Color grid = color("grid-color", {1, 1, 1, 0.14});
    for (double db = kMinDb; db <= kMaxDb; db += kGridStepDb) {
        const double y = std::round(yOf(db)) + 0.5;
        canvas.line({plot.x, y}, {plot.x + plot.w, y},
                    db == 0 ? color("zero-line-color", {1, 1, 1, 0.3}) : grid, 1);
    }
    for (double hz : kLabelledHz) {
        const double x = std::round(xOf(hz)) + 0.5;
        canvas.line({x, plot.y}, {x, plot.y + plot.h}, grid, 1);
    }
}

// Text stands on whole pixels: a part of the panel drawn again then shows it
// exactly as a full draw does.
void CurvePanel::drawAxisLabels(Canvas& canvas, const Rect& plot)
{
    const Color labels = color("label-color", {0.63, 0.64, 0.66, 1});
    const Font f = font("font");
    for (double db = kMinDb; db <= kMaxDb; db += kLabelStepDb) {
        char text[16];
        std::snprintf(text, sizeof text, "%+g", db);
        canvas.drawText(db == 0 ? "0" : text, {frame_.x, std::round(yOf(db)) - 8, plot.x - frame_.x - 6, 16},
                        f, labels, Align::Right);
    }
    // The last label keeps inside the panel.
    for (size_t i = 0; i < std::size(kLabelledHz); ++i)
        canvas.drawText(kLabels[i],
                        {std::min(std::round(xOf(kLabelledHz[i])) - 20, frame_.x + frame_.w - 40),
                         plot.y + plot.h + 2, 40, 18},
                        f, labels, Align::Center);
}

void CurvePanel::drawSpectrum(Canvas& canvas, const Rect& plot)
{
    const auto yOfLevel = [&plot](double db) {
        return plot.y + plot.h * std::clamp(-db / -kSpectrumFloorDb, 0.0, 1.0);
    };
    const Color input = color("spectrum-input-color", {0.54, 0.56, 0.59, 0.19});
    const Color output = color("spectrum-output-color", {0.78, 0.8, 0.82, 0.44});
    const int channels = std::min(spectrum_.channels, 2);
    for (int c = 0; c < channels; ++c) {
        std::vector<Point> in, out;
        in.reserve(SpectrumPicture::kPoints + 2);
        out.reserve(SpectrumPicture::kPoints);
        in.push_back({xOf(SpectrumPicture::frequency(0)), plot.y + plot.h});
        for (int i = 0; i < SpectrumPicture::kPoints; ++i) {
            const double x = xOf(SpectrumPicture::frequency(i));
            in.push_back({x, yOfLevel(spectrum_.inputDb[c][i])});
            out.push_back({x, yOfLevel(spectrum_.outputDb[c][i])});
        }
        in.push_back({xOf(SpectrumPicture::frequency(SpectrumPicture::kPoints - 1)), plot.y + plot.h});
        // The side, where there is one, fainter than the mid.
        const double alpha = c == 0 ? 1.0 : 0.6;
        canvas.fillPolygon(in, withAlpha(input, alpha));
        canvas.polyline(out, withAlpha(output, alpha), 1);
    }
}

void CurvePanel::drawCurves(Canvas& canvas, const Rect& plot)
{
    // Levels far below the plot are drawn just under it: the cuts run off the bottom.
    const double lowest = plot.y + plot.h + 4, highest = plot.y - 4;
    for (int c = curvesEqual_ ? 0 : 1; c >= 0; --c) {
        const std::vector<double>& db = curves_.magnitudeDb[c];
        if (db.size() != frequencies_.size()) continue;
        std::vector<Point> points;
        points.reserve(db.size());
        for (size_t i = 0; i < db.size(); ++i)
            points.push_back({xOf(frequencies_[i]), std::clamp(yOf(db[i]), highest, lowest)});
        const Color own = channelColor(c);
        // The channel the pointer works on lies on top and stands out.
        canvas.polyline(points, c == pointerChannel_ || curvesEqual_ ? own : withAlpha(own, 0.7), 2);
    }
}

void CurvePanel::drawHandles(Canvas& canvas)
{
    const Font f{font("font").family, 10, true};
    const Color text = color("handle-text-color", {0.06, 0.06, 0.06, 1});
    const Color soloColor = color("solo-color", {1, 1, 1, 1});
    soloDrawn_ = ListeningView::current(listening_);
    for (int c : {1 - pointerChannel_, pointerChannel_}) {
        const Color own = channelColor(c);
        for (int band = 1; band <= 4; ++band) {
            const auto h = handle(c, band);
            if (!h) continue;
            const Rect dot{std::round(h->x) - kHandleRadius, std::round(h->y) - kHandleRadius,
                           2 * kHandleRadius, 2 * kHandleRadius};
            const double alpha = c == pointerChannel_ ? 1.0 : 0.45;
            // The soloed band's dot wears a ring.
            if (soloDrawn_.solo() && soloDrawn_.soloChannel == c && soloDrawn_.soloBand == band)
                canvas.strokeRoundRect({dot.x - 3, dot.y - 3, dot.w + 6, dot.h + 6}, kHandleRadius + 3, soloColor, 2);
            canvas.fillRoundRect(dot, kHandleRadius, withAlpha(own, alpha));
            canvas.strokeRoundRect(dot, kHandleRadius, withAlpha({0, 0, 0, 1}, alpha), 1);
            canvas.drawText(std::to_string(band), dot, f, withAlpha(text, alpha), Align::Center);
        }
    }
}

void CurvePanel::drawLegend(Canvas& canvas)
{
    const Font f = font("font");
    const char* names[2][2] = {{"L", "R"}, {"Mid", "Side"}};
    for (int c = 0; c < 2; ++c) {
        const Rect box = legendArea(c);
        const Color own = channelColor(c);
        const bool chosen = c == pointerChannel_;
        canvas.fillRoundRect(box, 4, chosen ? own : Color{0, 0, 0, 0.5});
        // The soloed channel's name is framed as its dot is.
        const bool soloed = soloDrawn_.solo() && soloDrawn_.soloChannel == c;
        canvas.strokeRoundRect(box, 4, soloed ? color("solo-color", {1, 1, 1, 1}) : own, soloed ? 2 : 1);
        canvas.drawText(names[curves_.midSide ? 1 : 0][c], box, f, chosen ? Color{0.06, 0.06, 0.06, 1} : own,
                        Align::Center);
    }
}

} // namespace vosk::ui
