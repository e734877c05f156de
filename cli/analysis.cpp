#include "analysis.h"

#include "common/numbers.h"
#include "hosting/hostedplugin.h"
#include "source/parameterids.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

// Not in standard C++ before C++20.

namespace vosk {

std::vector<double> logFrequencies(double low, double high, int count)
{
    std::vector<double> out;
    if (count < 2) return {low};
    const double ratio = std::log(high / low);
    for (int i = 0; i < count; ++i) out.push_back(low * std::exp(ratio * i / (count - 1)));
    return out;
}

ResponseCurve analyseImpulse(const std::vector<float>& h, double sampleRate, const std::vector<double>& freqs)
{
    ResponseCurve curve;
    // Only the span that holds energy matters.
    size_t first = 0, last = h.size();
    while (first < last && h[first] == 0.0f) ++first;
    while (last > first && h[last - 1] == 0.0f) --last;

    for (double f : freqs) {
        const double w = 2.0 * kPi * f / sampleRate;
        // H = sum h[n] e^{-jwn}; the group delay is Re(sum n h[n] e^{-jwn} / H).
        std::complex<double> sum = 0, weighted = 0;
        const std::complex<double> step = std::polar(1.0, -w);
        std::complex<double> rotor = std::polar(1.0, -w * static_cast<double>(first));
        for (size_t n = first; n < last; ++n) {
            // Re-anchor now and then so rounding cannot accumulate.
            if (((n - first) & 1023) == 1023) rotor = std::polar(1.0, -w * static_cast<double>(n));
            const std::complex<double> term = static_cast<double>(h[n]) * rotor;
            sum += term;
            weighted += static_cast<double>(n) * term;
            rotor *= step;
        }
        const double magnitude = std::abs(sum);
        curve.magnitudeDb.push_back(magnitude > 1e-15 ? 20.0 * std::log10(magnitude) : -300.0);
        curve.groupDelaySamples.push_back(magnitude > 1e-15 ? (weighted / sum).real() : NAN);
    }
    return curve;
}

std::string responseCsv(const Response& r)
{
    std::string out = "frequency_hz";
    for (const auto& c : r.curves) out += "," + c.label + "_db";
    for (const auto& c : r.curves) out += "," + c.label + "_group_delay_ms";
    out += "\n";
    char buf[64];
    for (size_t i = 0; i < r.frequencies.size(); ++i) {
        snprintf(buf, sizeof buf, "%.3f", r.frequencies[i]);
        out += buf;
        for (const auto& c : r.curves) {
            snprintf(buf, sizeof buf, ",%.4f", c.magnitudeDb[i]);
            out += buf;
        }
        for (const auto& c : r.curves) {
            const double ms = c.groupDelaySamples[i] * 1000.0 / r.sampleRate;
            if (std::isfinite(ms))
                snprintf(buf, sizeof buf, ",%.4f", ms);
            else
                snprintf(buf, sizeof buf, ",");
            out += buf;
        }
        out += "\n";
    }
    return out;
}

bool measureResponse(HostedPlugin& plugin, double sampleRate, const std::vector<double>& freqs,
                     Response& response, std::string& error)
{
    const int32_t block = 4096;
    if (!plugin.start(sampleRate, block, 2, error)) return false;
    const double latency = plugin.latencySamples();

    // Long enough for the whole response around the latency, in whole blocks.
    int64_t span = static_cast<int64_t>(latency) * 2 + 8192;
    span = std::max<int64_t>(span, 32768);
    span = (span + block - 1) / block * block;

    // Left/right mode: one impulse on both channels gives each channel's
    // response. Mid/side mode: an impulse in the mid signal, then one in the
    // side signal, both read on the left output.
    const bool midSide = plugin.findParameter(kMidSide) && plugin.normalizedValue(kMidSide) < 0.5;
    const int64_t total = midSide ? 2 * span : span;
    std::vector<float> inL(block), inR(block), outL(block), outR(block);
    std::vector<float> recordedL, recordedR;
    recordedL.reserve(total);
    recordedR.reserve(total);
    const float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    for (int64_t start = 0; start < total; start += block) {
        std::fill(inL.begin(), inL.end(), 0.0f);
        std::fill(inR.begin(), inR.end(), 0.0f);
        if (start == 0) inL[0] = inR[0] = 1.0f;
        if (midSide && start == span) {
            inL[0] = 1.0f;
            inR[0] = -1.0f;
        }
        plugin.process(in, out, block);
        recordedL.insert(recordedL.end(), outL.begin(), outL.end());
        recordedR.insert(recordedR.end(), outR.begin(), outR.end());
    }
    plugin.stop();

    response = Response{};
    response.sampleRate = sampleRate;
    response.latencySamples = latency;
    response.frequencies = freqs;
    std::vector<float> first(recordedL.begin(), recordedL.begin() + span);
    std::vector<float> second = midSide ? std::vector<float>(recordedL.begin() + span, recordedL.end())
                                        : std::vector<float>(recordedR.begin(), recordedR.begin() + span);
    response.curves.push_back(analyseImpulse(first, sampleRate, freqs));
    response.curves.push_back(analyseImpulse(second, sampleRate, freqs));
    response.curves[0].label = midSide ? "mid" : "left";
    response.curves[1].label = midSide ? "side" : "right";
    return true;
}

} // namespace vosk
