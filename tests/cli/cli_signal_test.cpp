// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What the rendered audio must show through the real signal path: bell gain,
// exact alignment, presets that reproduce a render bit for bit, and a response
// plot that shows the curve that was set.
#include "clirunner.h"
#include "hosting/hostedplugin.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vosk::test;

namespace {

Audio sine(double freq, int frames, int rate, int channels, int format, float amplitude = 0.25f)
{
    Audio a;
    a.rate = rate;
    a.channels = channels;
    a.format = format;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            a.samples.push_back(amplitude * static_cast<float>(std::sin(2 * M_PI * freq * i / rate)));
    return a;
}

double rms(const Audio& a, int channel, long long from, long long to)
{
    double sum = 0;
    for (long long i = from; i < to; ++i) sum += double(a.at(i, channel)) * a.at(i, channel);
    return std::sqrt(sum / double(to - from));
}

double levelChangeDb(const Audio& in, const Audio& out, int channel)
{
    // Steady state only: away from both ends, where the filter sees silence.
    const long long from = 20000, to = in.frames() - 20000;
    return 20 * std::log10(rms(out, channel, from, to) / rms(in, channel, from, to));
}

TEST(RenderSignal, BellBoostRaisesASineAtItsFrequencyByTheBellsGain)
{
    ScratchDir scratch;
    const int rate = 44100, frames = 3 * rate;
    const Audio in = sine(1000, frames, rate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));

    for (const char* gain : {"3", "-4.5"}) {
        SCOPED_TRACE(gain);
        const RunResult r = runVosk(
            {"render", "in.wav", "out.wav", "--set", "Freq1L=1000", "--set", std::string("Gain1L=") + gain},
            scratch);
        ASSERT_EQ(r.status, 0) << r.err;
        Audio out;
        ASSERT_TRUE(readAudio(scratch.file("out.wav"), out));
        EXPECT_EQ(out.frames(), in.frames());
        EXPECT_EQ(out.format, in.format);
        EXPECT_EQ(out.channels, 2);
        // The link carries the left band's move to the right channel.
        EXPECT_NEAR(levelChangeDb(in, out, 0), std::stod(gain), 0.1);
        EXPECT_NEAR(levelChangeDb(in, out, 1), std::stod(gain), 0.1);
    }

