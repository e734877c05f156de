// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What the curve panel costs the editor's thread each time a value changes: the
// signal path's response for the settings, evaluated at the panel's points, at
// each transform length. One band's frequency moves as a dragged handle moves
// it, on one channel or, linked, on both.
#include "source/dsp/frequencyresponse.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace vosk {
namespace {

void BM_CurveOfSettings(benchmark::State& state)
{
    const int32_t fftSize = static_cast<int32_t>(state.range(0));
    const bool linked = state.range(1) != 0;
    std::vector<double> values(kNumControlTags, -1.0);
    values[kOn1L] = values[kOn1R] = 1.0;
    values[kGain1L] = values[kGain1R] = bandGainNormFromDb(4.0);
    const std::vector<double> freqs = logFrequencies(20, 20000, 256);
    SignalPathCurves curves;
    curves.evaluate(values, 48000, fftSize, freqs); // the panel opens
    for (auto _ : state) {
        // A new value each time, as a dragged handle gives.
        values[kFreq1L] = values[kFreq1L] < 0.4 ? 0.6 : 0.3;
        if (linked) values[kFreq1R] = values[kFreq1L];
        benchmark::DoNotOptimize(curves.evaluate(values, 48000, fftSize, freqs));
    }
}
BENCHMARK(BM_CurveOfSettings)
    ->ArgNames({"fft", "linked"})
    ->ArgsProduct({{16384, 32768, 65536}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vosk

BENCHMARK_MAIN();
