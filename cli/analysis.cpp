#include "analysis.h"

#include "common/numbers.h"

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

} // namespace vosk
