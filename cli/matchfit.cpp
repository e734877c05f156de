// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "matchfit.h"

#include "source/parametertable.h"
#include "spectrum.h"

#include <nlopt.h>

#include <algorithm>
#include <cmath>

namespace vosk {

namespace {

uint32_t bandId(uint32_t firstLeft, uint32_t firstRight, int channel, int band)
{
    return (channel == 0 ? firstLeft : firstRight) + static_cast<uint32_t>(band);
}

void applyBands(SignalPath& path, int channel, const BandSet& bands)
{
    for (int b = 0; b < kFittedBands; ++b) {
        const FittedBand& band = bands[b];
        path.applyParameter(bandId(kOn1L, kOn1R, channel, b), switchValue(kOn1L, true));
        path.applyParameter(bandId(kShape1L, kShape1R, channel, b), listValueOfShape(band.shape));
        path.applyParameter(bandId(kFreq1L, kFreq1R, channel, b), band.freqNorm);
        path.applyParameter(bandId(kGain1L, kGain1R, channel, b), band.gainNorm);
        path.applyParameter(bandId(kQ1L, kQ1R, channel, b), band.qNorm);
        path.applyParameter(bandId(kBW1L, kBW1R, channel, b), band.widthNorm);
    }
}

} // namespace

BandResponse::BandResponse(int rate, const std::vector<double>& centres, double octaves, bool midSide)
    : rate_(rate), centres_(centres), octaves_(octaves)
{
    path_.prepare(rate, 64);
    // Each channel's bands are fitted on their own.
    path_.applyParameter(kLink, switchValue(kLink, false));
    path_.applyParameter(kMidSide, switchValue(kMidSide, midSide));
    power_.resize(static_cast<size_t>(path_.fftSize() / 2 + 1));
    const BandSet flat = {};
    for (int c = 0; c < kNumChannels; ++c) {
        applyBands(path_, c, flat);
        path_.designNow();
        flat_[c] = levels(c);
    }
}

std::vector<double> BandResponse::levels(int channel)
{
    // The response in use is held in partitions: its taps, transformed whole.
    const int32_t n = path_.fftSize(), half = n / 2;
    if (!fft_) {
        fft_ = std::make_unique<ffft::FFTReal<float>>(n);
        spectrum_.resize(static_cast<size_t>(n));
    }
    const std::vector<float> taps = path_.kernelTaps(channel);
    fft_->forward_transform(spectrum_.data(), taps.data());
    const float* spectrum = spectrum_.data();
    power_[0] = static_cast<double>(spectrum[0]) * spectrum[0];
    power_[static_cast<size_t>(half)] = static_cast<double>(spectrum[half]) * spectrum[half];
    for (int32_t k = 1; k < half; ++k)
        power_[static_cast<size_t>(k)] = static_cast<double>(spectrum[k]) * spectrum[k] +
                                         static_cast<double>(spectrum[half + k]) * spectrum[half + k];
    return bandLevelsDb(power_, rate_, n, centres_, octaves_);
}

std::vector<double> BandResponse::evaluate(int channel, const BandSet& bands)
{
    applyBands(path_, channel, bands);
    path_.designNow();
    std::vector<double> out = levels(channel);
    for (size_t i = 0; i < out.size(); ++i) out[i] -= flat_[channel][i];
    return out;
}

namespace {

double meanOf(const std::vector<double>& values, const std::vector<double>* weights)
{
    double sum = 0, total = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const double w = weights ? (*weights)[i] : 1.0;
        sum += w * values[i];
        total += w;
    }
    return total > 0 ? sum / total : 0.0;
}

} // namespace

double rmsAboutMean(const std::vector<double>& values, const std::vector<double>* weights)
{
    const double mean = meanOf(values, weights);
    double sum = 0, total = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const double w = weights ? (*weights)[i] : 1.0;
        sum += w * (values[i] - mean) * (values[i] - mean);
        total += w;
    }
    return total > 0 ? std::sqrt(sum / total) : 0.0;
}

