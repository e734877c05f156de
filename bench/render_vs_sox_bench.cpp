// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// `vosk render` against `sox ... fir` with the same filter, in one run: 180
// seconds of 44.1 kHz stereo 24-bit through the example preset, and through
// sox's FIR effect with 8193 taps of VOSK's own impulse response at that
// setting. The commands run as a person runs them, alternately, several
// rounds (argument 1, default 7); each one's least wall time counts, since
// other work on the machine only ever adds to it. Where sox is not installed,
// vosk alone is timed. Argument 2, another build's `vosk`, is timed in the
// same rounds, for a change's before and after.
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kSeconds = 180;
constexpr int kRate = 44100;
constexpr int kTaps = 8193;

std::string scratchPath(const char* name)
{
    const char* tmp = getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/vosk-sox-bench-" + std::to_string(getpid()) + name;
}

// Runs a command with its output discarded; the exit status, or -1.
int run(const std::vector<std::string>& args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool soxInstalled()
{
    return run({"sox", "--version"}) == 0;
}

// The impulse response of the preset at kRate, kTaps long about its centre,
// as sox's fir effect reads taps: one number a line.
bool writeTaps(const std::string& vosk, const std::string& preset, const std::string& path)
{
    const std::string impulse = scratchPath("-impulse.wav"), response = scratchPath("-response.wav");
    const int frames = 2 * kTaps, centre = kTaps;
    std::vector<float> samples(frames, 0.0f);
    samples[centre] = 1.0f;
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(impulse.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    sf_writef_float(file, samples.data(), frames);
    sf_close(file);
    const bool rendered = run({vosk, "render", "-q", impulse, response, "--preset", preset}) == 0;
    unlink(impulse.c_str());
    if (!rendered) return false;
    info = {};
    file = sf_open(response.c_str(), SFM_READ, &info);
    if (!file) return false;
    const sf_count_t got = sf_readf_float(file, samples.data(), frames);
    sf_close(file);
    unlink(response.c_str());
    if (got != frames) return false;
    FILE* taps = fopen(path.c_str(), "w");
    if (!taps) return false;
    for (int i = centre - kTaps / 2; i <= centre + kTaps / 2; ++i) fprintf(taps, "%.9g\n", samples[i]);
    return fclose(taps) == 0;
}

struct Timed
{
    std::string name;
    std::vector<std::string> command;
    std::vector<double> seconds;
};

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const std::string vosk = VOSK_CLI_PATH, preset = VOSK_EXAMPLE_PRESET;
    const std::string in = scratchPath("-in.wav"), out = scratchPath("-out.wav"), soxOut = scratchPath("-sox.wav"),
                      taps = scratchPath("-taps.txt");
    if (run({vosk, "generate", in, "--seconds", std::to_string(kSeconds), "--rate", std::to_string(kRate)}) != 0 ||
        !writeTaps(vosk, preset, taps)) {
        fprintf(stderr, "cannot make the input file or the taps\n");
        return 1;
    }
    std::vector<Timed> commands = {
        {"vosk render, with its loudness line", {vosk, "render", in, out, "--preset", preset}, {}},
        {"vosk render -q (no loudness line)", {vosk, "render", "-q", in, out, "--preset", preset}, {}},
    };
    if (argc > 2) {
        const std::string other = argv[2];
        commands.push_back({"other vosk render, with its loudness line", {other, "render", in, out, "--preset", preset}, {}});
        commands.push_back({"other vosk render -q", {other, "render", "-q", in, out, "--preset", preset}, {}});
    }
    const bool sox = soxInstalled();
    if (sox)
        commands.push_back({"sox in.wav out.wav fir taps.txt (" + std::to_string(kTaps) + " taps)",
                            {"sox", in, soxOut, "fir", taps},
                            {}});
    else
        printf("sox is not installed: only vosk render is timed\n");

    for (int round = 0; round < rounds; ++round)
        for (auto& c : commands) {
            const auto start = std::chrono::steady_clock::now();
            if (run(c.command) != 0) {
                fprintf(stderr, "%s failed\n", c.name.c_str());
                return 1;
            }
            c.seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }

    printf("%.0f s of %d Hz stereo 24-bit, %d rounds, least and median wall time:\n", kSeconds, kRate, rounds);
    for (auto& c : commands) {
        std::sort(c.seconds.begin(), c.seconds.end());
        const double least = c.seconds.front(), median = c.seconds[c.seconds.size() / 2];
        printf("  %-52s %7.3f s  %7.3f s  %6.0fx real time\n", c.name.c_str(), least, median, kSeconds / least);
    }
    if (sox) {
        const double soxLeast = commands.back().seconds.front();
        printf("vosk render / sox: %.2f (with the loudness line), %.2f (-q)\n", commands[0].seconds.front() / soxLeast,
               commands[1].seconds.front() / soxLeast);
        if (argc > 2)
            printf("other vosk render / sox: %.2f (with the loudness line), %.2f (-q)\n",
                   commands[2].seconds.front() / soxLeast, commands[3].seconds.front() / soxLeast);
    }
    for (const auto& path : {in, out, soxOut, taps}) unlink(path.c_str());
    return 0;
}
