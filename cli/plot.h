// The response plot: magnitude above, group delay below, on a logarithmic
// frequency axis.
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
bool renderResponsePng(const Response& response, const PlotLabels& labels, std::vector<uint8_t>& png,
                       std::string& error);

} // namespace vosk