namespace {

// The optimiser's variables per band: normalised frequency, gain in dB, Q and width.
constexpr int kVariablesPerBand = 4;
constexpr int kVariables = kFittedBands * kVariablesPerBand;
constexpr double kMinWidthNorm = kMinWidth / kPlayedWidthPerNorm;

struct Problem
{
    BandResponse* response;
    int channel;
    const std::vector<double>* target;
    int32_t shapes[kFittedBands];
    int evaluations = 0;
    std::vector<double> residual;
    std::vector<double> weights;
};

void toBands(const Problem& p, const double* x, BandSet& bands)
{
    for (int b = 0; b < kFittedBands; ++b) {
        const double* v = x + b * kVariablesPerBand;
        bands[b].shape = p.shapes[b];
        bands[b].freqNorm = v[0];
        bands[b].gainNorm = bandGainNormFromDb(v[1]);
        bands[b].qNorm = v[2];
        bands[b].widthNorm = v[3];
    }
}

double objective(unsigned, const double* x, double*, void* data)
{
    auto& p = *static_cast<Problem*>(data);
    BandSet bands;
    toBands(p, x, bands);
    const std::vector<double> fitted = p.response->evaluate(p.channel, bands);
    ++p.evaluations;
    for (size_t i = 0; i < fitted.size(); ++i) p.residual[i] = (*p.target)[i] - fitted[i];
    return rmsAboutMean(p.residual, &p.weights);
}

// The target's value nearest to `hz`, limited to what a band can give.
double targetAt(const std::vector<double>& centres, const std::vector<double>& target, double hz)
{
    size_t best = 0;
    for (size_t i = 1; i < centres.size(); ++i)
        if (std::fabs(std::log(centres[i] / hz)) < std::fabs(std::log(centres[best] / hz))) best = i;
    return std::clamp(target[best], -kMaxBandGainDb, kMaxBandGainDb);
}

struct Start
{
    int32_t shapes[kFittedBands];
    double x[kVariables];
};

// Bells at fixed places with the target's level there, cuts where the target
// falls away at an end, and bells on the target's largest deviations.
std::vector<Start> startingPoints(const std::vector<double>& centres, const std::vector<double>& target)
{
    std::vector<double> centred = target;
    std::vector<double> sorted = target;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (double& v : centred) v -= median;

    std::vector<Start> starts;
    auto bells = [&](const double(&hz)[kFittedBands], double widthNorm) {
        Start s{};
        for (int b = 0; b < kFittedBands; ++b) {
            s.shapes[b] = ShapeBell;
            double* v = s.x + b * kVariablesPerBand;
            v[0] = normFromFrequency(hz[b]);
            v[1] = targetAt(centres, centred, hz[b]);
            v[2] = 0.3;
            v[3] = widthNorm;
        }
        return s;
    };
    starts.push_back(bells({60, 300, 2000, 9000}, 0.5));
    starts.push_back(bells({40, 160, 900, 5000}, 0.35));
    starts.push_back(bells({100, 600, 3500, 12000}, 0.35));

    // The largest deviations, one band each, no two within an octave.
    {
        double hz[kFittedBands];
        std::vector<bool> taken(centred.size(), false);
        for (int b = 0; b < kFittedBands; ++b) {
            size_t best = 0;
            double size = -1;
            for (size_t i = 0; i < centred.size(); ++i)
                if (!taken[i] && std::fabs(centred[i]) > size) size = std::fabs(centred[i]), best = i;
            hz[b] = centres[best];
            for (size_t i = 0; i < centred.size(); ++i)
                if (std::fabs(std::log2(centres[i] / centres[best])) < 1.0) taken[i] = true;
        }
        std::sort(hz, hz + kFittedBands);
        starts.push_back(bells(hz, 0.3));
    }

    // Cuts, where the target drops away at an end.
    const double kDrop = -3.0;
    if (centred.front() < kDrop) {
        Start s = starts[0];
        s.shapes[0] = ShapeLowCut;
        size_t i = 0;
        while (i + 1 < centred.size() && centred[i] < kDrop) ++i;
        s.x[0] = normFromFrequency(centres[i]);
        s.x[1] = 0;
        starts.push_back(s);
    }
    if (centred.back() < kDrop) {
        Start s = starts[0];
        const int last = kFittedBands - 1;
        s.shapes[last] = ShapeHighCut;
        size_t i = centred.size() - 1;
        while (i > 0 && centred[i] < kDrop) --i;
        s.x[last * kVariablesPerBand] = normFromFrequency(centres[i]);
        s.x[last * kVariablesPerBand + 1] = 0;
        starts.push_back(s);
    }
    return starts;
}

} // namespace

