// Frequency response of measured impulse responses: magnitude and group delay
// evaluated exactly (a direct transform) at logarithmically spaced frequencies.
#pragma once

#include <string>
#include <vector>

namespace vosk {

class HostedPlugin;

struct ResponseCurve
{
    std::string label;
    std::vector<double> magnitudeDb;
    std::vector<double> groupDelaySamples;
};

struct Response
{
    double sampleRate = 0;
    double latencySamples = 0;
    std::vector<double> frequencies;
    std::vector<ResponseCurve> curves;
};

// `count` frequencies from `low` to `high`, evenly spaced on a log scale.
std::vector<double> logFrequencies(double low, double high, int count);

// The response of the impulse response `h` at each frequency.
ResponseCurve analyseImpulse(const std::vector<float>& h, double sampleRate,
                             const std::vector<double>& freqs);

// Sends an impulse through the loaded plug-in at `sampleRate` and analyses both
// channels at `freqs`: "left" and "right", or in mid/side mode "mid" and "side"
// (one impulse in each, read on the left output). Stops the plug-in afterwards.
bool measureResponse(HostedPlugin& plugin, double sampleRate, const std::vector<double>& freqs,
                     Response& response, std::string& error);

// frequency,<label> dB,...,<label> group delay ms,...
std::string responseCsv(const Response& response);

} // namespace vosk
