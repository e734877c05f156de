// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// `vosk analyze`, render's loudness report and `vosk match` end to end, on
// signals generated here.
#include "clirunner.h"
#include "cli/analysis.h"
#include "ffft/FFTReal.h"
#include "hosting/hostedplugin.h"
#include "source/parametertable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sys/stat.h>

using namespace vosk;
using namespace vosk::test;

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 1 << 20; // 24 seconds

// Stereo noise whose amplitude spectrum follows `shape` (of the frequency in
// Hz), each channel from its own seed, at about -20 dBFS RMS, as 32-bit float.
Audio shapedNoise(double (*shape)(double), unsigned seed = 7)
{
    ffft::FFTReal<float> fft(kFrames);
    std::vector<float> white(kFrames), spectrum(kFrames), channel[2];
    for (int c = 0; c < 2; ++c) {
        for (float& v : white) {
            seed = seed * 1664525u + 1013904223u;
            v = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        }
        fft.forward_transform(spectrum.data(), white.data());
        const int half = kFrames / 2;
        spectrum[0] = 0;
        for (int k = 1; k <= half; ++k) {
            const auto gain = static_cast<float>(shape(static_cast<double>(k) * kRate / kFrames));
            spectrum[k] *= gain;
            if (k < half) spectrum[half + k] *= gain;
        }
        channel[c].resize(kFrames);
        fft.inverse_transform(spectrum.data(), channel[c].data());
    }
    double squares = 0;
    for (const auto& ch : channel)
        for (float v : ch) squares += static_cast<double>(v) * v;
    const double scale = 0.1 / std::sqrt(squares / (2.0 * kFrames));
    Audio a;
    a.rate = kRate;
    a.channels = 2;
    a.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    for (int i = 0; i < kFrames; ++i)
        for (const auto& ch : channel)
            a.samples.push_back(static_cast<float>(ch[static_cast<size_t>(i)] * scale));
    return a;
}

double pink(double hz)
{
    return 1.0 / std::sqrt(hz);
}

// Pink noise under a tilt of 1 dB per octave about 1 kHz.
double tiltedPink(double hz)
{
    return pink(hz) * std::pow(10.0, std::log2(hz / 1000.0) / 20.0);
}

std::string presetPath(const char* name)
{
    return std::string(VOSK_SOURCE_DIR) + "/resource/presets/" + name;
}

Response responseOf(const std::string& preset, const std::vector<double>& freqs)
{
    std::string error;
    auto plugin = HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    EXPECT_TRUE(plugin) << error;
    Response r;
    if (!plugin) return r;
    EXPECT_TRUE(plugin->loadPresetFile(preset, error)) << error;
    EXPECT_TRUE(measureResponse(*plugin, kRate, freqs, r, error)) << error;
    return r;
}

