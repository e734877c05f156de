// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the signal path alone: steady-state stereo processing as a real-time
// factor, blocks while every band parameter moves as a fraction of their
// duration, and the memory one instance holds, at each transform length; and
// the part the loudness measure of the listening tools takes of it, in the
// host's call sizes.
#include "source/dsp/signalpath.h"
#include "source/parameterids.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <random>
#include <vector>

namespace vosk {
namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;

struct Block
{
    std::vector<float> in[2], out[2];
    const float* ins[2];
    float* outs[2];
    AudioBlock audio;

    Block()
    {
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> dist(-0.5f, 0.5f);
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kBlock);
            out[c].resize(kBlock);
            for (float& x : in[c]) x = dist(rng);
            ins[c] = in[c].data();
            outs[c] = out[c].data();
        }
        audio.inputs = ins;
        audio.numInputChannels = 2;
        audio.outputs = outs;
        audio.numOutputChannels = 2;
        audio.numSamples = kBlock;
    }
};

struct NoReports final : OutputReports
{
    bool report(uint32_t, double value) override
    {
        benchmark::DoNotOptimize(value);
        return true;
    }
};

void steadyState(benchmark::State& state, bool midSide)
{
    SignalPath path;
    path.prepare(kRate, kBlock, static_cast<int32_t>(state.range(0)));
    if (midSide) path.applyParameter(kMidSide, 0.0);
    Block block;
    NoReports reports;
    for (int k = 0; k < 64; ++k) path.process(block.audio, &reports); // past the first echoes
    for (auto _ : state) {
        path.process(block.audio, &reports);
        benchmark::DoNotOptimize(block.out[0].data());
    }
    // Seconds of audio per second of processing.
    state.counters["realtime_factor"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
}

void BM_SteadyStateLeftRight(benchmark::State& state)
{
    steadyState(state, false);
}
void BM_SteadyStateMidSide(benchmark::State& state)
{
    steadyState(state, true);
}

// Every band parameter of both channels (on, frequency, gain, Q, width, shape)
// and the link change before every block; long kernels (low frequencies, sharp).
void BM_HeaviestBlock(benchmark::State& state)
{
    SignalPath path;
    path.prepare(kRate, kBlock);
    Block block;
    NoReports reports;
    const uint32_t groups[] = {kOn1R, kFreq1R, kGain1R, kQ1R, kBW1R, kShape1R};
    const double values[2][6] = {{0.9, 0.15, 0.8, 1.0, 0.5, 0.1}, {1.0, 0.2, 0.9, 0.95, 0.6, 0.2}};
    int flip = 0;
    for (auto _ : state) {
        const double* v = values[flip];
        for (int g = 0; g < 6; ++g)
            for (uint32_t k = 0; k < 8; ++k) path.applyParameter(groups[g] + k, v[g] + 0.01 * k);
        path.applyParameter(kLink, flip ? 0.1 : 0.2);
        path.process(block.audio, &reports);
        benchmark::DoNotOptimize(block.out[0].data());
        flip ^= 1;
    }
    // Processing time over the audio time of the blocks.
    state.counters["block_fraction"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The loudness measure alone, on a stereo input and output, in calls of
// state.range(0) samples; compare its time per call with the steady state's.
void BM_LoudnessMeasure(benchmark::State& state)
{
    const auto call = static_cast<int32_t>(state.range(0));
    LoudnessMatch loudness;
    loudness.prepare(static_cast<int32_t>(kRate));
    Block block;
    for (auto _ : state) {
        for (int32_t done = 0; done + call <= kBlock; done += call) {
            const float* in[2] = {block.ins[0] + done, block.ins[1] + done};
            const float* out[2] = {block.outs[0] + done, block.outs[1] + done};
            loudness.add(in, out, 2, call, true);
        }
        benchmark::DoNotOptimize(loudness.inputToOutputGain());
    }
    state.counters["realtime_factor"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
}

// Heap bytes one prepared instance holds, as the allocator counts them.
void BM_InstanceMemory(benchmark::State& state)
{
    auto heapBytes = [] {
        const struct mallinfo2 info = mallinfo2();
        return static_cast<double>(info.uordblks + info.hblkhd);
    };
    double bytes = 0.0;
    for (auto _ : state) {
        const double before = heapBytes();
        auto path = std::make_unique<SignalPath>();
        path->prepare(kRate, kBlock, static_cast<int32_t>(state.range(0)), static_cast<Phase>(state.range(1)));
        bytes = heapBytes() - before;
        benchmark::DoNotOptimize(path.get());
    }
    state.counters["bytes"] = bytes;
}

BENCHMARK(BM_SteadyStateLeftRight)->Arg(16384)->Arg(32768)->Arg(65536)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SteadyStateMidSide)->Arg(16384)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaviestBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoudnessMeasure)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InstanceMemory)
    ->ArgsProduct({{16384, 32768, 65536}, {0, 1}})
    ->ArgNames({"size", "phase"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Calls of 64 samples in each phase (0 linear, 1 minimum) at each length at its
// rate, with nothing moving (0), band 3's frequency moving (1) or every band
// parameter moving (2) at every call: the mean and the worst call over ten
// seconds, in CPU time of the calling thread, against the call's duration.
void BM_Calls64(benchmark::State& state)
{
    const auto size = static_cast<int32_t>(state.range(0));
    const double rate = static_cast<double>(state.range(1));
    const auto phase = static_cast<Phase>(state.range(2));
    const int64_t moving = state.range(3);
    constexpr int32_t kCall = 64;
    const uint32_t groups[] = {kFreq1R, kGain1R, kQ1R, kBW1R};
    const int64_t calls = static_cast<int64_t>(10.0 * rate) / kCall;
    // Each call at its least over three runs: what the call itself costs, not what
    // the machine's other work took from it.
    std::vector<double> least(static_cast<size_t>(calls), 1e300);
    for (auto _ : state) {
        for (int runs = 0; runs < 3; ++runs) {
            SignalPath path;
            path.prepare(rate, kCall, size, phase);
            Block block;
            block.audio.numSamples = kCall;
            NoReports reports;
            for (int64_t call = 0; call < calls; ++call) {
                const double t = 0.5 + 0.4 * std::sin(static_cast<double>(call) * 0.001);
                if (moving == 1) path.applyParameter(kFreq3L, t);
                if (moving == 2)
                    for (uint32_t group : groups)
                        for (uint32_t k = 0; k < 8; ++k) path.applyParameter(group + k, t - 0.02 * k);
                timespec start{}, stop{};
                clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
                path.process(block.audio, &reports);
                clock_gettime(CLOCK_THREAD_CPUTIME_ID, &stop);
                const double micros = 1e6 * static_cast<double>(stop.tv_sec - start.tv_sec) +
                                      1e-3 * static_cast<double>(stop.tv_nsec - start.tv_nsec);
                double& slot = least[static_cast<size_t>(call)];
                slot = std::min(slot, micros);
                benchmark::DoNotOptimize(block.out[0].data());
            }
        }
    }
    // Past the first second, which the set-up's first touches of memory slow.
    const auto first = least.begin() + static_cast<std::ptrdiff_t>(rate) / kCall;
    double total = 0.0, worst = 0.0;
    for (auto it = first; it != least.end(); ++it) total += *it, worst = std::max(worst, *it);
    const double budget = 1e6 * kCall / rate;
    state.counters["mean_us"] = total / static_cast<double>(least.end() - first);
    state.counters["worst_us"] = worst;
    state.counters["worst_pct"] = 100.0 * worst / budget;
}

BENCHMARK(BM_Calls64)
    ->ArgsProduct({{16384}, {48000}, {0, 1}, {0, 1, 2}})
    ->ArgsProduct({{32768}, {96000}, {0, 1}, {0, 1, 2}})
    ->ArgsProduct({{65536}, {192000}, {0, 1}, {0, 1, 2}})
    ->ArgNames({"size", "rate", "phase", "moving"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
} // namespace vosk

BENCHMARK_MAIN();