ChannelFit fitChannel(BandResponse& response, int channel, const std::vector<double>& centres,
                      const std::vector<double>& target, double amount)
{
    std::vector<double> scaled = target;
    for (double& v : scaled) v *= amount;

    Problem problem{&response, channel, &scaled, {}, 0, std::vector<double>(target.size()), {}};
    for (double level : response.flat(channel))
        problem.weights.push_back(level >= kFixedCutLimitDb ? 1.0 : 0.0);
    double lower[kVariables], upper[kVariables], steps[kVariables];
    for (int b = 0; b < kFittedBands; ++b) {
        double* lo = lower + b * kVariablesPerBand;
        double* hi = upper + b * kVariablesPerBand;
        double* st = steps + b * kVariablesPerBand;
        lo[0] = normFromFrequency(centres.front() / 1.5), hi[0] = normFromFrequency(centres.back() * 1.2),
        st[0] = 0.04;
        lo[1] = -kMaxBandGainDb, hi[1] = kMaxBandGainDb, st[1] = 1.0;
        lo[2] = 0.0, hi[2] = 1.0, st[2] = 0.2;
        lo[3] = kMinWidthNorm, hi[3] = 1.0, st[3] = 0.1;
    }

    ChannelFit best;
    double bestError = HUGE_VAL;
    BandSet flat = {};
    for (const Start& start : startingPoints(centres, scaled)) {
        std::copy(start.shapes, start.shapes + kFittedBands, problem.shapes);
        double x[kVariables];
        for (int i = 0; i < kVariables; ++i) x[i] = std::clamp(start.x[i], lower[i], upper[i]);
        nlopt_opt opt = nlopt_create(NLOPT_LN_BOBYQA, kVariables);
        nlopt_set_lower_bounds(opt, lower);
        nlopt_set_upper_bounds(opt, upper);
        nlopt_set_initial_step(opt, steps);
        nlopt_set_min_objective(opt, objective, &problem);
        nlopt_set_maxeval(opt, 400);
        nlopt_set_ftol_abs(opt, 1e-4);
        double error = HUGE_VAL;
        const nlopt_result result = nlopt_optimize(opt, x, &error);
        nlopt_destroy(opt);
        if (result < 0 && !std::isfinite(error)) continue;
        if (error < bestError - 1e-9) {
            bestError = error;
            toBands(problem, x, best.bands);
        }
    }
    if (!std::isfinite(bestError)) std::copy(flat, flat + kFittedBands, best.bands);
    best.evaluations = problem.evaluations;
    best.fitted = response.evaluate(channel, best.bands);
    std::vector<double> remaining(target.size());
    for (size_t i = 0; i < target.size(); ++i) remaining[i] = target[i] - best.fitted[i];
    best.beforeRmsDb = rmsAboutMean(target);
    best.afterRmsDb = rmsAboutMean(remaining);
    best.offsetDb = meanOf(remaining, nullptr);
    return best;
}

} // namespace vosk
