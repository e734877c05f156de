// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Output file formats chosen the way people expect of audio tools: by the
// file name's extension, or by --format; the sample type by --bits or the
// input's. Integer samples are quantised here, with TPDF dither, and clipping
// is counted.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vosk {

struct OutputFormatRequest
{
    std::string path;
    std::string format; // --format NAME, or empty: by the extension
    std::string bits;   // --bits 16|24|32|float, or empty: `preferred`
};

// The names --format accepts, and the extensions that choose them.
std::string knownFormats();

// The extension a file written in --format `name` gets (".flac"); false with
// the reason where no format has the name.
bool extensionOfFormat(const std::string& name, std::string& extension, std::string& error);

// The libsndfile format for `request`, keeping the sample type of
// `preferredFormat` where the container allows it. False with the reason.
bool chooseOutputFormat(const OutputFormatRequest& request, int preferredFormat, int& format,
                        std::string& error);

// "WAV, 24-bit" and the like.
std::string describeFormat(int format);

// Reads float frames from a file of any format, as sf_readf_float gives them.
// 24-bit little-endian PCM in WAV, W64 and RF64, how masters most often come,
// is converted here from its bytes several samples at a time, to the same
// values.
class SampleReader
{
public:
    SampleReader(SNDFILE* file, int format, int channels);
    // Frames read; fewer than asked at the end or on an error (sf_error).
    sf_count_t read(float* interleaved, sf_count_t frames);

private:
    SNDFILE* file;
    int channels;
    bool packed24;
    std::vector<unsigned char> bytes;
};

// Writes float frames to a file of any format. Integer sample types of 8 to
// 24 bits get TPDF dither (unless turned off), from a fixed seed so that
// renders repeat exactly; samples beyond full scale are clipped and counted.
class SampleWriter
{
public:
    SampleWriter(SNDFILE* file, int format, int channels, bool dither);
    bool write(const float* interleaved, long long frames);

    bool integer() const { return bits > 0; }
    bool dithered() const { return dither; }
    long long clippedSamples() const { return clipped; }
    long long samplesAboveFullScale() const { return overs; }
    double peak() const { return peakBefore; } // before conversion

private:
    SNDFILE* file;
    int channels;
    int bits = 0; // 0: written as floating point
    bool dither;
    uint64_t noise = 0x9E3779B97F4A7C15u; // a fixed seed: renders repeat exactly
    long long clipped = 0;
    long long overs = 0;
    double peakBefore = 0;
    bool packed24; // written as bytes, as SampleReader reads them
    std::vector<double> dithers;
    std::vector<int32_t> converted;
    std::vector<unsigned char> bytes;
};

} // namespace vosk
