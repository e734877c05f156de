// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness and true peak against the synthetic cases of EBU Tech 3341, generated
// here, and the true peak against libebur128's.
#include "clirunner.h"
#include "cli/levels.h"
#include "cli/truepeak.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cmath>
#include <vector>

using namespace vosk;
using namespace vosk::test;

namespace {

constexpr int kRate = 48000;

struct Step
{
    double dbfs;
    double seconds;
};

// A stereo 1 kHz sine in both channels, its level stepping as given.
void feedSteps(LevelMeter& meter, const std::vector<Step>& steps)
{
    std::vector<float> block;
    long long n = 0;
    for (const Step& s : steps) {
        const double amplitude = std::pow(10.0, s.dbfs / 20.0);
        const long long frames = std::llround(s.seconds * kRate);
        block.resize(static_cast<size_t>(2 * frames));
        for (long long i = 0; i < frames; ++i, ++n)
            block[static_cast<size_t>(2 * i)] = block[static_cast<size_t>(2 * i + 1)] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * 1000.0 * static_cast<double>(n) / kRate));
        meter.add(block.data(), frames);
    }
}

LevelReport measureSteps(const std::vector<Step>& steps)
{
    LevelMeter meter(2, kRate);
    feedSteps(meter, steps);
    return meter.report();
}

TEST(Loudness, SyntheticCasesOfTech3341ReadWithinTheirTolerance)
{
    struct Case
    {
        const char* name;
        std::vector<Step> steps;
        double lufs;
    } cases[] = {
        {"case 1", {{-23, 20}}, -23.0},
        {"case 2", {{-33, 20}}, -33.0},
        {"case 3", {{-36, 10}, {-23, 60}, {-36, 10}}, -23.0},
        {"case 4", {{-72, 10}, {-36, 10}, {-23, 60}, {-36, 10}, {-72, 10}}, -23.0},
        {"case 5", {{-26, 20}, {-20, 20.1}, {-26, 20}}, -23.0},
    };
    for (const auto& c : cases) {
        const LevelReport r = measureSteps(c.steps);
        ASSERT_TRUE(r.integratedLufs) << c.name;
        EXPECT_NEAR(*r.integratedLufs, c.lufs, 0.1) << c.name;
    }
}

// libebur128's own true peak, for comparison.
double referenceTruePeakDb(const std::vector<float>& interleaved, int channels, int rate)
{
    ebur128_state* state = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                                        EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(state, interleaved.data(), interleaved.size() / static_cast<size_t>(channels));
    double peak = 0;
    for (int c = 0; c < channels; ++c) {
        double p = 0;
        ebur128_true_peak(state, static_cast<unsigned>(c), &p);
        peak = std::max(peak, p);
    }
    ebur128_destroy(&state);
    return 20 * std::log10(peak);
}

// A stereo sine of `amplitude` at rate/`divisor`, starting at `degrees`, for
// `frames`, after `silence` frames of silence; `fade` frames at each end rise
// and fall smoothly, so that the edges add no overshoot of their own.
std::vector<float> sine(double amplitude, double divisor, double degrees, int frames, int silence = 0, int fade = 0)
{
    std::vector<float> block(static_cast<size_t>(2 * (silence + frames)), 0.0f);
    for (int i = 0; i < frames; ++i) {
        const int edge = std::min(i, frames - 1 - i);
        const double envelope = edge < fade ? 0.5 - 0.5 * std::cos(M_PI * edge / fade) : 1.0;
        block[static_cast<size_t>(2 * (silence + i))] = block[static_cast<size_t>(2 * (silence + i) + 1)] =
            static_cast<float>(envelope * amplitude * std::sin(2 * M_PI * i / divisor + degrees * M_PI / 180));
    }
    return block;
}

