// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// `vosk render --listen`: what the engineer hears with a listening tool on,
// rendered through the built command and bundle.
#include "cli/levels.h"
#include "clirunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace vosk::test;

namespace {

constexpr int kRate = 48000;
constexpr int kFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
const std::string kExamplePreset = VOSK_SOURCE_DIR "/resource/presets/GentleMaster.vstpreset";

// Stereo pink noise at about -20 dBFS RMS, each channel its own.
Audio pinkNoise(double seconds, unsigned seed)
{
    Audio a;
    a.rate = kRate;
    a.channels = 2;
    a.format = kFloat;
    double state[2][7] = {};
    const auto frames = static_cast<long long>(seconds * kRate);
    for (long long i = 0; i < frames; ++i) {
        for (auto& b : state) {
            seed = seed * 1664525u + 1013904223u;
            const double w = static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
            // Paul Kellet's filter: -3 dB per octave within 0.05 dB above 10 Hz.
            b[0] = 0.99886 * b[0] + w * 0.0555179;
            b[1] = 0.99332 * b[1] + w * 0.0750759;
            b[2] = 0.96900 * b[2] + w * 0.1538520;
            b[3] = 0.86650 * b[3] + w * 0.3104856;
            b[4] = 0.55000 * b[4] + w * 0.5329522;
            b[5] = -0.7616 * b[5] - w * 0.0168980;
            const double pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362;
            b[6] = w * 0.115926;
            a.samples.push_back(static_cast<float>(0.05 * pink));
        }
    }
    return a;
}

Audio render(ScratchDir& scratch, const std::string& name, std::vector<std::string> options)
{
    std::vector<std::string> args = {"render", "in.wav", name, "-q"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult r = runVosk(args, scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    Audio out;
    EXPECT_TRUE(readAudio(scratch.file(name), out));
    return out;
}

double lufs(const Audio& a)
{
    vosk::LevelMeter meter(a.channels, a.rate);
    meter.add(a.samples.data(), a.frames());
    return meter.report().integratedLufs.value_or(-1000.0);
}

const std::vector<std::string> kBellBoost = {"--set", "Freq3L=1.2kHz", "--set", "Gain3L=6dB"};
const std::vector<std::string> kFlat = {"--set-norm", "kOnLoCut=0", "--set-norm", "kOnHiCut=0",
                                        "--set-norm", "kOn1L=0",    "--set-norm", "kOn2L=0",
                                        "--set-norm", "kOn3L=0",    "--set-norm", "kOn4L=0"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The delta is the render less the input; with nothing to change it is silence.
TEST(Listen, TheDeltaIsTheRenderLessTheInput)
{
    ScratchDir scratch;
    const Audio in = pinkNoise(2, 3);
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));
    for (const auto& settings : {kBellBoost, kFlat}) {
        const Audio normal = render(scratch, "normal.wav", settings);
        const Audio delta = render(scratch, "delta.wav", with(settings, {"--listen", "delta"}));
        ASSERT_EQ(delta.samples.size(), in.samples.size());
        double worst = 0, largest = 0;
        for (size_t i = 0; i < in.samples.size(); ++i) {
            worst = std::max(worst, std::fabs(double(delta.samples[i]) - (double(normal.samples[i]) - in.samples[i])));
            largest = std::max(largest, std::fabs(double(delta.samples[i])));
        }
        EXPECT_LE(worst, 1e-5);
        if (settings == kFlat) {
            EXPECT_LE(20 * std::log10(largest + 1e-30), -100.0);
        }
    }
}

// The comparison is the input alone, scaled to the processed render's loudness.
TEST(Listen, TheComparisonIsTheInputAtTheProcessedLoudness)
{
    ScratchDir scratch;
    const Audio in = pinkNoise(12, 7);
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));
    // The example preset, 3 dB louder, so that the comparison has a difference to remove.
    const std::vector<std::string> louder = {"--preset", kExamplePreset, "--set", "InputGain=3dB"};
    const Audio processed = render(scratch, "processed.wav", louder);
    const Audio compared = render(scratch, "compared.wav", with(louder, {"--listen", "compare"}));
    ASSERT_EQ(compared.samples.size(), in.samples.size());
    EXPECT_NEAR(lufs(compared), lufs(processed), 0.5);
    EXPECT_GT(lufs(processed) - lufs(in), 2.0);

    double cross = 0, power = 0;
    for (size_t i = 0; i < in.samples.size(); ++i) {
        cross += double(compared.samples[i]) * in.samples[i];
        power += double(in.samples[i]) * in.samples[i];
    }
    const double gain = cross / power;
    double residual = 0;
    for (size_t i = 0; i < in.samples.size(); ++i) {
        const double r = compared.samples[i] - gain * in.samples[i];
        residual += r * r;
    }
    EXPECT_LT(10 * std::log10(residual / (gain * gain * power)), -40.0);
}

// A solo names the band and the channel it plays.
TEST(Listen, ASoloPlaysItsOwnChannel)
{
    ScratchDir scratch;
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), pinkNoise(1, 5)));
    for (int channel = 0; channel < 2; ++channel) {
        const std::string band = std::string("3") + (channel == 0 ? "L" : "R");
        const Audio solo = render(scratch, "solo.wav", {"--set", "Freq3" + band.substr(1) + "=1.2kHz", "--listen",
                                                        "solo:" + band});
        double energy[2] = {0, 0};
        for (long long i = 0; i < solo.frames(); ++i)
            for (int c = 0; c < 2; ++c) energy[c] += double(solo.at(i, c)) * solo.at(i, c);
        EXPECT_GT(energy[channel], 1.0) << band;
        EXPECT_EQ(energy[1 - channel], 0.0) << band;
    }
}

} // namespace
