// `vosk render` of a 60-second stereo 44.1 kHz 24-bit file, end to end:
// reading the file, loading the bundle, processing in 512-sample blocks with
// latency compensation, writing the result, with dither (argument 1) and
// without (0). Reports the real-time factor.
#include "cli/commands.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

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

void BM_RenderSixtySecondsStereo(benchmark::State& state)
{
    const double seconds = 60.0;
    const std::string in = scratchPath("-in.wav"), out = scratchPath("-out.wav");
    vosk::CommandLine generate;
    generate.positional = {in};
    generate.seconds = seconds;
    generate.rate = 44100;
    if (quietly(vosk::runGenerate, generate) != 0) {
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

} // namespace

BENCHMARK_MAIN();