TEST(Loudness, TruePeakAgreesWithLibebur128AndTech3341)
{
    // Tech 3341's true-peak cases that can be made here (15 to 19), and the
    // signal `vosk generate` makes. Their samples lie below the waveform's peak.
    constexpr int kFade = kRate / 100;
    ScratchDir scratch;
    ASSERT_EQ(runVosk({"generate", "mix.wav", "--seconds", "60"}, scratch).status, 0);
    Audio generated;
    ASSERT_TRUE(readAudio(scratch.file("mix.wav"), generated));
    struct Case
    {
        const char* name;
        std::vector<float> signal;
        int rate;
        double dbtp; // NAN: no expected figure
    } cases[] = {
        {"case 15", sine(0.5, 4, 0, kRate, 0, kFade), kRate, -6.0},
        {"case 16, quarter rate at 45 degrees", sine(0.5, 4, 45, kRate, 0, kFade), kRate, -6.0},
        {"case 17", sine(0.5, 6, 60, kRate, 0, kFade), kRate, -6.0},
        {"case 18", sine(0.5, 8, 67.5, kRate, 0, kFade), kRate, -6.0},
        {"case 19", sine(std::sqrt(2.0), 4, 45, kRate, 0, kFade), kRate, 3.0},
        {"generated signal", generated.samples, generated.rate, NAN},
    };
    for (const auto& c : cases) {
        LevelMeter meter(2, c.rate);
        meter.add(c.signal.data(), static_cast<long long>(c.signal.size() / 2));
        const LevelReport r = meter.report();
        ASSERT_TRUE(r.truePeakDbtp) << c.name;
        EXPECT_NEAR(*r.truePeakDbtp, referenceTruePeakDb(c.signal, 2, c.rate), 0.1) << c.name;
        if (!std::isnan(c.dbtp)) {
            EXPECT_LE(*r.truePeakDbtp, c.dbtp + 0.2) << c.name;
            EXPECT_GE(*r.truePeakDbtp, c.dbtp - 0.4) << c.name;
        }
    }
}

TEST(Loudness, TruePeakCountsTheWaveformUpToTheSilenceAfterTheEnd)
{
    // The last eight samples of a file: the quarter-rate sine at 45 degrees,
    // whose samples lie 3 dB below its peak.
    LevelMeter meter(2, kRate);
    const std::vector<float> signal = sine(0.5, 4, 45, 8, kRate);
    meter.add(signal.data(), static_cast<long long>(signal.size() / 2));
    const LevelReport r = meter.report();
    ASSERT_TRUE(r.samplePeakDbfs && r.truePeakDbtp);
    EXPECT_NEAR(*r.samplePeakDbfs, -9.03, 0.01);
    EXPECT_GE(*r.truePeakDbtp, -6.4);
}

TEST(Loudness, TruePeakDoesNotDependOnHowTheFramesAreCut)
{
    // One call takes the wide path, calls of a few frames the plain one: the
    // figures are the same to the last bit.
    std::vector<float> noise(2 * 20000);
    unsigned seed = 5;
    for (float& v : noise) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    TruePeakMeter whole(2, kRate), pieces(2, kRate);
    whole.add(noise.data(), 20000);
    for (long long done = 0, n = 1; done < 20000; done += n, n = n % 7 + 1)
        pieces.add(noise.data() + 2 * done, std::min(n, 20000 - done));
    EXPECT_EQ(whole.truePeak(), pieces.truePeak());
    EXPECT_EQ(whole.samplePeak(), pieces.samplePeak());
}

TEST(Loudness, AnAlbumIsGatedAsOneProgramme)
{
    // Three tracks 6 dB apart: the album's loudness is that of the three
    // joined, not the mean of the tracks' figures; the loudest peak is in the
    // first.
    const std::vector<std::vector<Step>> tracks = {{{-20, 10}}, {{-26, 10}}, {{-32, 10}}};
    std::vector<std::unique_ptr<LevelMeter>> meters;
    LevelMeter joined(2, kRate);
    for (const auto& steps : tracks) {
        meters.push_back(std::make_unique<LevelMeter>(2, kRate));
        for (LevelMeter* m : {meters.back().get(), &joined}) feedSteps(*m, steps);
    }
    const AlbumLevels album = measureAlbum({meters[0].get(), meters[1].get(), meters[2].get()});
    const LevelReport whole = joined.report();
    ASSERT_TRUE(album.integratedLufs && whole.integratedLufs && album.truePeakDbtp);
    EXPECT_NEAR(*album.integratedLufs, *whole.integratedLufs, 0.05);
    EXPECT_EQ(album.loudestTrack, 0u);
    EXPECT_NEAR(album.seconds, 30.0, 1e-9);
}

TEST(Loudness, SilenceHasNoFiguresButItsLength)
{
    LevelMeter meter(2, kRate);
    std::vector<float> block(2 * kRate, 0.0f);
    meter.add(block.data(), kRate);
    const LevelReport r = meter.report();
    EXPECT_FALSE(r.integratedLufs || r.loudnessRangeLu || r.truePeakDbtp || r.samplePeakDbfs || r.rmsDbfs ||
                 r.crestDb || r.correlation);
    EXPECT_DOUBLE_EQ(r.seconds, 1.0);
    EXPECT_EQ(r.dcOffset, (std::vector<double>{0.0, 0.0}));
}

} // namespace
