// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The curve panel: the response the processor applies, drawn under the layout
// with a handle on each band that is on and the music's spectrum behind it. It
// shows while its tag's value is on; opening grows the window by the panel,
// which the host may refuse.
#pragma once

#include "editorhost/curvepanelhost.h"
#include "editorhost/listeninghost.h"
#include "editorhost/spectrumsource.h"
#include "views.h"

#include "source/dsp/frequencyresponse.h"
#include "source/dsp/listening.h"

#include <pluginterfaces/base/smartpointer.h>

#include <optional>
#include <vector>

namespace vosk::ui {

class CurvePanel : public Control
{
public:
    static constexpr double kMinDb = -12, kMaxDb = 12; // the curve's scale
    static constexpr double kSpectrumFloorDb = -90;    // the spectrum's, up to 0 dB
    static constexpr double kLowHz = 20, kHighHz = 20000;
    static constexpr double kFallbackRate = 48000; // until the processor reports

    CurvePanel(Editor& editor, const ViewDesc& desc);
    ~CurvePanel() override;

    void draw(Canvas& canvas) override;
    bool onMouseDown(const MouseEvent& e) override;
    void onMouseMove(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    bool onWheel(const WheelEvent& e) override;
    void idle() override;
    void valueChanged() override;

    bool isOpen() const { return open_; }
    // The curve as drawn: its frequencies and each channel's level there, and
    // what it was computed for.
    const std::vector<double>& frequencies() const { return frequencies_; }
    const std::vector<double>& curveDb(int channel) const { return curves_.magnitudeDb[channel]; }
    bool midSide() const { return curves_.midSide; }
    double sampleRate() const { return sampleRate_; }
    int fftSize() const { return fftSize_; }
    // The numbered dot of a band (1..4) of a channel, nothing while the band is off.
    std::optional<Point> handle(int channel, int band) const;
    // The channel whose dots take the pointer, chosen on the legend.
    int pointerChannel() const { return pointerChannel_; }
    // The band a latched solo takes: the one last pressed, while it is on, or
    // else the first that is on (0: none is on).
    int bandToSolo() const;
    Rect plotArea() const;
    Rect legendArea(int channel) const;
    double xOf(double hz) const;
    double yOf(double db) const;

private:
    void open();
    void close();
    // Tells the spectrum's source, once, whether the panel shows.
    void askForSpectrum();
    // Recomputes the curve when a value or the processor's setup changed; true then.
    bool refresh();
    double value(uint32_t id) const;
    bool bandOn(int channel, int band) const;
    double levelAt(int channel, double hz) const; // the curve, between its points
    int bandAt(Point p) const;                    // the pointer channel's band there, or 0
    void edit(uint32_t id, double normalized);    // one whole gesture
    Color channelColor(int channel) const;
    void drawGrid(Canvas& canvas, const Rect& plot);
    void drawAxisLabels(Canvas& canvas, const Rect& plot);
    void drawSpectrum(Canvas& canvas, const Rect& plot);
    void drawCurves(Canvas& canvas, const Rect& plot);
    void drawHandles(Canvas& canvas);
    void drawLegend(Canvas& canvas);
    // Alt (Option) pressed on a dot solos its band while the button is held; a
    // press on another dot moves a solo to it.
    void soloOnPress(int band, bool held);

    Steinberg::IPtr<ICurvePanelHost> host_;
    bool open_ = false;
    std::vector<double> frequencies_;
    std::vector<double> values_; // of every tag, as the curve was computed
    double sampleRate_ = 0;
    int fftSize_ = 0;
    SignalPathCurves curveSource_; // holds a signal path only while the panel is open
    ChannelCurves curves_;
    bool curvesEqual_ = false;
    int pointerChannel_ = 0;

    SpectrumSource* spectrumAsked_ = nullptr; // told that the panel shows
    SpectrumPicture spectrum_;
    bool spectrumShown_ = false;

    Steinberg::IPtr<IListeningHost> listening_;
    ListeningRequest soloDrawn_;      // the solo the dots and legend show
    ListeningRequest beforeHeldSolo_; // what a held solo gives back at the release
    bool soloHeld_ = false;
    int lastPressed_ = 0;

    // A handle being dragged: its band (0: none) and where the drag began.
    int dragBand_ = 0;
    Point dragFrom_;
    double dragFreqNorm_ = 0, dragGainDb_ = 0;
};

} // namespace vosk::ui
