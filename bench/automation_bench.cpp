// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of each process call while knobs move, driven through the built
// module as a host drives it: stereo noise in calls of 64, 256 and 1024 samples
// at 48 kHz and each transform length, and in calls of 64 at the lengths the
// higher rates use (96 kHz with 32768 points, 192 kHz with 65536), the last in
// either phase (the fourth argument, 1 for minimum phase), with nothing
// moving, one knob (band 3 frequency or gain of the left channel, link on)
// changing every call, and every continuous band parameter of both channels
// changing every call. Reports the mean, the 99th percentile and the worst call,
// in microseconds and as a share of the call's duration at its rate. Calls are
// timed by the CPU time of the calling thread, each call by its least over three
// runs of the same sequence, so that other work on a shared machine does not
// count. With the curve panel's spectrum shown, nothing moves and a peer asks for
// a frame every 1600 samples (a 30 Hz timer at 48 kHz), between calls, as a host's
// main thread would. With the listening tools shown, the loudnesses are
// measured, and with the delta heard, the output is also the processed signal
// less the delayed input. VOSK_BUNDLE names another bundle to measure.
#include "tests/support/plugin_host.h"

#include "source/listeningmessages.h"
#include "source/parameterids.h"
#include "source/spectrumcapture.h"
#include "source/parametertable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

namespace vosk {
namespace {

constexpr double kSeconds = 12.0;

enum class Moving {
    Nothing,
    Frequency,
    Gain,
    EveryBandParameter,
    NothingSpectrumShown,
    NothingListeningShown,
    NothingDeltaHeard
};

// A slow triangle between lo and hi, one step per call.
double sweep(int64_t call, double lo, double hi)
{
    const double phase = std::fmod(static_cast<double>(call) / 400.0, 2.0);
    return lo + (hi - lo) * (phase < 1.0 ? phase : 2.0 - phase);
}

void queueChanges(test::ProcessorHost& host, Moving moving, int64_t call)
{
    switch (moving) {
    case Moving::Nothing:
    case Moving::NothingSpectrumShown:
    case Moving::NothingListeningShown:
    case Moving::NothingDeltaHeard:
        return;
    case Moving::Frequency:
        host.addParameterChange(kFreq3L, 0, sweep(call, 0.55, 0.65));
        return;
    case Moving::Gain:
        host.addParameterChange(kGain3L, 0, sweep(call, 0.5, 0.75));
        return;
    case Moving::EveryBandParameter:
        for (uint32_t k = 0; k < 8; ++k) {
            const double nudge = 0.01 * k;
            host.addParameterChange(kFreq1R + k, 0, sweep(call, 0.2 + nudge, 0.3 + nudge));
            host.addParameterChange(kGain1R + k, 0, sweep(call, 0.5, 0.7 + nudge));
            host.addParameterChange(kQ1R + k, 0, sweep(call, 0.8 - nudge, 1.0 - nudge));
            host.addParameterChange(kBW1R + k, 0, sweep(call, 0.2, 0.3 + nudge));
        }
        return;
    }
}

double threadMicros()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1e6 * static_cast<double>(t.tv_sec) + 1e-3 * static_cast<double>(t.tv_nsec);
}

// The CPU time of each call of one run of the whole sequence, from a fresh
// processor at the benchmark's rate, call size and transform length.
bool timeOneRun(benchmark::State& state, Moving moving, std::vector<double>& micros)
{
    const int32_t blockSize = static_cast<int32_t>(state.range(0));
    const double rate = static_cast<double>(state.range(2));
    const char* other = std::getenv("VOSK_BUNDLE");
    test::Module module(other && *other ? other : VOSK_BUNDLE_PATH);
    if (!module.ok()) {
        state.SkipWithError(module.error().c_str());
        return false;
    }
    auto factory = module.factory();
    test::ProcessorHost host(factory, test::processorClassId());
    host.initialize();
    host.setupProcessing(rate, blockSize);
    host.setActive(true);
    // The transform length and phase, as a host applies new ones: the values, then a restart.
    std::vector<float> silence(static_cast<size_t>(blockSize), 0.0f), scratch(silence.size());
    host.addParameterChange(kFftSizeMenu, 0, listValueOfFftSize(static_cast<int32_t>(state.range(1))));
    host.addParameterChange(kPhase, 0,
                            listValueOfPhase(state.range(3) == 1 ? Phase::Minimum : Phase::Linear));
    host.processStereo(silence.data(), silence.data(), scratch.data(), scratch.data(), blockSize);
    host.setActive(false);
    host.setActive(true);

    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-0.25f, 0.25f);
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        in[c].resize(static_cast<size_t>(blockSize));
        out[c].resize(static_cast<size_t>(blockSize));
        for (float& x : in[c]) x = dist(rng);
    }

    // The panel's side: the peer that receives the frames, and its ticks.
    using namespace Steinberg;
    using namespace Steinberg::Vst;
    IPtr<test::RecordingPeer> panel(new test::RecordingPeer(), false);
    FUnknownPtr<IConnectionPoint> processor(host.component());
    const bool spectrum = moving == Moving::NothingSpectrumShown;
    const auto tell = [&](const char* id, int64 on) {
        IPtr<IMessage> message = test::makeMessage(host.hostContext(), id);
        if (on >= 0) message->getAttributes()->setInt(kSpectrumWantedAttribute, on);
        processor->notify(message);
    };
    if (spectrum) {
        processor->connect(panel);
        tell(kSpectrumWantedMessage, 1);
    }
    if (moving == Moving::NothingListeningShown || moving == Moving::NothingDeltaHeard) {
        IPtr<IMessage> wanted = test::makeMessage(host.hostContext(), kLoudnessWantedMessage);
        wanted->getAttributes()->setInt(kLoudnessWantedAttribute, 1);
        processor->notify(wanted);
    }
    if (moving == Moving::NothingDeltaHeard) {
        IPtr<IMessage> message = test::makeMessage(host.hostContext(), kListeningMessage);
        for (const char* attribute : {kSoloBandAttribute, kSoloChannelAttribute, kCompareAttribute})
            message->getAttributes()->setInt(attribute, 0);
        message->getAttributes()->setInt(kDeltaAttribute, 1);
        processor->notify(message);
    }
    constexpr int64_t kTickSamples = 1600;

    const int64_t calls = static_cast<int64_t>(kSeconds * rate) / blockSize;
    micros.clear();
    micros.reserve(static_cast<size_t>(calls));
    // The first second settles the first echoes and the initial design.
    for (int64_t call = 0; call < calls + static_cast<int64_t>(rate) / blockSize; ++call) {
        queueChanges(host, moving, call);
        if (spectrum && (call * blockSize) / kTickSamples != ((call + 1) * blockSize) / kTickSamples) {
            tell(kSpectrumRequestMessage, -1);
            panel->messageIds.clear();
        }
        const double start = threadMicros();
        host.processStereo(in[0].data(), in[1].data(), out[0].data(), out[1].data(), blockSize);
        const double stop = threadMicros();
        if (call * blockSize >= static_cast<int64_t>(rate)) micros.push_back(stop - start);
        benchmark::DoNotOptimize(out[0].data());
    }
    if (spectrum) processor->disconnect(panel);
    return true;
}

