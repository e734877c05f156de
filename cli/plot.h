// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The response plot: magnitude above, group delay below, on a logarithmic
// frequency axis; under them, where given, the first channel's impulse response
// in each phase, one above the other, over time.
#pragma once

#include "analysis.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vosk {

struct PlotLabels
{
    std::string title;
    std::string preset;
    std::vector<std::string> settings;
};

// PNG bytes of the plot.
bool renderResponsePng(const Response& response, const PlotLabels& labels,
                       const std::vector<PhaseImpulse>& impulses, std::vector<uint8_t>& png,
                       std::string& error);

// Curves over a logarithmic frequency axis, in panels stacked from the top.
struct PlotCurve
{
    std::string label;
    std::vector<double> values; // one per frequency; NaN leaves a gap
    bool dashed = false;
};

struct PlotPanel
{
    std::string title;
    std::string yLabel;
    std::vector<PlotCurve> curves;
};

struct CurvesPlot
{
    std::string title;
    std::string subtitle;
    std::vector<double> frequencies;
    std::vector<PlotPanel> panels;
};

bool renderCurvesPng(const CurvesPlot& plot, std::vector<uint8_t>& png, std::string& error);

} // namespace vosk
