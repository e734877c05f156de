// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// SampleWriter writes the same file however its frames come: one long write
// takes the wide path, single samples the plain one. SampleReader reads what
// libsndfile reads.
#include "clirunner.h"
#include "cli/audioformat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

using namespace vosk;
using namespace vosk::test;

namespace {

struct Written
{
    std::string bytes;
    long long clipped, overs;
    double peak;
};

Written write(const std::string& path, int format, bool dither, const std::vector<float>& samples, bool whole)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_TRUE(file) << sf_strerror(nullptr);
    if (!file) return {};
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE); // it holds the time of writing
    SampleWriter writer(file, format, 1, dither);
    if (whole)
        writer.write(samples.data(), static_cast<long long>(samples.size()));
    else
        for (const float& s : samples) writer.write(&s, 1);
    Written w{"", writer.clippedSamples(), writer.samplesAboveFullScale(), writer.peak()};
    sf_close(file);
    w.bytes = readText(path);
    return w;
}

TEST(SampleWriter, WritesTheSameSamplesInOneWriteAsInSingleOnes)
{
    // Beyond full scale, on the rounding edges, tiny, signed zeros and what
    // is no number at all.
    std::vector<float> samples;
    for (int i = 0; i < 1001; ++i) samples.push_back(1.6f * std::sin(0.37f * static_cast<float>(i)));
    for (float v : {1.0f, -1.0f, 0.5f / 32768, -0.5f / 32768, 1.5f / 8388608, -0.0f, 1e-30f,
                    std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()})
        samples.insert(samples.begin() + 500, v);
    ScratchDir scratch;
    const struct
    {
        int subtype;
        bool dither;
    } cases[] = {{SF_FORMAT_PCM_16, true},  {SF_FORMAT_PCM_16, false}, {SF_FORMAT_PCM_24, true},
                 {SF_FORMAT_PCM_32, false}, {SF_FORMAT_FLOAT, false}};
    for (const auto& c : cases) {
        const Written whole = write(scratch.file("whole.wav"), SF_FORMAT_WAV | c.subtype, c.dither, samples, true);
        const Written single = write(scratch.file("single.wav"), SF_FORMAT_WAV | c.subtype, c.dither, samples, false);
        EXPECT_TRUE(whole.bytes == single.bytes) << c.subtype << (c.dither ? " dithered" : "");
        EXPECT_EQ(whole.clipped, single.clipped) << c.subtype;
        EXPECT_EQ(whole.overs, single.overs) << c.subtype;
        EXPECT_EQ(whole.peak, single.peak) << c.subtype;
    }
}

std::vector<float> readWith(const std::string& path, bool ours, int& channels)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_TRUE(file) << sf_strerror(nullptr);
    if (!file) return {};
    channels = info.channels;
    // Pieces of an odd length: the wide path and the plain one, and a short
    // last piece.
    constexpr sf_count_t kPiece = 1001;
    SampleReader reader(file, info.format, info.channels);
    std::vector<float> samples(static_cast<size_t>(info.frames + kPiece) * info.channels);
    sf_count_t frames = 0;
    for (sf_count_t got = kPiece; got == kPiece; frames += got)
        got = ours ? reader.read(samples.data() + frames * info.channels, kPiece)
                   : sf_readf_float(file, samples.data() + frames * info.channels, kPiece);
    EXPECT_EQ(frames, info.frames) << path;
    samples.resize(static_cast<size_t>(frames) * info.channels);
    sf_close(file);
    return samples;
}

TEST(SampleReader, ReadsTheValuesLibsndfileReads)
{
    // Both ends of the scale, and a chunk after the audio that must not be
    // read as samples.
    std::vector<int> values = {INT32_MIN, INT32_MAX, 0, -256, 256};
    for (int i = 0; i < 4000; ++i) values.push_back(static_cast<int>(2.1e9 * std::sin(0.013 * i)));
    ScratchDir scratch;
    const struct
    {
        int format, channels;
    } cases[] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2},   {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1},
                 {SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG, 2},
                 {SF_FORMAT_W64 | SF_FORMAT_PCM_24, 2},   {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2},
                 {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1}};
    for (const auto& c : cases) {
        const std::string path = scratch.file("in.wav");
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = c.channels;
        info.format = c.format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(file) << sf_strerror(nullptr);
        sf_write_int(file, values.data(), static_cast<sf_count_t>(values.size() / c.channels * c.channels));
        sf_set_string(file, SF_STR_TITLE, "after the audio");
        sf_close(file);
        int channels = 0;
        const std::vector<float> theirs = readWith(path, false, channels), ours = readWith(path, true, channels);
        EXPECT_TRUE(theirs == ours) << std::hex << c.format << " " << c.channels;
        EXPECT_EQ(ours.size(), values.size() / c.channels * c.channels);
    }
}

} // namespace