    // A sine far from the bell passes at its level.
    const Audio far = sine(5000, frames, rate, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_TRUE(writeAudio(scratch.file("far.wav"), far));
    const RunResult r =
        runVosk({"render", "far.wav", "farout.wav", "--set", "Freq1L=100", "--set", "Gain1L=6"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    Audio out;
    ASSERT_TRUE(readAudio(scratch.file("farout.wav"), out));
    EXPECT_NEAR(levelChangeDb(far, out, 0), 0.0, 0.1);
}

// With every section off the response is a pure delay, so the impulse must
// come out where it went in, at full height. (With several sections on, the
// response's centre drifts a fraction of a sample per section.)
TEST(RenderSignal, CompensationAlignsAnImpulseExactly)
{
    ScratchDir scratch;
    const std::vector<std::string> allOff = {"--set", "ON/OFFLoCut=Off", "--set", "ON/OFFHiCut=0",
                                             "--set", "ON/OFF1L=0",      "--set", "ON/OFF2L=0",
                                             "--set", "ON/OFF3L=0",      "--set", "ON/OFF4L=0"};
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        Audio in;
        in.rate = 48000;
        in.channels = channels;
        in.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        in.samples.assign(static_cast<size_t>(60000 * channels), 0.0f);
        const long long at = 21111;
        for (int c = 0; c < channels; ++c) in.samples[static_cast<size_t>(at * channels + c)] = 0.5f;
        ASSERT_TRUE(writeAudio(scratch.file("impulse.wav"), in));
        std::vector<std::string> args = {"render", "impulse.wav", "out.wav", "--block", "333"};
        args.insert(args.end(), allOff.begin(), allOff.end());
        const RunResult r = runVosk(args, scratch);
        ASSERT_EQ(r.status, 0) << r.err;
        Audio out;
        ASSERT_TRUE(readAudio(scratch.file("out.wav"), out));
        ASSERT_EQ(out.frames(), in.frames());
        for (int c = 0; c < channels; ++c) {
            long long peakAt = -1;
            float peak = 0;
            for (long long i = 0; i < out.frames(); ++i)
                if (std::fabs(out.at(i, c)) > peak) peak = std::fabs(out.at(i, c)), peakAt = i;
            EXPECT_EQ(peakAt, at);
            EXPECT_NEAR(peak, 0.5f, 1e-4f); // single-precision transforms
            // Nothing else: the impulse is not smeared or echoed.
            double rest = 0;
            for (long long i = 0; i < out.frames(); ++i)
                if (i != at) rest += std::fabs(out.at(i, c));
            EXPECT_LT(rest, 1e-3);
        }
    }
}

TEST(RenderSignal, BypassGivesBackTheInputSampleForSample)
{
    ScratchDir scratch;
    const Audio in = sine(440, 30000, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));
    const RunResult r = runVosk({"render", "in.wav", "out.wav", "--set", "BYPASS=On"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    Audio out;
    ASSERT_TRUE(readAudio(scratch.file("out.wav"), out));
    EXPECT_TRUE(out.samples == in.samples);
}

const std::vector<std::string> kPresetSettings = {
    "--set", "Freq2L=700",   "--set", "Gain2L=-3", "--set", "BW2L=0.5", "--set", "kShape4R=Low Cut",
    "--set", "InputGain=-2", "--set", "cLink=Off", "--set", "Gain3R=2"};

TEST(RenderSignal, PresetReproducesTheRenderBitForBit)
{
    ScratchDir scratch;
    const Audio in = sine(700, 50000, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));
    std::vector<std::string> first = {"render", "in.wav", "a.wav", "--save-preset", "p.vstpreset"};
    first.insert(first.end(), kPresetSettings.begin(), kPresetSettings.end());
    RunResult r = runVosk(first, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("saved preset p.vstpreset"), std::string::npos);
    r = runVosk({"render", "in.wav", "b.wav", "--preset", "p.vstpreset"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    r = runVosk({"render", "in.wav", "plain.wav"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;

    Audio a, b, plain;
    ASSERT_TRUE(readAudio(scratch.file("a.wav"), a));
    ASSERT_TRUE(readAudio(scratch.file("b.wav"), b));
    ASSERT_TRUE(readAudio(scratch.file("plain.wav"), plain));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    EXPECT_TRUE(a.samples == b.samples) << "the preset does not reproduce the render";
    EXPECT_FALSE(a.samples == plain.samples) << "the settings changed nothing";
}

TEST(RenderSignal, PresetGivesTheControllerItsValues)
{
    ScratchDir scratch;
    const Audio in = sine(700, 20000, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));
    std::vector<std::string> args = {"render", "in.wav", "a.wav", "--save-preset", "p.vstpreset"};
    args.insert(args.end(), kPresetSettings.begin(), kPresetSettings.end());
    const RunResult r = runVosk(args, scratch);
    ASSERT_EQ(r.status, 0) << r.err;

    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->loadPresetFile(scratch.file("p.vstpreset"), error)) << error;
    auto shown = [&](uint32_t id) { return plugin->textOf(id, plugin->normalizedValue(id)); };
    EXPECT_EQ(shown(vosk::kFreq2L), "700");
    EXPECT_EQ(shown(vosk::kGain2L), "-3.0");
    EXPECT_EQ(shown(vosk::kFreq2R), "700"); // moved by the link before it was switched off
    EXPECT_EQ(shown(vosk::kGain3R), "2.0");
    EXPECT_EQ(shown(vosk::kGain3L), "0.0");
    EXPECT_EQ(shown(vosk::kShape4R), "Low Cut");
    EXPECT_EQ(shown(vosk::kInGain), "-2.0");
    EXPECT_EQ(shown(vosk::kBW2L), "0.50");
}

// In linear phase the group delay is the latency at every frequency; in minimum
// phase there is no latency, and what a bell delays is a few samples around it.
TEST(ResponseSignal, ShowsTheBellAndItsGroupDelayInEachPhase)
{
    const struct
    {
        const char* phase;
        double delaySamples, within;
    } cases[] = {
        // Each section after the first moves the centre a quarter sample earlier.
        {"Linear", 12288, 1.5},
        {"Minimum", 0, 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        ScratchDir scratch;
        // The link goes off first, so only the left band moves.
        const RunResult r =
            runVosk({"response", "--rate", "48000", "--set", "cLink=Off", "--set", "Freq3L=2000", "--set",
                     "Gain3L=4", "--set", std::string("Phase=") + c.phase, "--csv", "r.csv"},
                    scratch);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string csv = readText(scratch.file("r.csv"));
        double bestLeft = -100, rightThere = 0, delayThere = 0;
        size_t start = csv.find('\n') + 1;
        for (size_t nl; (nl = csv.find('\n', start)) != std::string::npos; start = nl + 1) {
            double f, l, rr, dl, dr;
            if (sscanf(csv.c_str() + start, "%lf,%lf,%lf,%lf,%lf", &f, &l, &rr, &dl, &dr) != 5) continue;
            if (f > 1500 && f < 2500 && l > bestLeft) bestLeft = l, rightThere = rr, delayThere = dl;
        }
        EXPECT_NEAR(bestLeft, 4.0, 0.2);
        EXPECT_NEAR(rightThere, 0.0, 0.2); // unlinked: the right channel keeps its flat band
        EXPECT_NEAR(delayThere * 48000 / 1000.0, c.delaySamples, c.within);
    }
}

// The example preset shipped for the demo still loads into this build's
// processor and still carries its curve (a change of the state layout that
// forgot older states would flatten it).
TEST(ResponseSignal, ShippedExamplePresetKeepsItsCurve)
{
    ScratchDir scratch;
    const RunResult r = runVosk({"response", "--rate", "44100", "--csv", "r.csv", "--preset",
                                 VOSK_SOURCE_DIR "/resource/presets/GentleMaster.vstpreset"},
                                scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = readText(scratch.file("r.csv"));
    auto levelAt = [&](double wanted) {
        double best = 1e9, level = 0;
        size_t start = csv.find('\n') + 1;
        for (size_t nl; (nl = csv.find('\n', start)) != std::string::npos; start = nl + 1) {
            double f, l, rr;
            if (sscanf(csv.c_str() + start, "%lf,%lf,%lf", &f, &l, &rr) == 3 && std::fabs(f - wanted) < best)
                best = std::fabs(f - wanted), level = l;
        }
        return level;
    };
    EXPECT_NEAR(levelAt(60), 1.5, 0.2);
    EXPECT_NEAR(levelAt(300), -1.2, 0.2);
    EXPECT_NEAR(levelAt(1000), 0.0, 0.1);
    EXPECT_NEAR(levelAt(12000), 2.0, 0.2);
}

} // namespace

namespace {

// With --tail nothing is lost at the end, compensated or not, at each transform
// length and in each phase: an impulse on the last input frame comes out as whole
// as one in the middle, and the two renders differ only by the latency at the
// start, which minimum phase does not have.
TEST(RenderSignal, TailKeepsTheDecayAfterTheEnd)
{
    ScratchDir scratch;
    const int frames = 80000, middle = 30000; // the two decays apart at every length
    Audio in = sine(700, frames, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0f);
    for (int at : {middle, frames - 1}) in.samples[2 * at] = in.samples[2 * at + 1] = 0.5f;
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), in));
    const struct
    {
        const char* fftSize;
        const char* phase;
    } cases[] = {{"16384", "Linear"}, {"65536", "Linear"}, {"16384", "Minimum"}, {"65536", "Minimum"}};
    for (const auto& setting : cases) {
        const char* fftSize = setting.fftSize;
        const char* phase = setting.phase;
        SCOPED_TRACE(std::string(fftSize) + " " + phase);
        const std::string size = std::string("FftSize=") + fftSize;
        auto render = [&](std::vector<std::string> args, Audio& out) {
            args.insert(args.begin(), {"render", "in.wav", "out.wav", "--tail", "--set", "Gain2L=4", "--set",
                                       size, "--set", std::string("Phase=") + phase});
            const RunResult r = runVosk(args, scratch);
            ASSERT_EQ(r.status, 0) << r.err;
            ASSERT_TRUE(readAudio(scratch.file("out.wav"), out));
        };
        Audio aligned, raw;
        render({}, aligned);
        render({"--no-compensate"}, raw);
        // What a host is told for that length.
        std::string error;
        auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        plugin->setParameter(vosk::kFftSizeMenu, vosk::listValueOfFftSize(std::stoi(fftSize)));
        const bool minimum = std::string(phase) == "Minimum";
        plugin->setParameter(vosk::kPhase, minimum ? 1.0 : 0.0);
        const long long latency = plugin->latencySamples(), tail = plugin->tailSamples();
        // Minimum phase needs nothing compensated.
        ASSERT_EQ(latency, minimum ? 0 : std::stoi(fftSize) / 4 * 3);
        ASSERT_EQ(aligned.frames(), frames + tail);
        ASSERT_EQ(raw.frames(), frames + latency + tail);
        long long mismatches = 0;
        for (long long i = 0; i < aligned.frames(); ++i)
            for (int c = 0; c < 2; ++c) mismatches += aligned.at(i, c) != raw.at(i + latency, c);
        EXPECT_EQ(mismatches, 0);

        auto energy = [&](long long from, long long to) {
            double sum = 0;
            for (long long i = from; i < to; ++i) sum += double(aligned.at(i, 0)) * aligned.at(i, 0);
            return sum;
        };
        // Minimum phase rings after the impulse only.
        const long long before = minimum ? 0 : tail;
        const double inMiddle = energy(middle - before, middle + tail);
        EXPECT_GT(inMiddle, 0.1);
        EXPECT_NEAR(energy(frames - 1 - before, aligned.frames()), inMiddle, inMiddle * 1e-4);
    }
}

} // namespace
