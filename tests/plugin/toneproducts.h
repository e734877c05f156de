// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What a change splatters around a tone, for the tests of changes heard while
// a tone plays.
#pragma once

#include "ffft/FFTReal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vosk::test {

// The strongest product at least 600 Hz from a tone, below the tone, in dB, over
// 4096-point Blackman windows sliding across `signal` from `from` on: what a
// change splatters.
inline double worstProductsBelowTone(const std::vector<float>& signal, size_t from, double toneHz, double rate)
{
    constexpr int32_t n = 4096;
    ffft::FFTReal<double> fft(n);
    std::vector<double> window(n), frame(n), spectrum(n);
    for (int32_t i = 0; i < n; ++i)
        window[i] = 0.42 - 0.5 * std::cos(2 * M_PI * i / (n - 1)) + 0.08 * std::cos(4 * M_PI * i / (n - 1));
    double worst = -1000.0;
    for (size_t start = from; start + n <= signal.size(); start += n / 4) {
        for (int32_t i = 0; i < n; ++i) frame[i] = window[i] * signal[start + i];
        fft.forward_transform(spectrum.data(), frame.data());
        double tone = 0.0, products = 0.0;
        for (int32_t k = 1; k < n / 2; ++k) {
            const double power = spectrum[k] * spectrum[k] + spectrum[n / 2 + k] * spectrum[n / 2 + k];
            const double hz = k * rate / n;
            if (std::fabs(hz - toneHz) < 100.0) tone = std::max(tone, power);
            if (std::fabs(hz - toneHz) >= 600.0) products = std::max(products, power);
        }
        worst = std::max(worst, 10.0 * std::log10(products / tone));
    }
    return worst;
}

} // namespace vosk::test
