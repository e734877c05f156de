// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "levels.h"

#include "truepeak.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vosk {

struct LevelMeter::State
{
    ebur128_state* loudness = nullptr;
    MeterScope scope;
    std::unique_ptr<TruePeakMeter> peaks;
    int channels = 0;
    int rate = 0;
    long long frames = 0;
    double sumSquares = 0;
    std::vector<double> sums;
    double channelSquares[2] = {0, 0};
    double product = 0;

    ~State()
    {
        if (loudness) ebur128_destroy(&loudness);
    }
};

LevelMeter::LevelMeter(int channels, int rate, MeterScope scope)
{
    if (channels < 1 || rate <= 0) return;
    auto s = std::make_unique<State>();
    // The histogram keeps the memory fixed however long the file is.
    s->loudness = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                               EBUR128_MODE_I | EBUR128_MODE_HISTOGRAM | (scope.loudnessRange ? EBUR128_MODE_LRA : 0));
    if (!s->loudness) return;
    s->scope = scope;
    s->peaks = std::make_unique<TruePeakMeter>(channels, rate);
    s->channels = channels;
    s->rate = rate;
    s->sums.assign(static_cast<size_t>(channels), 0.0);
    state = std::move(s);
}

LevelMeter::~LevelMeter() = default;

void LevelMeter::add(const float* interleaved, long long frames)
{
    if (!state || frames <= 0) return;
    State& s = *state;
    ebur128_add_frames_float(s.loudness, interleaved, static_cast<size_t>(frames));
    s.peaks->add(interleaved, frames);
    s.frames += frames;
    if (!s.scope.statistics) return;
    const int channels = s.channels;
    double squares = 0;
    for (long long i = 0; i < frames; ++i) {
        const float* frame = interleaved + i * channels;
        for (int c = 0; c < channels; ++c) {
            const double v = frame[c];
            squares += v * v;
            s.sums[static_cast<size_t>(c)] += v;
        }
        if (channels >= 2) {
            s.channelSquares[0] += static_cast<double>(frame[0]) * frame[0];
            s.channelSquares[1] += static_cast<double>(frame[1]) * frame[1];
            s.product += static_cast<double>(frame[0]) * frame[1];
        }
    }
    s.sumSquares += squares;
}

namespace {

std::optional<double> decibels(double linear, double scale = 20.0)
{
    if (!(linear > 0) || !std::isfinite(linear)) return std::nullopt;
    return scale * std::log10(linear);
}

// Silence has neither loudness nor range.
void loudnessOf(ebur128_state** states, size_t count, bool range, std::optional<double>& integratedLufs,
                std::optional<double>& rangeLu)
{
    double integrated = -HUGE_VAL;
    if (ebur128_loudness_global_multiple(states, count, &integrated) != EBUR128_SUCCESS ||
        !std::isfinite(integrated))
        return;
    integratedLufs = integrated;
    double lu = 0;
    if (range && ebur128_loudness_range_multiple(states, count, &lu) == EBUR128_SUCCESS && std::isfinite(lu))
        rangeLu = lu;
}

} // namespace

LevelReport LevelMeter::report() const
{
    LevelReport r;
    if (!state) return r;
    const State& s = *state;
    r.rate = s.rate;
    r.channels = s.channels;
    r.frames = s.frames;
    r.seconds = static_cast<double>(s.frames) / s.rate;
    r.truePeakDbtp = decibels(s.peaks->truePeak());
    r.samplePeakDbfs = decibels(s.peaks->samplePeak());
    ebur128_state* one[] = {s.loudness};
    loudnessOf(one, 1, s.scope.loudnessRange, r.integratedLufs, r.loudnessRangeLu);
    if (!s.scope.statistics) return r;

    for (double sum : s.sums) r.dcOffset.push_back(s.frames > 0 ? sum / static_cast<double>(s.frames) : 0.0);
    const double samples = static_cast<double>(s.frames) * s.channels;
    if (samples > 0) r.rmsDbfs = decibels(s.sumSquares / samples, 10.0);
    if (r.samplePeakDbfs && r.rmsDbfs) r.crestDb = *r.samplePeakDbfs - *r.rmsDbfs;
    if (s.channels >= 2 && s.channelSquares[0] > 0 && s.channelSquares[1] > 0)
        r.correlation = s.product / std::sqrt(s.channelSquares[0] * s.channelSquares[1]);
    return r;
}

AlbumLevels measureAlbum(const std::vector<const LevelMeter*>& tracks)
{
    AlbumLevels album;
    std::vector<ebur128_state*> states;
    bool range = true;
    double loudest = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const LevelMeter::State* s = tracks[i]->state.get();
        if (!s) continue;
        ++album.tracks;
        album.seconds += static_cast<double>(s->frames) / s->rate;
        states.push_back(s->loudness);
        range = range && s->scope.loudnessRange;
        const double peak = s->peaks->truePeak();
        if (peak > loudest) {
            loudest = peak;
            album.loudestTrack = i;
        }
    }
    album.truePeakDbtp = decibels(loudest);
    if (!states.empty()) loudnessOf(states.data(), states.size(), range, album.integratedLufs, album.loudnessRangeLu);
    return album;
}

std::string albumLine(const AlbumLevels& album, const std::vector<std::string>& names)
{
    char head[64];
    snprintf(head, sizeof head, "album of %zu file%s, %.2f s: ", album.tracks, album.tracks == 1 ? "" : "s",
             album.seconds);
    std::string line = head + std::string("integrated loudness ") + formatLevel(album.integratedLufs, "LUFS") +
                       ", loudness range " + formatLevel(album.loudnessRangeLu, "LU") + ", true peak " +
                       formatLevel(album.truePeakDbtp, "dBTP");
    if (album.truePeakDbtp && album.loudestTrack < names.size()) line += " (" + names[album.loudestTrack] + ")";
    return line;
}

std::string formatLevel(const std::optional<double>& value, const char* unit, int decimals)
{
    if (!value) return "-";
    char text[48];
    snprintf(text, sizeof text, "%.*f %s", decimals, *value, unit);
    return text;
}

} // namespace vosk