TEST(Analyze, JsonHasEveryFigureAndNullsForSilence)
{
    ScratchDir scratch;
    Audio silence{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, std::vector<float>(2 * kRate, 0.0f)};
    ASSERT_TRUE(writeAudio(scratch.file("silence.wav"), silence));
    const RunResult r = runVosk({"analyze", scratch.file("silence.wav"), "--json"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* key : {"integrated_lufs", "loudness_range_lu", "true_peak_dbtp", "sample_peak_dbfs",
                            "rms_dbfs", "crest_db", "correlation"})
        EXPECT_NE(r.out.find(std::string("\"") + key + "\": null"), std::string::npos) << key << "\n"
                                                                                       << r.out;
    EXPECT_NE(r.out.find("\"seconds\": 1.000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"rate\": 44100"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"file\": \"" + scratch.file("silence.wav") + "\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("inf"), std::string::npos) << r.out;
}

TEST(Render, ReportsLoudnessAndWarnsAboveTheTruePeakLimit)
{
    ScratchDir scratch;
    // Samples at -3 dBFS whose waveform peaks at full scale.
    Audio loud{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, {}};
    for (int i = 0; i < kRate; ++i)
        for (int c = 0; c < 2; ++c)
            loud.samples.push_back(static_cast<float>(std::sin(M_PI / 2 * i + M_PI / 4)));
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), loud));
    RunResult r = runVosk({"render", scratch.file("in.wav"), scratch.file("out.wav")}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(
        std::regex_search(r.out, std::regex("loudness: input -?[0-9.]+ LUFS, true peak -?[0-9.]+ dBTP; "
                                            "output -?[0-9.]+ LUFS, true peak -?[0-9.]+ dBTP")))
        << r.out;
    EXPECT_NE(r.err.find("true peak"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("above -1 dBTP"), std::string::npos) << r.err;

    r = runVosk({"render", "-q", scratch.file("in.wav"), scratch.file("out2.wav")}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
}

// "left: difference 1.07 dB RMS before, 0.40 dB after" per channel.
std::vector<std::pair<double, double>> differences(const std::string& out)
{
    std::vector<std::pair<double, double>> found;
    const std::regex line("difference ([0-9.]+) dB RMS before, ([0-9.]+) dB after");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it)
        found.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    return found;
}

TEST(Match, FindsAKnownSettingAgain)
{
    ScratchDir scratch;
    ASSERT_TRUE(writeAudio(scratch.file("mix.wav"), shapedNoise(pink)));
    RunResult r = runVosk({"render", "-q", scratch.file("mix.wav"), scratch.file("reference.wav"), "--preset",
                           presetPath("GentleMaster.vstpreset")},
                          scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    r = runVosk({"match", scratch.file("mix.wav"), scratch.file("reference.wav"), "--save-preset",
                 scratch.file("fit.vstpreset")},
                scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("--set Gain1L="), std::string::npos) << r.out;

    const auto freqs = logFrequencies(40, 16000, 200);
    const Response known = responseOf(presetPath("GentleMaster.vstpreset"), freqs);
    const Response fitted = responseOf(scratch.file("fit.vstpreset"), freqs);
    ASSERT_EQ(known.curves.size(), 2u);
    ASSERT_EQ(fitted.curves.size(), 2u);
    for (size_t c = 0; c < 2; ++c) {
        double squares = 0;
        for (size_t i = 0; i < freqs.size(); ++i) {
            const double d = fitted.curves[c].magnitudeDb[i] - known.curves[c].magnitudeDb[i];
            squares += d * d;
        }
        EXPECT_LE(std::sqrt(squares / static_cast<double>(freqs.size())), 0.5) << known.curves[c].label;
    }
}

TEST(Match, AFileMatchedToItselfIsFlat)
{
    ScratchDir scratch;
    ASSERT_TRUE(writeAudio(scratch.file("mix.wav"), shapedNoise(pink)));
    const RunResult r = runVosk({"match", scratch.file("mix.wav"), scratch.file("mix.wav"), "--save-preset",
                                 scratch.file("self.vstpreset"), "--mode", "ms"},
                                scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string error;
    auto plugin = HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->loadPresetFile(scratch.file("self.vstpreset"), error)) << error;
    EXPECT_LT(plugin->normalizedValue(kMidSide), 0.5); // mid/side on
    for (uint32_t id = kGain1R; id <= kGain4L; ++id) {
        const double gain = bandGainFromNorm(plugin->normalizedValue(id));
        EXPECT_NEAR(20 * std::log10(1 + gain), 0.0, 0.1) << id;
    }
}

TEST(Match, ASmoothTiltLosesMostOfItsDifference)
{
    ScratchDir scratch;
    ASSERT_TRUE(writeAudio(scratch.file("mix.wav"), shapedNoise(pink)));
    ASSERT_TRUE(writeAudio(scratch.file("reference.wav"), shapedNoise(tiltedPink)));
    const RunResult r = runVosk({"match", scratch.file("mix.wav"), scratch.file("reference.wav")}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto found = differences(r.out);
    ASSERT_EQ(found.size(), 2u) << r.out;
    for (const auto& [before, after] : found) {
        EXPECT_GT(before, 2.0) << r.out;
        EXPECT_LE(after, 0.3 * before) << r.out;
    }
}

TEST(Match, RefusesWhatItCannotCompareAndWritesNothing)
{
    ScratchDir scratch;
    Audio stereo = shapedNoise(pink);
    stereo.samples.resize(2 * 2 * kRate);
    Audio mono{kRate, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, {}};
    Audio other = stereo, silent = stereo;
    other.rate = 48000;
    for (size_t i = 0; i < stereo.samples.size(); i += 2) mono.samples.push_back(stereo.samples[i]);
    std::fill(silent.samples.begin(), silent.samples.end(), 0.0f);
    Audio halfSilent = stereo;
    for (size_t i = 1; i < halfSilent.samples.size(); i += 2) halfSilent.samples[i] = 0.0f;
    ASSERT_TRUE(writeAudio(scratch.file("stereo.wav"), stereo));
    ASSERT_TRUE(writeAudio(scratch.file("mono.wav"), mono));
    ASSERT_TRUE(writeAudio(scratch.file("48k.wav"), other));
    ASSERT_TRUE(writeAudio(scratch.file("silent.wav"), silent));
    ASSERT_TRUE(writeAudio(scratch.file("half-silent.wav"), halfSilent));
    FILE* junk = fopen(scratch.file("junk.wav").c_str(), "w");
    ASSERT_TRUE(junk);
    fputs("not audio", junk);
    fclose(junk);
    const auto before = scratch.entries();

    const struct
    {
        const char* mix;
        const char* reference;
        const char* message;
    } cases[] = {
        {"mono.wav", "stereo.wav", "is mono and"},
        {"stereo.wav", "48k.wav", "Hz: the bands are designed at the files' rate"},
        {"stereo.wav", "silent.wav", "is silent: there is nothing to match"},
        {"half-silent.wav", "stereo.wav", "has a channel without signal"},
        {"junk.wav", "stereo.wav", "cannot read"},
        {"stereo.wav", "missing.wav", "no such file"},
    };
    for (const auto& c : cases) {
        const RunResult r = runVosk({"match", scratch.file(c.mix), scratch.file(c.reference), "--save-preset",
                                     scratch.file("out.vstpreset"), "--png", scratch.file("out.png")},
                                    scratch);
        EXPECT_EQ(r.status, 1) << c.mix << " " << c.reference;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(scratch.entries(), before) << c.mix << " " << c.reference;
    }
}

// White noise at `rms` (full scale 1) for `seconds`, as 24-bit WAV.
Audio quietNoise(double rms, double seconds, unsigned seed)
{
    Audio a{kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24, {}};
    const double amplitude = rms * std::sqrt(3.0) * 2;
    for (long long i = 0; i < std::llround(2 * seconds * kRate); ++i) {
        seed = seed * 1664525u + 1013904223u;
        a.samples.push_back(static_cast<float>(amplitude * (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f)));
    }
    return a;
}

// "album of N files, S s: integrated loudness X LUFS, ..., true peak T dBTP (NAME)"
std::smatch albumLine(const std::string& text)
{
    static const std::regex line("album of ([0-9]+) files?, [0-9.]+ s: integrated loudness (-?[0-9.]+) LUFS, "
                                 "loudness range [-0-9.]+ (LU)?, true peak -?[0-9.]+ dBTP \\((.*)\\)");
    std::smatch m;
    std::regex_search(text, m, line);
    return m;
}

TEST(Batch, RendersEachFileAsASingleRenderWouldAndMeasuresTheAlbum)
{
    ScratchDir scratch;
    const char* names[] = {"one.wav", "two.wav", "three.wav"};
    const double levels[] = {0.05, 0.2, 0.1};
    std::vector<std::string> args = {"render"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(writeAudio(scratch.file(names[i]), quietNoise(levels[i], 2 + i, 11 + i)));
        args.push_back(names[i]);
    }
    ASSERT_EQ(mkdir(scratch.file("out").c_str(), 0755), 0);
    for (const char* option : {"--out-dir", "out", "--jobs", "3", "--preset"}) args.push_back(option);
    args.push_back(presetPath("GentleMaster.vstpreset"));
    const RunResult batch = runVosk(args, scratch);
    ASSERT_EQ(batch.status, 0) << batch.err;

    for (const char* name : names) {
        const RunResult single = runVosk({"render", "-q", name, std::string("single-") + name, "--preset",
                                          presetPath("GentleMaster.vstpreset")},
                                         scratch);
        ASSERT_EQ(single.status, 0) << single.err;
        EXPECT_TRUE(readText(scratch.file("out/") + name) == readText(scratch.file("single-") + name)) << name;
        EXPECT_NE(batch.out.find("wrote out/" + std::string(name)), std::string::npos) << batch.out;
    }
    const std::smatch rendered = albumLine(batch.out);
    ASSERT_FALSE(rendered.empty()) << batch.out;
    EXPECT_EQ(rendered[1], "3");
    EXPECT_EQ(rendered[4], "out/two.wav");

    // The written files measure the same.
    const RunResult analyzed = runVosk({"analyze", "out/one.wav", "out/two.wav", "out/three.wav"}, scratch);
    ASSERT_EQ(analyzed.status, 0) << analyzed.err;
    const std::smatch measured = albumLine(analyzed.out);
    ASSERT_FALSE(measured.empty()) << analyzed.out;
    EXPECT_NEAR(std::stod(measured[2]), std::stod(rendered[2]), 0.1);
}

TEST(Batch, AFileThatFailsWritesNothingAndStopsNoOther)
{
    ScratchDir scratch;
    ASSERT_EQ(mkdir(scratch.file("out").c_str(), 0755), 0);
    ASSERT_TRUE(writeAudio(scratch.file("a.wav"), quietNoise(0.1, 1, 1)));
    ASSERT_TRUE(writeAudio(scratch.file("c.wav"), quietNoise(0.1, 1, 2)));
    ASSERT_TRUE(writeAudio(scratch.file("out/self.wav"), quietNoise(0.1, 1, 3)));
    FILE* junk = fopen(scratch.file("b.wav").c_str(), "w");
    ASSERT_TRUE(junk);
    fputs("not audio", junk);
    fclose(junk);
    const std::string self = readText(scratch.file("out/self.wav"));

    const RunResult r = runVosk({"render", "a.wav", "b.wav", "c.wav", "out/self.wav", "--out-dir", "out"}, scratch);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read b.wav"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("out/self.wav is the input file"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(r.err.rfind("vosk: ")), "vosk: error: 2 of 4 files failed; nothing was written for them\n");
    EXPECT_EQ(readText(scratch.file("out/self.wav")), self);
    EXPECT_EQ(scratch.entries("out"), (std::vector<std::string>{"a.wav", "c.wav", "self.wav"}));
    EXPECT_EQ(albumLine(r.out)[1], "2");
}

} // namespace
