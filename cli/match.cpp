// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk match: the bands that bring a mix's long-term spectrum towards a
// reference's, written as VOSK settings and, on request, as a preset.
#include "commands.h"
#include "matchfit.h"
#include "measure.h"
#include "plot.h"
#include "settings.h"
#include "spectrum.h"
#include "tagnames.h"
#include "hosting/fileio.h"
#include "hosting/hostedplugin.h"
#include "source/parametertable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

namespace vosk {

namespace {

constexpr double kLowHz = 30.0, kHighHz = 16000.0;
constexpr int kBandsPerOctave = 3;
constexpr double kSilentDb = -200.0;
// A band that one file lacks altogether would otherwise decide the whole fit.
constexpr double kLargestDifferenceDb = 20.0;

// The spectrum in 1/3-octave bands, its loudness taken out.
bool normalisedBands(const FileMeasurement& m, const std::vector<double>& centres,
                     std::vector<std::vector<double>>& bands, std::string& error)
{
    if (!m.levels.samplePeakDbfs) {
        error = m.path + " is silent: there is nothing to match";
        return false;
    }
    if (!m.levels.integratedLufs) {
        error = m.path + " is too quiet or too short (under 0.4 s) to measure its loudness";
        return false;
    }
    bands.clear();
    for (const auto& power : m.power) {
        auto levels = bandLevelsDb(power, m.levels.rate, m.transformSize, centres, 1.0 / kBandsPerOctave);
        if (*std::max_element(levels.begin(), levels.end()) < kSilentDb) {
            error = m.path + " has a channel without signal from 30 Hz to 16 kHz: there is nothing to match";
            return false;
        }
        for (double& v : levels) v -= *m.levels.integratedLufs;
        bands.push_back(std::move(levels));
    }
    return true;
}

std::string dbText(double v)
{
    char text[32];
    snprintf(text, sizeof text, "%.2f dB", v);
    return text;
}

} // namespace

int runMatch(const CommandLine& cmd)
{
    const std::string& mixPath = cmd.positional[0];
    const std::string& referencePath = cmd.positional[1];
    const bool midSide = cmd.mode == "ms";

    // Outputs first, so that a failing command leaves nothing new.
    if (!cmd.png.empty())
        if (int r = checkPngName(cmd.png)) return r;
    if (cmd.png == "-" && cmd.savePreset == "-")
        return fail("the plot and the preset cannot both go to standard output");
    if (!cmd.png.empty() && cmd.png == cmd.savePreset)
        return failUsage("--png and --save-preset name the same file");
    std::unique_ptr<OutputFile> png, preset;
    for (auto [path, file] : {std::pair{&cmd.png, &png}, std::pair{&cmd.savePreset, &preset}}) {
        if (path->empty()) continue;
        for (const auto* input : {&mixPath, &referencePath})
            if (*path == *input || sameFile(*path, *input))
                return fail(*path + " would overwrite the input " + *input);
        *file = std::make_unique<OutputFile>(*path);
        if (!(*file)->ok()) return fail((*file)->error());
    }

    FileMeasurement mix, reference;
    std::string error;
    const SpectrumOf spectrum = midSide ? SpectrumOf::MidSide : SpectrumOf::Channels;
    if (!measureFile(mixPath, spectrum, !cmd.quiet, mix, error)) return fail(error);
    if (!measureFile(referencePath, spectrum, !cmd.quiet, reference, error)) return fail(error);
    if (mix.levels.channels != reference.levels.channels)
        return fail(mixPath + " is " + (mix.levels.channels == 1 ? "mono" : "stereo") + " and " +
                    referencePath + " is " + (reference.levels.channels == 1 ? "mono" : "stereo") +
                    ": match compares channel with channel; give both files the same channels");
    if (mix.levels.rate != reference.levels.rate)
        return fail(mixPath + " is at " + std::to_string(mix.levels.rate) + " Hz and " + referencePath +
                    " at " + std::to_string(reference.levels.rate) +
                    " Hz: the bands are designed at the files' rate; convert one of them first");
    if (midSide && mix.levels.channels != 2) return fail("--mode ms needs stereo files");
    const int rate = mix.levels.rate;
    if (rate < 2 * kHighHz)
        return fail("the files' rate is below " + std::to_string(int(2 * kHighHz)) + " Hz");

    const std::vector<double> centres = bandCentres(kLowHz, kHighHz, kBandsPerOctave);
    std::vector<std::vector<double>> mixBands, referenceBands;
    if (!normalisedBands(reference, centres, referenceBands, error)) return fail(error);
    if (!normalisedBands(mix, centres, mixBands, error)) return fail(error);

    // The plug-in: its texts for the settings and its state for the preset.
    auto plugin = preparePlugin(cmd, true);
    if (!plugin) return 1;

    // Each channel (or mid and side) is fitted on its own, the two at once.
    const int fitted = static_cast<int>(mixBands.size());
    std::vector<std::vector<double>> targets(static_cast<size_t>(fitted));
    std::vector<ChannelFit> fits(static_cast<size_t>(fitted));
    for (int c = 0; c < fitted; ++c)
        for (size_t i = 0; i < centres.size(); ++i)
            targets[static_cast<size_t>(c)].push_back(
                std::clamp(referenceBands[static_cast<size_t>(c)][i] - mixBands[static_cast<size_t>(c)][i],
                           -kLargestDifferenceDb, kLargestDifferenceDb));
    const double amount = cmd.amount / 100.0;
    auto fitOne = [&](int c) {
        BandResponse response(rate, centres, 1.0 / kBandsPerOctave, midSide);
        fits[static_cast<size_t>(c)] =
            fitChannel(response, c, centres, targets[static_cast<size_t>(c)], amount);
    };
    if (fitted == 2) {
        std::thread other(fitOne, 1);
        fitOne(0);
        other.join();
    } else {
        fitOne(0);
    }

    // A mono file plays through the left (mid) bands; the right ones follow them.
    std::vector<ResolvedSetting> settings;
    auto add = [&](uint32_t id, double value) {
        // The shapes go by their tags, as the parameter table lists them.
        const ParameterDescription* p = plugin->findParameter(id);
        const std::string name = id >= kShape1R && id <= kShape4L ? tagName(id) : p ? p->title : tagName(id);
        settings.push_back({id, value, name + "=" + plugin->textOf(id, value)});
    };
    add(kLink, switchValue(kLink, false));
    add(kMidSide, switchValue(kMidSide, midSide));
    for (int c = 0; c < kNumChannels; ++c) {
        const ChannelFit& fit = fits[static_cast<size_t>(std::min(c, fitted - 1))];
        for (int b = 0; b < kFittedBands; ++b) {
            const FittedBand& band = fit.bands[b];
            const uint32_t offset = static_cast<uint32_t>(b);
            add((c == 0 ? kOn1L : kOn1R) + offset, switchValue(kOn1L, true));
            add((c == 0 ? kShape1L : kShape1R) + offset, listValueOfShape(band.shape));
            add((c == 0 ? kFreq1L : kFreq1R) + offset, band.freqNorm);
            if (band.shape == ShapeBell) {
                add((c == 0 ? kGain1L : kGain1R) + offset, band.gainNorm);
                add((c == 0 ? kBW1L : kBW1R) + offset, band.widthNorm);
            }
            add((c == 0 ? kQ1L : kQ1R) + offset, band.qNorm);
        }
    }
    if (!applyInOrder(*plugin, settings, error)) return fail(error);

    // The report: on standard output, unless the plot or preset goes there.
    const char* names[2][2] = {{"left", "right"}, {"mid", "side"}};
    const char* const* channelNames = midSide ? names[1] : names[0];
    for (int c = 0; c < fitted; ++c) {
        const ChannelFit& fit = fits[static_cast<size_t>(c)];
        note("%s: difference %s RMS before, %s after (1/3 octaves, 30 Hz to 16 kHz)\n",
             fitted == 1 ? "mono" : channelNames[c], dbText(fit.beforeRmsDb).c_str(),
             dbText(fit.afterRmsDb).c_str());
    }
    std::string arguments;
    for (const auto& s : settings) {
        const std::string& d = s.description;
        const auto eq = d.find('=');
        const bool quote = d.find(' ') != std::string::npos;
        arguments += " --set " + (quote ? d.substr(0, eq + 1) + "\"" + d.substr(eq + 1) + "\"" : d);
    }
    FILE* out = cmd.png == "-" || cmd.savePreset == "-" ? stderr : stdout;
    fprintf(out, "settings:%s\n", arguments.c_str()); // the result: printed even with -q

    std::vector<uint8_t> picture, presetImage;
    if (png) {
        CurvesPlot plot;
        plot.title = "Match: " + mixPath + " towards " + referencePath;
        char subtitle[160];
        snprintf(subtitle, sizeof subtitle, "1/3-octave bands, loudness-normalised, %d Hz; amount %g %%",
                 rate, cmd.amount);
        plot.subtitle = subtitle;
        plot.frequencies = centres;
        for (int c = 0; c < fitted; ++c) {
            const ChannelFit& fit = fits[static_cast<size_t>(c)];
            PlotPanel panel;
            panel.title = fitted == 1 ? "mono" : channelNames[c];
            panel.yLabel = "dB";
            // The target at the level the fit found, so that what remains centres on 0.
            std::vector<double> target, remaining;
            for (size_t i = 0; i < centres.size(); ++i) {
                target.push_back(targets[static_cast<size_t>(c)][i] - fit.offsetDb);
                remaining.push_back(target.back() - fit.fitted[i]);
            }
            panel.curves.push_back(
                {"target difference (" + dbText(fit.beforeRmsDb) + " RMS)", target, false});
            panel.curves.push_back({"VOSK's fitted response", fit.fitted, false});
            panel.curves.push_back({"what remains (" + dbText(fit.afterRmsDb) + " RMS)", remaining, true});
            plot.panels.push_back(std::move(panel));
        }
        if (!renderCurvesPng(plot, picture, error)) return fail(error);
    }
    if (preset && !plugin->savePreset(presetImage, error)) return fail(error);
    if (png && !writeAll(png->descriptor(), picture, error)) return fail(cmd.png + ": " + error);
    if (preset && !writeAll(preset->descriptor(), presetImage, error))
        return fail(cmd.savePreset + ": " + error);
    if (png && !png->commit(error)) return fail(error);
    if (preset && !preset->commit(error)) return fail(error);
    if (png) note("wrote %s\n", cmd.png.c_str());
    if (preset) note("saved preset %s\n", cmd.savePreset.c_str());
    return 0;
}

} // namespace vosk