// Every call does the same work in every run, and other work on the machine only
// adds to it: each call counts with its least time over the runs.
constexpr int kRuns = 3;

void perCall(benchmark::State& state, Moving moving)
{
    std::vector<double> micros, run;
    for (auto _ : state) {
        for (int r = 0; r < kRuns; ++r) {
            if (!timeOneRun(state, moving, run)) return;
            if (r == 0) micros = run;
            for (size_t i = 0; i < micros.size(); ++i) micros[i] = std::min(micros[i], run[i]);
        }
    }
    const int32_t blockSize = static_cast<int32_t>(state.range(0));
    const double rate = static_cast<double>(state.range(2));
    std::sort(micros.begin(), micros.end());
    double sum = 0.0;
    for (double m : micros) sum += m;
    const double mean = sum / static_cast<double>(micros.size());
    const double p99 = micros[micros.size() * 99 / 100];
    const double worst = micros.back();
    const double budget = 1e6 * blockSize / rate;
    state.counters["mean_us"] = mean;
    state.counters["p99_us"] = p99;
    state.counters["worst_us"] = worst;
    state.counters["mean_pct"] = 100.0 * mean / budget;
    state.counters["worst_pct"] = 100.0 * worst / budget;
}

void BM_NothingMoves(benchmark::State& state)
{
    perCall(state, Moving::Nothing);
}
void BM_NothingMovesSpectrumShown(benchmark::State& state)
{
    perCall(state, Moving::NothingSpectrumShown);
}
void BM_NothingMovesListeningShown(benchmark::State& state)
{
    perCall(state, Moving::NothingListeningShown);
}
void BM_NothingMovesDeltaHeard(benchmark::State& state)
{
    perCall(state, Moving::NothingDeltaHeard);
}
void BM_FrequencyMoves(benchmark::State& state)
{
    perCall(state, Moving::Frequency);
}
void BM_GainMoves(benchmark::State& state)
{
    perCall(state, Moving::Gain);
}
void BM_EveryBandParameterMoves(benchmark::State& state)
{
    perCall(state, Moving::EveryBandParameter);
}

#define VOSK_PER_CALL(bm)                                                                                    \
    BENCHMARK(bm)                                                                                            \
        ->ArgsProduct({{64, 256, 1024}, {16384, 32768, 65536}, {48000}, {0}})                                \
        ->Args({64, 32768, 96000, 0})                                                                        \
        ->Args({64, 65536, 192000, 0})                                                                       \
        ->Args({64, 16384, 48000, 1})                                                                        \
        ->Args({64, 32768, 96000, 1})                                                                        \
        ->Args({64, 65536, 192000, 1})                                                                       \
        ->Iterations(1)                                                                                      \
        ->Unit(benchmark::kMillisecond)
VOSK_PER_CALL(BM_NothingMoves);
BENCHMARK(BM_NothingMovesSpectrumShown)
    ->ArgsProduct({{64, 256, 1024}, {16384}, {48000}, {0}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NothingMovesListeningShown)
    ->ArgsProduct({{64, 256, 1024}, {16384}, {48000}, {0}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NothingMovesDeltaHeard)
    ->ArgsProduct({{64, 256, 1024}, {16384}, {48000}, {0}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
VOSK_PER_CALL(BM_FrequencyMoves);
VOSK_PER_CALL(BM_GainMoves);
VOSK_PER_CALL(BM_EveryBandParameterMoves);

} // namespace
} // namespace vosk

BENCHMARK_MAIN();
