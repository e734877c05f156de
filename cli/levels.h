// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The figures a delivery is judged by, measured over a whole file: loudness per
// EBU R128 / ITU-R BS.1770-4 (libebur128), true peak (truepeak.h), sample peak,
// RMS, crest factor, DC offset and the correlation between the channels.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vosk {

struct LevelReport
{
    int rate = 0;
    int channels = 0;
    long long frames = 0;
    double seconds = 0;
    // Empty where a figure has no value: silence has no loudness, no peak in
    // decibels, no correlation.
    std::optional<double> integratedLufs, loudnessRangeLu, truePeakDbtp, samplePeakDbfs, rmsDbfs, crestDb,
        correlation;
    std::vector<double> dcOffset; // per channel, in full scale
};

// What a meter measures besides the integrated loudness and the peaks; each
// costs time on long files.
struct MeterScope
{
    bool loudnessRange = true;
    bool statistics = true; // RMS, crest factor, DC offset, correlation
};

// Several files measured as one programme, the way an album is judged.
struct AlbumLevels
{
    size_t tracks = 0;
    double seconds = 0;
    // Gated over all tracks together; the range needs it in every track's scope.
    std::optional<double> integratedLufs, loudnessRangeLu;
    std::optional<double> truePeakDbtp;
    size_t loudestTrack = 0; // the track with the loudest true peak
};

// One pass over interleaved frames. RMS is over every sample of every channel,
// so a full-scale sine reads -3.01 dBFS; the correlation is that of the first
// two channels.
class LevelMeter
{
public:
    LevelMeter(int channels, int rate, MeterScope scope = {});
    ~LevelMeter();
    LevelMeter(const LevelMeter&) = delete;
    LevelMeter& operator=(const LevelMeter&) = delete;

    bool ok() const { return state != nullptr; }
    void add(const float* interleaved, long long frames);
    LevelReport report() const;

private:
    struct State;
    std::unique_ptr<State> state;
    friend AlbumLevels measureAlbum(const std::vector<const LevelMeter*>& tracks);
};

AlbumLevels measureAlbum(const std::vector<const LevelMeter*>& tracks);

// "album of 3 files, 180.00 s: integrated loudness -14.1 LUFS, loudness range
// 6.2 LU, true peak -1.3 dBTP (NAME)", NAME that of the loudest track.
std::string albumLine(const AlbumLevels& album, const std::vector<std::string>& names);

// "-23.0 LUFS", or "-" where the figure has no value.
std::string formatLevel(const std::optional<double>& value, const char* unit, int decimals = 1);

// The delivery limit the render report warns above.
constexpr double kTruePeakLimitDbtp = -1.0;

} // namespace vosk
