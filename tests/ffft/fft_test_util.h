// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the FFT tests: inputs and the direct transforms in double.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace fft_test {

inline std::vector<float> random_signal(int n, std::uint32_t seed, float amplitude = 1.0f)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> v(static_cast<std::size_t>(n));
    for (float& s : v) s = dist(gen);
    return v;
}

// cos and sin of 2 pi j / n for j = 0 .. n-1, so that index products wrap.
struct UnitCircle
{
    explicit UnitCircle(int n) : cosine(std::size_t(n)), sine(static_cast<std::size_t>(n))
    {
        for (int j = 0; j < n; ++j) {
            const double a = 2.0 * 3.14159265358979323846 * j / n;
            cosine[std::size_t(j)] = std::cos(a);
            sine[std::size_t(j)] = std::sin(a);
        }
    }
    std::vector<double> cosine, sine;
};

// The packed spectrum of x, computed term by term.
inline std::vector<double> direct_forward(const std::vector<float>& x)
{
    const int n = int(x.size());
    const UnitCircle uc(n);
    std::vector<double> f(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k <= n / 2; ++k) {
        double re = 0.0, im = 0.0;
        std::size_t j = 0; // k * t modulo n (n is a power of two)
        for (int t = 0; t < n; ++t, j = (j + std::size_t(k)) & std::size_t(n - 1)) {
            re += x[std::size_t(t)] * uc.cosine[j];
            im += x[std::size_t(t)] * uc.sine[j];
        }
        f[std::size_t(k)] = re;
        if (k > 0 && k < n / 2) f[std::size_t(n / 2 + k)] = im;
    }
    return f;
}

// N times the time signal of a packed spectrum, computed term by term.
inline std::vector<double> direct_inverse(const std::vector<float>& f)
{
    const int n = int(f.size());
    if (n == 1) return {double(f[0])};
    const UnitCircle uc(n);
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    for (int t = 0; t < n; ++t) {
        double acc = double(f[0]) + ((t & 1) ? -1.0 : 1.0) * f[std::size_t(n / 2)];
        std::size_t j = std::size_t(t); // k * t modulo n
        for (int k = 1; k < n / 2; ++k, j = (j + std::size_t(t)) & std::size_t(n - 1)) {
            acc += 2.0 * (f[std::size_t(k)] * uc.cosine[j] + f[std::size_t(n / 2 + k)] * uc.sine[j]);
        }
        x[std::size_t(t)] = acc;
    }
    return x;
}

inline double max_abs_difference(const std::vector<float>& a, const std::vector<double>& b)
{
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::fmax(worst, std::fabs(double(a[i]) - b[i]));
    return worst;
}

} // namespace fft_test
