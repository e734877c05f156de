// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk generate: a stereo test signal made here, so the demo needs no
// downloads: pink noise under a slow logarithmic sine sweep.
#include "audioformat.h"
#include "commands.h"
#include "hosting/fileio.h"

#include "common/numbers.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>

// Not in standard C++ before C++20.

namespace vosk {
namespace {

// Small, fixed generator: the same file on every machine.
struct Noise
{
    uint32_t state;
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 4294967296.0 * 2.0 - 1.0;
    }
};

// Pink from white noise (Paul Kellet's economy filter).
struct Pink
{
    double b0 = 0, b1 = 0, b2 = 0;
    double next(double white)
    {
        b0 = 0.99765 * b0 + white * 0.0990460;
        b1 = 0.96300 * b1 + white * 0.2965164;
        b2 = 0.57000 * b2 + white * 1.0526913;
        return (b0 + b1 + b2 + white * 0.1848) * 0.2;
    }
};

} // namespace

int runGenerate(const CommandLine& cmd)
{
    const std::string& outPath = cmd.positional[0];
    const int rate = static_cast<int>(cmd.rate);
    const long long frames = static_cast<long long>(cmd.seconds * rate);

    if (isFolder(outPath)) return fail(outPath + " is a folder; give a file name");
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    std::string error;
    if (!chooseOutputFormat({outPath, cmd.format, cmd.bits}, SF_FORMAT_PCM_24, info.format, error))
        return failUsage(error);
    if (!sf_format_check(&info))
        return fail("cannot write " + describeFormat(info.format) + " at " + std::to_string(rate) + " Hz");
    OutputFile out(outPath);
    if (!out.ok()) return fail(out.error());
    SNDFILE* file = sf_open_fd(out.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (!file) return fail("cannot write " + outPath + ": " + sf_strerror(nullptr));
    SampleWriter writer(file, info.format, 2, cmd.dither);

    Noise noiseL{0x2545F491u}, noiseR{0x9E3779B9u};
    Pink pinkL, pinkR;
    const double f0 = 20.0, f1 = std::min(20000.0, rate * 0.45);
    const double duration = static_cast<double>(frames) / rate;
    const double k = std::log(f1 / f0);
    const double fade = std::min(0.05 * rate, frames / 4.0);
    std::vector<float> block(2 * 4096);
    long long done = 0;
    bool ok = true;
    while (done < frames && ok) {
        const long long n = std::min<long long>(4096, frames - done);
        for (long long i = 0; i < n; ++i) {
            const long long t = done + i;
            const double seconds = static_cast<double>(t) / rate;
            // Exponential sweep: the phase integrates f0 * e^(k t / T).
            const double phase = 2.0 * kPi * f0 * duration / k * (std::exp(k * seconds / duration) - 1.0);
            const double sweep = 0.25 * std::sin(phase);
            double gain = 1.0;
            if (t < fade) gain = t / fade;
            if (frames - t < fade) gain = (frames - t) / fade;
            block[2 * i] = static_cast<float>(gain * (sweep + 0.18 * pinkL.next(noiseL.next())));
            block[2 * i + 1] = static_cast<float>(gain * (sweep + 0.18 * pinkR.next(noiseR.next())));
        }
        ok = writer.write(block.data(), n);
        done += n;
    }
    const bool closed = sf_close(file) == 0;
    if (!ok || !closed) return fail("cannot write " + outPath);
    if (!out.commit(error)) return fail(error);
    note("wrote %s: %.1f s stereo, %d Hz, %s\n", outPath.c_str(), duration, rate,
         describeFormat(info.format).c_str());
    return 0;
}

} // namespace vosk
