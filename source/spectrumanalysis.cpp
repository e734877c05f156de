// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrumanalysis.h"

#include "spectrumcapture.h"

#include "common/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

namespace {

constexpr int kSignals = SpectrumCapture::kNumSignals;
constexpr int kPoints = ui::SpectrumPicture::kPoints;

} // namespace

bool SpectrumAnalysis::accept(const void* samples, size_t bytes, double sampleRate)
{
    constexpr size_t kMaxLength = size_t{1} << 20;
    const size_t length = bytes / (sizeof(float) * kSignals);
    if (!samples || bytes != length * sizeof(float) * kSignals || !(sampleRate > 0.0) || length < 16 ||
        length > kMaxLength || (length & (length - 1)) != 0)
        return false;
    frame_.resize(length * kSignals);
    std::memcpy(frame_.data(), samples, bytes);
    length_ = static_cast<int32_t>(length);
    sampleRate_ = sampleRate;
    fresh_ = true;
    return true;
}

void SpectrumAnalysis::reset()
{
    fresh_ = false;
    shown_ = false;
    levels_ = ui::SpectrumPicture{};
}

bool SpectrumAnalysis::update(double seconds, bool midSide, ui::SpectrumPicture& picture)
{
    if (!shown_) {
        for (int c = 0; c < 2; ++c) {
            std::fill_n(levels_.inputDb[c], kPoints, kFloorDb);
            std::fill_n(levels_.outputDb[c], kPoints, kFloorDb);
        }
    }
    const float fall = kFallDbPerSecond * static_cast<float>(std::max(seconds, 0.0));
    for (int c = 0; c < 2; ++c) {
        for (float* levels : {levels_.inputDb[c], levels_.outputDb[c]})
            for (int i = 0; i < kPoints; ++i) levels[i] = std::max(levels[i] - fall, kFloorDb);
    }
    if (fresh_) {
        analyse(midSide);
        fresh_ = false;
        shown_ = true;
    }
    if (!shown_) return false;
    levels_.channels = midSide ? 2 : 1;
    picture = levels_;
    return true;
}

void SpectrumAnalysis::analyse(bool midSide)
{
    const size_t length = static_cast<size_t>(length_);
    signal_.resize(length);
    float* signal = signal_.data();
    float levels[kPoints];
    const auto raise = [&](float* shown) {
        for (int i = 0; i < kPoints; ++i) shown[i] = std::max(shown[i], levels[i]);
    };
    for (int output = 0; output < 2; ++output) {
        const float* left =
            frame_.data() + length * (output ? SpectrumCapture::kOutputLeft : SpectrumCapture::kInputLeft);
        const float* right =
            frame_.data() + length * (output ? SpectrumCapture::kOutputRight : SpectrumCapture::kInputRight);
        float* const shown[2] = {output ? levels_.outputDb[0] : levels_.inputDb[0],
                                 output ? levels_.outputDb[1] : levels_.inputDb[1]};
        // Halved, so that a full-scale sine on both sides reads 0 dB on one.
        for (size_t n = 0; n < length; ++n) signal[n] = 0.5f * (left[n] + right[n]);
        bands(signal, levels);
        raise(shown[0]);
        if (midSide) {
            for (size_t n = 0; n < length; ++n) signal[n] = 0.5f * (left[n] - right[n]);
            bands(signal, levels);
            raise(shown[1]);
        } else {
            std::fill_n(shown[1], kPoints, kFloorDb);
        }
    }
}

// The power of each 1/6-octave band around the picture's frequencies, in
// units of a full-scale sine's: a sine reads 0 dB wherever it falls. Bands
// narrower than two bins (the bass) take two bins, so that a sine is whole in them.
void SpectrumAnalysis::bands(const float* signal, float* levelsDb)
{
    const int32_t n = length_;
    const size_t size = static_cast<size_t>(n);
    if (!fft_ || fft_->get_length() != n) {
        fft_ = std::make_unique<ffft::FFTReal<float>>(n);
        window_.resize(size);
        windowed_.resize(size);
        spectrum_.resize(size);
        cumulative_.resize(size / 2 + 2);
        for (size_t i = 0; i < size; ++i)
            window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / n));
    }
    for (size_t i = 0; i < size; ++i) windowed_[i] = signal[i] * window_[i];
    fft_->forward_transform(spectrum_.data(), windowed_.data());

    // A Hann-windowed sine of amplitude A puts 3 A² N² / 32 into the bins of one side.
    const int32_t half = n / 2;
    const double unit = 32.0 / (3.0 * static_cast<double>(n) * static_cast<double>(n));
    cumulative_[0] = 0.0;
    for (int32_t k = 0; k <= half; ++k) {
        const double re = spectrum_[static_cast<size_t>(k)];
        const double im = k > 0 && k < half ? spectrum_[static_cast<size_t>(half + k)] : 0.0;
        cumulative_[static_cast<size_t>(k) + 1] =
            cumulative_[static_cast<size_t>(k)] + (re * re + im * im) * unit;
    }
    // Bin k spans k - 1/2 … k + 1/2; the power below x, spread evenly over each bin.
    const auto below = [&](double x) {
        const double edge = std::clamp(x + 0.5, 0.0, static_cast<double>(half) + 1.0);
        const auto m = std::min(static_cast<int32_t>(edge), half);
        const double c0 = cumulative_[static_cast<size_t>(m)], c1 = cumulative_[static_cast<size_t>(m) + 1];
        return c0 + (edge - m) * (c1 - c0);
    };
    const double binsPerHertz = n / sampleRate_;
    const double edge = std::exp2(1.0 / 12.0);
    for (int i = 0; i < kPoints; ++i) {
        const double centre = ui::SpectrumPicture::frequency(i) * binsPerHertz;
        double lo = centre / edge, hi = centre * edge;
        if (hi - lo < 2.0) {
            lo = centre - 1.0;
            hi = centre + 1.0;
        }
        const double power = centre > half ? 0.0 : below(hi) - below(lo);
        levelsDb[i] =
            power > 0.0 ? std::max(10.0f * static_cast<float>(std::log10(power)), kFloorDb) : kFloorDb;
    }
}

} // namespace vosk
