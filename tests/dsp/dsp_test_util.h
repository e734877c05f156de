// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the signal path the way the plug-in glue does, for the unit tests.
#pragma once

#include "source/dsp/signalpath.h"
#include "source/parameterids.h"

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace vosk::test {

struct Reports : OutputReports
{
    std::vector<std::pair<uint32_t, double>> points;
    bool accept = true;
    bool report(uint32_t id, double value) override
    {
        if (accept) points.emplace_back(id, value);
        return accept;
    }
    // The last value reported for id in this block; -1 when absent.
    double last(uint32_t id) const
    {
        double v = -1.0;
        for (const auto& p : points)
            if (p.first == id) v = p.second;
        return v;
    }
    int count(uint32_t id) const
    {
        int n = 0;
        for (const auto& p : points) n += p.first == id ? 1 : 0;
        return n;
    }
};

struct Stereo
{
    std::vector<float> ch[2];
    explicit Stereo(size_t n = 0) { ch[0].assign(n, 0.0f), ch[1].assign(n, 0.0f); }
    size_t size() const { return ch[0].size(); }
};

inline Stereo noise(size_t n, uint32_t seed, float amplitude = 0.5f)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    Stereo s(n);
    for (size_t i = 0; i < n; ++i) s.ch[0][i] = dist(rng), s.ch[1][i] = dist(rng);
    return s;
}

// Processes `in` in host blocks of `blockSize` (in place when asked) and returns the output.
inline Stereo run(SignalPath& path, const Stereo& in, size_t blockSize, uint64_t silenceFlags = 0,
                  Reports* reports = nullptr, std::vector<uint64_t>* outFlags = nullptr)
{
    Stereo out(in.size());
    for (size_t pos = 0; pos < in.size(); pos += blockSize) {
        const size_t n = std::min(blockSize, in.size() - pos);
        const float* ins[2] = {in.ch[0].data() + pos, in.ch[1].data() + pos};
        float* outs[2] = {out.ch[0].data() + pos, out.ch[1].data() + pos};
        AudioBlock block;
        block.inputs = ins;
        block.numInputChannels = 2;
        block.inputSilenceFlags = silenceFlags;
        block.outputs = outs;
        block.numOutputChannels = 2;
        block.numSamples = static_cast<int32_t>(n);
        const uint64_t flags = path.process(block, reports);
        if (outFlags) outFlags->push_back(flags);
    }
    return out;
}

inline void allSectionsOff(SignalPath& path)
{
    path.applyParameter(kOnLoCut, 0.0);
    path.applyParameter(kOnHiCut, 0.0);
    for (int b = 1; b <= 4; ++b) {
        path.applyParameter(bandTag(kOn1R, b, 0), 0.0);
        path.applyParameter(bandTag(kOn1R, b, 1), 0.0);
    }
}

} // namespace vosk::test
