// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What the curve panel costs the editor's thread each time a value changes: the
// signal path's response for the settings, evaluated at the panel's points, at
// each transform length.
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
    std::vector<double> values(kNumControlTags, -1.0);
    values[kOn1L] = 1.0;
    values[kGain1L] = bandGainNormFromDb(4.0);
    const std::vector<double> freqs = logFrequencies(20, 20000, 256);
    for (auto _ : state) {
        // A new value each time, as a dragged handle gives.
        values[kFreq1L] = values[kFreq1L] < 0.4 ? 0.6 : 0.3;
        benchmark::DoNotOptimize(signalPathCurves(values, 48000, fftSize, freqs));
    }
}
BENCHMARK(BM_CurveOfSettings)->Arg(16384)->Arg(32768)->Arg(65536)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vosk

BENCHMARK_MAIN();
