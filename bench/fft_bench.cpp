// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Forward plus inverse real transform of 8192 points (the convolution's
// partitions) and 16384 (the design's default length): ours, in each set of
// lanes, against FFTW's single-precision real transforms planned with
// FFTW_MEASURE. Forward and inverse alone run in the widest lanes.
#include "ffft/FFTReal.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// The machine is shared: the fastest repetition is the least disturbed one.
double fastest(const std::vector<double>& runs)
{
    return *std::min_element(runs.begin(), runs.end());
}

std::vector<float> noise(int n)
{
    std::mt19937 gen(12345u);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(static_cast<std::size_t>(n));
    for (float& s : v) s = dist(gen);
    return v;
}

// In each set of lanes that runs here (ffft::Lanes: 1 SSE2, 2 AVX, 3 sixteen on
// AVX, 4 AVX-512F); the others are reported as errors.
void BM_FFTReal_ForwardInverse(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const auto lanes = static_cast<ffft::Lanes>(state.range(1));
    ffft::FFTReal<float> fft(n, lanes);
    if (fft.lanes() != lanes) {
        state.SkipWithError("these lanes do not run here");
        return;
    }
    const std::vector<float> x = noise(n);
    std::vector<float> f(n), y(n);
    for (auto _ : state) {
        fft.forward_transform(f.data(), x.data());
        fft.inverse_transform(f.data(), y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FFTReal_ForwardInverse)
    ->ArgsProduct({{8192, 16384}, {1, 2, 3, 4}})
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);

void BM_FFTReal_Forward(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ffft::FFTReal<float> fft(n);
    const std::vector<float> x = noise(n);
    std::vector<float> f(n);
    for (auto _ : state) {
        fft.forward_transform(f.data(), x.data());
        benchmark::DoNotOptimize(f.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FFTReal_Forward)
    ->Arg(8192)
    ->Arg(16384)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);

void BM_FFTReal_Inverse(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ffft::FFTReal<float> fft(n);
    const std::vector<float> f = noise(n);
    std::vector<float> y(n);
    for (auto _ : state) {
        fft.inverse_transform(f.data(), y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FFTReal_Inverse)
    ->Arg(8192)
    ->Arg(16384)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);

// Half-complex real-to-real plans: the same packed kind of output as ours.
void BM_FFTW_R2HC_HC2R(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    float* x = fftwf_alloc_real(n);
    float* f = fftwf_alloc_real(n);
    float* y = fftwf_alloc_real(n);
    const fftwf_plan forward = fftwf_plan_r2r_1d(n, x, f, FFTW_R2HC, FFTW_MEASURE);
    const fftwf_plan inverse = fftwf_plan_r2r_1d(n, f, y, FFTW_HC2R, FFTW_MEASURE);
    const std::vector<float> input = noise(n);
    std::copy(input.begin(), input.end(), x);
    for (auto _ : state) {
        fftwf_execute(forward);
        fftwf_execute(inverse);
        benchmark::DoNotOptimize(y);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    fftwf_free(x);
    fftwf_free(f);
    fftwf_free(y);
}
BENCHMARK(BM_FFTW_R2HC_HC2R)
    ->Arg(8192)
    ->Arg(16384)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);

// Complex-spectrum plans, usually FFTW's fastest real transforms.
void BM_FFTW_R2C_C2R(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    float* x = fftwf_alloc_real(n);
    fftwf_complex* f = fftwf_alloc_complex(n / 2 + 1);
    float* y = fftwf_alloc_real(n);
    const fftwf_plan forward = fftwf_plan_dft_r2c_1d(n, x, f, FFTW_MEASURE);
    // c2r overwrites its input; the loop feeds it the fresh forward result.
    const fftwf_plan inverse = fftwf_plan_dft_c2r_1d(n, f, y, FFTW_MEASURE);
    const std::vector<float> input = noise(n);
    std::copy(input.begin(), input.end(), x);
    for (auto _ : state) {
        fftwf_execute(forward);
        fftwf_execute(inverse);
        benchmark::DoNotOptimize(y);
        benchmark::ClobberMemory();
    }
    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    fftwf_free(x);
    fftwf_free(f);
    fftwf_free(y);
}
BENCHMARK(BM_FFTW_R2C_C2R)
    ->Arg(8192)
    ->Arg(16384)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);

} // namespace

BENCHMARK_MAIN();
