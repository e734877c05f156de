// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The command end to end on 44.1 kHz stereo 24-bit files. `vosk render` of 60
// seconds: reading the file, loading the bundle, processing in 512-sample blocks
// with latency compensation, writing the result, with dither (argument 1) and
// without (0), each measured in and out for the loudness line. Three such files
// rendered one after another, and as one batch (`--out-dir`, one job per core),
// with and without the loudness lines.
// `vosk analyze` of 60 seconds. All report the real-time factor. `vosk match`
// of two 3-minute files: both measured, both channels fitted.
#include "cli/commands.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string scratchPath(const char* name)
{
    const char* tmp = getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/vosk-render-bench-" + std::to_string(getpid()) + name;
}

// The commands print a summary; keep it out of the benchmark's table.
int quietly(int (*command)(const vosk::CommandLine&), const vosk::CommandLine& cmd)
{
    fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    const int status = command(cmd);
    fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(null);
    close(saved);
    return status;
}

bool generateInput(const std::string& path, double seconds)
{
    vosk::CommandLine generate;
    generate.positional = {path};
    generate.seconds = seconds;
    generate.rate = 44100;
    return quietly(vosk::runGenerate, generate) == 0;
}

void BM_RenderSixtySecondsStereo(benchmark::State& state)
{
    const double seconds = 60.0;
    const std::string in = scratchPath("-in.wav"), out = scratchPath("-out.wav");
    if (!generateInput(in, seconds)) {
        state.SkipWithError("cannot generate the input file");
        return;
    }
    vosk::CommandLine render;
    render.command = "render";
    render.plugin = VOSK_BUNDLE_PATH;
    render.positional = {in, out};
    render.dither = state.range(0) != 0;
    for (auto _ : state) {
        if (quietly(vosk::runRender, render) != 0) {
            state.SkipWithError("render failed");
            break;
        }
    }
    state.counters["realtime_factor"] =
        benchmark::Counter(seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    unlink(in.c_str());
    unlink(out.c_str());
}
BENCHMARK(BM_RenderSixtySecondsStereo)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

// Three files of 60 seconds: first argument 0 renders them one after another,
// 1 as a batch; second argument 1 with -q (nothing measured), 0 with the
// loudness lines.
void BM_RenderThreeFiles(benchmark::State& state)
{
    const double seconds = 60.0;
    const std::string folder = scratchPath("-batch");
    std::vector<std::string> inputs;
    if (mkdir(folder.c_str(), 0755) != 0) {
        state.SkipWithError("cannot make the output folder");
        return;
    }
    for (const char* name : {"-a.wav", "-b.wav", "-c.wav"}) {
        inputs.push_back(scratchPath(name));
        if (!generateInput(inputs.back(), seconds)) {
            state.SkipWithError("cannot generate the input files");
            return;
        }
    }
    vosk::CommandLine render;
    render.command = "render";
    render.plugin = VOSK_BUNDLE_PATH;
    const bool batch = state.range(0) != 0;
    render.quiet = state.range(1) != 0;
    for (auto _ : state) {
        bool ok = true;
        if (batch) {
            render.positional = inputs;
            render.outDir = folder;
            ok = quietly(vosk::runRender, render) == 0;
        } else {
            for (const auto& in : inputs) {
                render.positional = {in, folder + "/" + in.substr(in.rfind('/') + 1)};
                ok = ok && quietly(vosk::runRender, render) == 0;
            }
        }
        if (!ok) {
            state.SkipWithError("render failed");
            break;
        }
    }
    state.counters["realtime_factor"] =
        benchmark::Counter(3 * seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    for (const auto& in : inputs) {
        unlink(in.c_str());
        unlink((folder + "/" + in.substr(in.rfind('/') + 1)).c_str());
    }
    rmdir(folder.c_str());
}
BENCHMARK(BM_RenderThreeFiles)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

void BM_AnalyzeSixtySecondsStereo(benchmark::State& state)
{
    const double seconds = 60.0;
    const std::string in = scratchPath("-analyze.wav");
    if (!generateInput(in, seconds)) {
        state.SkipWithError("cannot generate the input file");
        return;
    }
    vosk::CommandLine analyze;
    analyze.command = "analyze";
    analyze.positional = {in};
    for (auto _ : state) {
        if (quietly(vosk::runAnalyze, analyze) != 0) {
            state.SkipWithError("analyze failed");
            break;
        }
    }
    state.counters["realtime_factor"] =
        benchmark::Counter(seconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    unlink(in.c_str());
}
BENCHMARK(BM_AnalyzeSixtySecondsStereo)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_MatchTwoThreeMinuteFiles(benchmark::State& state)
{
    const std::string mix = scratchPath("-mix.wav"), reference = scratchPath("-reference.wav");
    if (!generateInput(mix, 180.0)) {
        state.SkipWithError("cannot generate the input file");
        return;
    }
    // The reference: the mix with a tonal difference to find.
    vosk::CommandLine render;
    render.command = "render";
    render.plugin = VOSK_BUNDLE_PATH;
    render.positional = {mix, reference};
    render.settings = {{false, "Gain1L", "2"}, {false, "Gain3L", "-2"}, {false, "Gain4L", "3"}};
    if (quietly(vosk::runRender, render) != 0) {
        state.SkipWithError("cannot render the reference");
        return;
    }
    vosk::CommandLine match;
    match.command = "match";
    match.plugin = VOSK_BUNDLE_PATH;
    match.positional = {mix, reference};
    for (auto _ : state) {
        if (quietly(vosk::runMatch, match) != 0) {
            state.SkipWithError("match failed");
            break;
        }
    }
    unlink(mix.c_str());
    unlink(reference.c_str());
}
BENCHMARK(BM_MatchTwoThreeMinuteFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
