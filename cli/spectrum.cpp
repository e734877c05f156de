// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrum.h"

#include "common/numbers.h"

#include <algorithm>
#include <cmath>

namespace vosk {

namespace {

int32_t transformLength(int rate)
{
    int32_t n = 1024;
    while (n < rate * 2 / 3 && n < (1 << 20)) n *= 2;
    return n;
}

} // namespace

LongTermSpectrum::LongTermSpectrum(int channels, int rate)
    : channels_(channels), rate_(rate), n_(transformLength(rate)), fft_(n_)
{
    window_.resize(static_cast<size_t>(n_));
    for (int32_t i = 0; i < n_; ++i)
        window_[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(2 * kPi * i / n_));
    pending_.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(n_), 0.0f));
    sums_.assign(static_cast<size_t>(channels), std::vector<double>(static_cast<size_t>(n_ / 2 + 1), 0.0));
    frame_.resize(static_cast<size_t>(n_));
    spectrum_.resize(static_cast<size_t>(n_));
}

void LongTermSpectrum::add(const float* interleaved, long long frames)
{
    for (long long i = 0; i < frames;) {
        const long long take = std::min<long long>(frames - i, n_ - filled_);
        for (int c = 0; c < channels_; ++c) {
            float* to = pending_[static_cast<size_t>(c)].data() + filled_;
            for (long long j = 0; j < take; ++j) to[j] = interleaved[(i + j) * channels_ + c];
        }
        filled_ += static_cast<int32_t>(take);
        i += take;
        if (filled_ == n_) {
            transformFrame();
            // Half overlap: the second half is the next frame's first.
            for (auto& p : pending_) std::copy(p.begin() + n_ / 2, p.end(), p.begin());
            filled_ = n_ / 2;
        }
    }
}

void LongTermSpectrum::transformFrame()
{
    const int32_t half = n_ / 2;
    for (int c = 0; c < channels_; ++c) {
        const float* x = pending_[static_cast<size_t>(c)].data();
        for (int32_t i = 0; i < n_; ++i)
            frame_[static_cast<size_t>(i)] = x[i] * window_[static_cast<size_t>(i)];
        fft_.forward_transform(spectrum_.data(), frame_.data());
        double* sum = sums_[static_cast<size_t>(c)].data();
        const float* s = spectrum_.data();
        sum[0] += static_cast<double>(s[0]) * s[0];
        sum[half] += static_cast<double>(s[half]) * s[half];
        for (int32_t k = 1; k < half; ++k)
            sum[k] += static_cast<double>(s[k]) * s[k] + static_cast<double>(s[half + k]) * s[half + k];
    }
    ++transforms_;
}

std::vector<std::vector<double>> LongTermSpectrum::power()
{
    // A file shorter than one transform is measured zero-padded.
    if (transforms_ == 0 && filled_ > 0) {
        for (auto& p : pending_) std::fill(p.begin() + filled_, p.end(), 0.0f);
        transformFrame();
        filled_ = 0;
    }
    // Hann's coherent gain is 1/2: a full-scale sine peaks at (N/4)^2 before scaling.
    const double scale = 1.0 / (static_cast<double>(n_) * n_ / 4.0);
    std::vector<std::vector<double>> out = sums_;
    for (auto& channel : out)
        for (double& v : channel) v = transforms_ > 0 ? v * scale / static_cast<double>(transforms_) : 0.0;
    return out;
}

std::vector<double> bandCentres(double low, double high, int bandsPerOctave)
{
    std::vector<double> centres;
    const int first = static_cast<int>(std::ceil(bandsPerOctave * std::log2(low / 1000.0) - 1e-9));
    const int last = static_cast<int>(std::floor(bandsPerOctave * std::log2(high / 1000.0) + 1e-9));
    for (int k = first; k <= last; ++k) centres.push_back(1000.0 * std::pow(2.0, double(k) / bandsPerOctave));
    return centres;
}

std::vector<double> bandLevelsDb(const std::vector<double>& power, int rate, int32_t n,
                                 const std::vector<double>& centres, double octaves)
{
    // Bin k covers k - 1/2 .. k + 1/2 bins; a bin across a band's edge counts with
    // the share of it inside, so that the bands do not step with the bin grid.
    std::vector<double> levels;
    const double binHz = static_cast<double>(rate) / n;
    const double edge = std::pow(2.0, 0.5 * octaves);
    const double last = static_cast<double>(power.size()) - 1;
    for (double f : centres) {
        double lo = std::clamp(f / edge / binHz, 0.0, last), hi = std::clamp(f * edge / binHz, 0.0, last);
        if (hi - lo < 1.0) { // narrower than a bin: one bin's width around the centre
            const double centre = std::clamp(f / binHz, 0.5, last - 0.5);
            lo = centre - 0.5, hi = centre + 0.5;
        }
        double sum = 0, weight = 0;
        for (auto k = static_cast<long>(std::floor(lo + 0.5)); k <= static_cast<long>(std::ceil(hi - 0.5));
             ++k) {
            const double share =
                std::min(hi, static_cast<double>(k) + 0.5) - std::max(lo, static_cast<double>(k) - 0.5);
            if (share <= 0) continue;
            sum += share * power[static_cast<size_t>(k)];
            weight += share;
        }
        const double mean = weight > 0 ? sum / weight : 0.0;
        levels.push_back(mean > 1e-30 ? 10.0 * std::log10(mean) : -300.0);
    }
    return levels;
}

} // namespace vosk
