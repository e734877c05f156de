// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk analyze: loudness, peaks and the long-term spectrum of audio files.
#include "batch.h"
#include "commands.h"
#include "measure.h"
#include "plot.h"
#include "spectrum.h"
#include "hosting/fileio.h"

#include <cmath>
#include <cstdio>

namespace vosk {
namespace {

std::string jsonNumber(const std::optional<double>& v, int decimals)
{
    if (!v || !std::isfinite(*v)) return "null";
    char text[48];
    snprintf(text, sizeof text, "%.*f", decimals, *v);
    return text;
}

std::string json(const FileMeasurement& m)
{
    const LevelReport& r = m.levels;
    std::string dc;
    for (double v : r.dcOffset) dc += (dc.empty() ? "" : ", ") + jsonNumber(v, 7);
    return "  {\"file\": " + jsonString(m.path) + ", \"rate\": " + std::to_string(r.rate) +
           ", \"channels\": " + std::to_string(r.channels) + ", \"seconds\": " + jsonNumber(r.seconds, 3) +
           ",\n   \"integrated_lufs\": " + jsonNumber(r.integratedLufs, 2) +
           ", \"loudness_range_lu\": " + jsonNumber(r.loudnessRangeLu, 2) +
           ", \"true_peak_dbtp\": " + jsonNumber(r.truePeakDbtp, 2) +
           ",\n   \"sample_peak_dbfs\": " + jsonNumber(r.samplePeakDbfs, 2) +
           ", \"rms_dbfs\": " + jsonNumber(r.rmsDbfs, 2) + ", \"crest_db\": " + jsonNumber(r.crestDb, 2) +
           ",\n   \"dc_offset\": [" + dc + "], \"correlation\": " + jsonNumber(r.correlation, 3) + "}";
}

void printText(FILE* out, const FileMeasurement& m)
{
    const LevelReport& r = m.levels;
    fprintf(out, "%s: %d Hz, %s, %.2f s\n", m.path.c_str(), r.rate, r.channels == 1 ? "mono" : "stereo",
            r.seconds);
    fprintf(out, "  integrated loudness %s, loudness range %s, true peak %s\n",
            formatLevel(r.integratedLufs, "LUFS").c_str(), formatLevel(r.loudnessRangeLu, "LU").c_str(),
            formatLevel(r.truePeakDbtp, "dBTP").c_str());
    fprintf(out, "  sample peak %s, RMS %s, crest factor %s\n",
            formatLevel(r.samplePeakDbfs, "dBFS", 2).c_str(), formatLevel(r.rmsDbfs, "dBFS", 2).c_str(),
            formatLevel(r.crestDb, "dB").c_str());
    fprintf(out, "  DC offset");
    const char* names[2] = {r.channels == 1 ? "" : " L", " R"};
    for (size_t c = 0; c < r.dcOffset.size(); ++c) fprintf(out, "%s %+.6f", names[c], r.dcOffset[c]);
    if (r.channels == 2)
        fprintf(out, ", correlation %s", r.correlation ? jsonNumber(r.correlation, 3).c_str() : "-");
    fprintf(out, "\n");
}

} // namespace

int runAnalyze(const CommandLine& cmd)
{
    std::unique_ptr<OutputFile> png;
    if (!cmd.png.empty()) {
        if (int r = checkPngName(cmd.png)) return r;
        for (const auto& input : cmd.positional)
            if (cmd.png == input || sameFile(cmd.png, input)) return fail("--png would overwrite " + input);
        png = std::make_unique<OutputFile>(cmd.png);
        if (!png->ok()) return fail(png->error());
    }

    // Several files at once, one bar for them all; the first that fails, in
    // the order given, fails the command.
    const size_t count = cmd.positional.size();
    std::vector<FileMeasurement> files(count);
    std::vector<std::string> errors(count);
    BatchProgress progress(cmd.positional, cmd.quiet);
    std::string firstError;
    runInOrder(
        count, jobsFor(cmd),
        [&](size_t i) {
            if (!measureFile(cmd.positional[i], png ? SpectrumOf::Channels : SpectrumOf::None, false, files[i],
                             errors[i], progress.feed()))
                files[i] = {};
        },
        [&](size_t i) {
            if (firstError.empty()) firstError = errors[i];
        },
        [&] { progress.update(); });
    progress.clear();
    if (!firstError.empty()) return fail(firstError);

    std::vector<uint8_t> picture;
    if (png) {
        CurvesPlot plot;
        plot.title = "Long-term average spectrum";
        plot.subtitle = "per channel, smoothed to 1/6 octave, dB relative to a full-scale sine";
        plot.frequencies = bandCentres(20.0, 20000.0, 24);
        PlotPanel panel;
        panel.yLabel = "level (dB)";
        for (const auto& m : files) {
            const char* names[2] = {m.levels.channels == 1 ? "" : " L", " R"};
            for (size_t c = 0; c < m.power.size(); ++c) {
                PlotCurve curve;
                curve.label = baseName(m.path) + names[c];
                curve.values =
                    bandLevelsDb(m.power[c], m.levels.rate, m.transformSize, plot.frequencies, 1.0 / 6);
                for (size_t i = 0; i < curve.values.size(); ++i)
                    if (plot.frequencies[i] > m.levels.rate / 2.0 || curve.values[i] < -250)
                        curve.values[i] = NAN;
                curve.dashed = c == 1;
                panel.curves.push_back(std::move(curve));
            }
        }
        plot.panels.push_back(std::move(panel));
        std::string error;
        if (!renderCurvesPng(plot, picture, error)) return fail(error);
    }

    // The picture may take standard output; the figures then go to standard error.
    FILE* out = cmd.png == "-" ? stderr : stdout;
    if (cmd.json) {
        fprintf(out, "[\n");
        for (size_t i = 0; i < files.size(); ++i)
            fprintf(out, "%s%s\n", json(files[i]).c_str(), i + 1 < files.size() ? "," : "");
        fprintf(out, "]\n");
    } else {
        for (const auto& m : files) printText(out, m);
        if (files.size() > 1) {
            std::vector<const LevelMeter*> tracks;
            std::vector<std::string> names;
            for (const auto& m : files) {
                tracks.push_back(m.meter.get());
                names.push_back(m.path);
            }
            fprintf(out, "%s\n", albumLine(measureAlbum(tracks), names).c_str());
        }
    }
    if (png) {
        std::string error;
        if (!writeAll(png->descriptor(), picture, error)) return fail(cmd.png + ": " + error);
        if (!png->commit(error)) return fail(error);
        note("wrote %s\n", cmd.png.c_str());
    }
    return 0;
}

} // namespace vosk
