// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Renders one fixed stereo input through a built bundle and writes the output
// samples, raw 32-bit floats in the machine's order, to a file. Built for each
// platform, in linear then in minimum phase; the Windows tests compare its output
// from the Linux module with its output from the Windows module, which must be
// equal sample for sample.
//
// Usage: plugin_render_fixed <bundle> <output file>
#include "tests/support/plugin_host.h"

#include "source/parameterids.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

using namespace Steinberg;

namespace {

constexpr int32 kBlock = 1000; // not a divisor of the convolution's half block
constexpr int32 kBlocks = 40;  // well past the 12288-sample delay

// A linear congruential generator: the same noise from every compiler and library.
struct Noise
{
    uint32_t state;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
};

// Every part of the signal path takes part: shaped bands on both channels,
// a change inside a block, the link, mid/side and the input gain.
void queueChanges(vosk::test::ProcessorHost& host, int32 block)
{
    switch (block) {
    case 0:
        host.addParameterChange(vosk::kOn1L, 0, 1.0);
        host.addParameterChange(vosk::kGain1L, 0, 0.8);
        host.addParameterChange(vosk::kFreq1L, 0, 0.3);
        host.addParameterChange(vosk::kOn3R, 0, 1.0);
        host.addParameterChange(vosk::kShape3R, 0, 1.0);
        host.addParameterChange(vosk::kFreq3R, 0, 0.7);
        break;
    case 12:
        host.addParameterChange(vosk::kGain2L, 300, 0.2);
        host.addParameterChange(vosk::kOn2L, 300, 1.0);
        host.addParameterChange(vosk::kQ2L, 300, 0.9);
        break;
    case 20:
        host.addParameterChange(vosk::kMidSide, 0, 0.0); // on below one half
        host.addParameterChange(vosk::kInGain, 0, 0.65);
        break;
    case 30:
        host.addParameterChange(vosk::kLink, 0, 0.0);
        host.addParameterChange(vosk::kGain4L, 10, 0.9);
        host.addParameterChange(vosk::kOn4L, 10, 1.0);
        break;
    default:
        break;
    }
}

bool render(const char* bundle, double sampleRate, bool minimumPhase, std::vector<float>& out)
{
    vosk::test::Module module(bundle);
    if (!module.ok()) {
        std::fprintf(stderr, "%s\n", module.error().c_str());
        return false;
    }
    auto factory = module.factory();
    vosk::test::ProcessorHost host(factory, vosk::test::processorClassId());
    if (!host.ok() || host.initialize() != kResultOk ||
        host.setupProcessing(sampleRate, kBlock) != kResultOk || host.setActive(true) != kResultOk)
        return false;
    if (minimumPhase) {
        // The phase is taken up at the restart the processor asks for.
        std::vector<float> silence(kBlock, 0.0f), ignored(kBlock);
        host.addParameterChange(vosk::kPhase, 0, 1.0);
        if (host.processStereo(silence.data(), silence.data(), ignored.data(), ignored.data(), kBlock) !=
                kResultOk ||
            host.setActive(false) != kResultOk || host.setActive(true) != kResultOk ||
            host.processor()->getLatencySamples() != 0)
            return false;
    }
    Noise noise{12345u};
    std::vector<float> in[2], result[2];
    for (auto& c : in) c.resize(kBlock);
    for (auto& c : result) c.resize(kBlock);
    for (int32 block = 0; block < kBlocks; ++block) {
        for (int32 i = 0; i < kBlock; ++i) {
            const double t = static_cast<double>(block * kBlock + i) / sampleRate;
            in[0][i] = 0.3f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * t)) + 0.2f * noise.next();
            in[1][i] = 0.25f * noise.next();
        }
        queueChanges(host, block);
        if (host.processStereo(in[0].data(), in[1].data(), result[0].data(), result[1].data(), kBlock) !=
            kResultOk)
            return false;
        for (const auto& c : result) out.insert(out.end(), c.begin(), c.end());
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s BUNDLE OUTPUT\n", argv[0]);
        return 2;
    }
    std::vector<float> out;
    for (bool minimumPhase : {false, true})
        for (double rate : {44100.0, 48000.0, 96000.0, 192000.0})
            if (!render(argv[1], rate, minimumPhase, out)) {
                std::fprintf(stderr, "rendering at %.0f Hz in %s phase failed\n", rate,
                             minimumPhase ? "minimum" : "linear");
                return 1;
            }
    FILE* file = std::fopen(argv[2], "wb");
    if (!file || std::fwrite(out.data(), sizeof(float), out.size(), file) != out.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
