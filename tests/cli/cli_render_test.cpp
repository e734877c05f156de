// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// `vosk render`, `response`, `generate` and `info` end to end through the
// built command and bundle.
#include "clirunner.h"
#include "hosting/hostedplugin.h"
#include "source/parameterids.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <chrono>
#include <csignal>
#include <cmath>
#include <sys/wait.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace vosk::test;

namespace {

Audio noise(int channels, int frames, int rate, int format, unsigned seed = 1)
{
    Audio a;
    a.rate = rate;
    a.channels = channels;
    a.format = format;
    for (int i = 0; i < frames * channels; ++i) {
        seed = seed * 1664525u + 1013904223u;
        a.samples.push_back(0.5f * (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f));
    }
    return a;
}

TEST(Render, KeepsLengthRateChannelsAndSampleType)
{
    ScratchDir scratch;
    struct Case
    {
        int channels, frames, rate, format;
        const char* extension;
    } cases[] = {
        {2, 30001, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16, ".wav"},
        {1, 5000, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT, ".wav"},
        {2, 777, 96000, SF_FORMAT_AIFF | SF_FORMAT_PCM_24, ".aiff"},
        {1, 20000, 22050, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ".flac"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const std::string in = std::string("in") + c.extension, out = std::string("out") + c.extension;
        ASSERT_TRUE(writeAudio(scratch.file(in), noise(c.channels, c.frames, c.rate, c.format)));
        const RunResult r = runVosk({"render", in, out, "--block", "300"}, scratch);
        ASSERT_EQ(r.status, 0) << r.err;
        Audio rendered;
        ASSERT_TRUE(readAudio(scratch.file(out), rendered));
        EXPECT_EQ(rendered.frames(), c.frames);
        EXPECT_EQ(rendered.rate, c.rate);
        EXPECT_EQ(rendered.channels, c.channels);
        EXPECT_EQ(rendered.format, c.format);
        EXPECT_NE(r.out.find("wrote " + out), std::string::npos);
        EXPECT_NE(r.out.find("meters: peak"), std::string::npos);
    }
    // Nothing but the files: no temporary file is left behind.
    EXPECT_EQ(scratch.entries(),
              (std::vector<std::string>{"in.aiff", "in.flac", "in.wav", "out.aiff", "out.flac", "out.wav"}));
}

// Compensation drops exactly the reported latency from the front and fills
// the end: the compensated file is the uncompensated one moved earlier by the
// latency, whatever the plug-in does to the signal.
TEST(Render, CompensationShiftsByExactlyTheLatency)
{
    ScratchDir scratch;
    const int frames = 40000;
    ASSERT_TRUE(
        writeAudio(scratch.file("in.wav"), noise(2, frames, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 7)));
    const RunResult raw = runVosk({"render", "in.wav", "raw.wav", "--no-compensate"}, scratch);
    ASSERT_EQ(raw.status, 0) << raw.err;
    const RunResult aligned = runVosk({"render", "in.wav", "aligned.wav", "--block", "1000"}, scratch);
    ASSERT_EQ(aligned.status, 0) << aligned.err;

    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    const long long latency = plugin->latencySamples();
    ASSERT_GT(latency, 0);
    ASSERT_LT(latency, frames);

    Audio a, b;
    ASSERT_TRUE(readAudio(scratch.file("raw.wav"), a));
    ASSERT_TRUE(readAudio(scratch.file("aligned.wav"), b));
    ASSERT_EQ(a.frames(), frames);
    ASSERT_EQ(b.frames(), frames);
    long long mismatches = 0;
    for (long long i = 0; i + latency < frames; ++i)
        for (int c = 0; c < 2; ++c)
            if (b.at(i, c) != a.at(i + latency, c)) ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

TEST(Render, BlockSizeDoesNotChangeTheResult)
{
    ScratchDir scratch;
    ASSERT_TRUE(
        writeAudio(scratch.file("in.wav"), noise(2, 20000, 44100, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 3)));
    ASSERT_EQ(runVosk({"render", "in.wav", "a.wav", "--block", "64"}, scratch).status, 0);
    ASSERT_EQ(runVosk({"render", "in.wav", "b.wav", "--block", "4096"}, scratch).status, 0);
    Audio a, b;
    ASSERT_TRUE(readAudio(scratch.file("a.wav"), a));
    ASSERT_TRUE(readAudio(scratch.file("b.wav"), b));
    ASSERT_EQ(a.samples.size(), b.samples.size());
    EXPECT_TRUE(a.samples == b.samples);
}

TEST(Render, InterruptedRenderLeavesNoOutput)
{
    ScratchDir scratch;
    ASSERT_EQ(runVosk({"generate", "long.wav", "--seconds", "240"}, scratch).status, 0);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(scratch.path().c_str()) != 0) _exit(127);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        execl(VOSK_CLI_PATH, VOSK_CLI_PATH, "render", "long.wav", "out.wav", "--block", "64", nullptr);
        _exit(127);
    }
    // Wait until the temporary output exists, then interrupt.
    bool started = false;
    for (int i = 0; i < 30000 && !started; ++i) { // a slow start (sanitizers, load) only waits longer
        for (const auto& e : scratch.entries())
            if (e.rfind(".out.wav.", 0) == 0) started = true;
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(started);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"long.wav"}));
}

TEST(Generate, WritesTheRequestedStereoSignal)
{
    ScratchDir scratch;
    const RunResult r = runVosk({"generate", "demo.wav", "--seconds", "2.5", "--rate", "32000"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    Audio a;
    ASSERT_TRUE(readAudio(scratch.file("demo.wav"), a));
    EXPECT_EQ(a.channels, 2);
    EXPECT_EQ(a.rate, 32000);
    EXPECT_EQ(a.frames(), 80000);
    float peak = 0;
    double energy = 0;
    for (float s : a.samples) peak = std::max(peak, std::fabs(s)), energy += double(s) * s;
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(energy / a.samples.size(), 1e-3); // not silence
    // Left and right carry different noise.
    long long differ = 0;
    for (long long i = 0; i < a.frames(); ++i) differ += a.at(i, 0) != a.at(i, 1);
    EXPECT_GT(differ, a.frames() / 2);
}

TEST(Response, WritesCsvFromTenHertzToNyquistAndAPng)
{
    ScratchDir scratch;
    const RunResult r = runVosk({"response", "--rate", "44100", "--csv", "r.csv", "--png", "r.png"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = readText(scratch.file("r.csv"));
    ASSERT_EQ(csv.rfind("frequency_hz,left_db,right_db,left_group_delay_ms,right_group_delay_ms\n", 0), 0u);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = csv.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(csv.substr(start, nl - start));
    ASSERT_GT(lines.size(), 200u);
    EXPECT_EQ(std::stod(lines[1]), 10.0);
    EXPECT_EQ(std::stod(lines.back()), 22050.0);

    cairo_surface_t* png = cairo_image_surface_create_from_png(scratch.file("r.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 1400);
    EXPECT_EQ(cairo_image_surface_get_height(png), 1390)
        << "the impulse responses of both phases under the curves";
    cairo_surface_destroy(png);
}

TEST(Response, WithoutFilesPrintsTheTable)
{
    ScratchDir scratch;
    const RunResult r = runVosk({"response", "--rate", "8000"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("frequency_hz,", 0), 0u);
    EXPECT_NE(r.out.find("\n4000.000,"), std::string::npos);
    EXPECT_TRUE(scratch.entries().empty());
}

TEST(Info, ListsWhatTheFactoryAndControllerReport)
{
    ScratchDir scratch;
    const RunResult r = runVosk({"info", "--json", "--plugin", VOSK_BUNDLE_PATH}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    const auto& factory = plugin->factory();
    EXPECT_NE(r.out.find("\"vendor\": \"" + factory.vendor + "\""), std::string::npos);
    ASSERT_FALSE(factory.classes.empty());
    for (const auto& c : factory.classes) {
        EXPECT_NE(r.out.find("\"cid\": \"" + c.classId + "\", \"category\": \"" + c.category + "\""),
                  std::string::npos)
            << c.name;
    }
    EXPECT_NE(r.out.find("\"latencySamples\": " + std::to_string(plugin->latencySamples())),
              std::string::npos);
    size_t ids = 0;
    for (size_t at = 0; (at = r.out.find("{\"id\": ", at)) != std::string::npos; ++at) ++ids;
    EXPECT_EQ(ids, plugin->parameters().size());
    for (const auto& p : plugin->parameters())
        EXPECT_NE(r.out.find("{\"id\": " + std::to_string(p.id) + ", \"title\": \"" + p.title + "\""),
                  std::string::npos);

    // The default bundle is the one beside the command. The table shows what
    // --set takes, the default and the value after the preset.
    const std::string preset = VOSK_SOURCE_DIR "/resource/presets/GentleMaster.vstpreset";
    const RunResult plain = runVosk({"info", "--preset", preset}, scratch);
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("latency    " + std::to_string(plugin->latencySamples()) + " samples"),
              std::string::npos);
    ASSERT_TRUE(plugin->loadPresetFile(preset, error)) << error;
    auto row = [&](uint32_t id) {
        const size_t at = plain.out.find("\n  " + std::string(4 - std::to_string(id).size(), ' ') +
                                         std::to_string(id) + "  ");
        return at == std::string::npos ? std::string()
                                       : plain.out.substr(at + 1, plain.out.find('\n', at + 1) - at - 1);
    };
    const std::string freq = row(vosk::kFreq1L), shape = row(vosk::kShape1L), input = row(vosk::kInGain);
    EXPECT_NE(freq.find("20 to 20000 Hz"), std::string::npos) << freq;
    EXPECT_NE(freq.find(" 664 "), std::string::npos) << freq;
    EXPECT_NE(freq.find(" " + plugin->textOf(vosk::kFreq1L, plugin->normalizedValue(vosk::kFreq1L)) + " "),
              std::string::npos)
        << freq;
    EXPECT_NE(shape.find("Bell, Low Cut, High Cut"), std::string::npos) << shape;
    EXPECT_NE(input.find("-oo to 12.0 dB"), std::string::npos) << input;
}

} // namespace

namespace {

// Reads everything from `path` (a FIFO) on a thread of its own.
class FifoReader
{
public:
    explicit FifoReader(const std::string& path) : thread([this, path] { data = readText(path); }) {}
    std::string finish()
    {
        thread.join();
        return data;
    }

private:
    std::string data;
    std::thread thread;
};

// Runs `command` in the scratch folder through the shell; `program` is the
// command line up to the arguments.
std::string standardOutputOf(const std::string& command, const ScratchDir& scratch,
                             const std::string& program = "'" VOSK_CLI_PATH "'")
{
    std::string out;
    FILE* pipe = popen(("cd '" + scratch.path() + "' && " + program + " " + command).c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
}

bool isAudio(const std::string& bytes, const ScratchDir& scratch, long long frames)
{
    const std::string path = scratch.file("check.audio");
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    Audio a;
    const bool ok = readAudio(path, a) && a.frames() == frames;
    unlink(path.c_str());
    return ok;
}

bool isLink(const std::string& path)
{
    struct stat st
    {
    };
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isFifo(const std::string& path)
{
    struct stat st
    {
    };
    return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

} // namespace

// Every command that writes files writes through links, into FIFOs and to
// standard output (a pipe, which cannot seek) without replacing them.
TEST(Outputs, LinksFifosAndStandardOutputAreWrittenThroughNotReplaced)
{
    ScratchDir scratch;
    const long long frames = 5000;
    ASSERT_TRUE(
        writeAudio(scratch.file("in.wav"), noise(2, frames, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_24)));
    ASSERT_EQ(mkdir(scratch.file("sub").c_str(), 0755), 0);
    struct Case
    {
        std::vector<std::string> args; // OUTPUT stands for the name under test
        std::string extension;
        bool audio;
    } cases[] = {
        {{"render", "in.wav", "OUTPUT"}, ".wav", true},
        {{"render", "in.wav", "x.wav", "--save-preset", "OUTPUT"}, ".vstpreset", false},
        {{"generate", "OUTPUT", "--seconds", "0.5"}, ".flac", true},
        {{"response", "--rate", "8000", "--png", "OUTPUT"}, ".png", false},
        {{"response", "--rate", "8000", "--csv", "OUTPUT"}, ".csv", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.extension);
        auto with = [&](const std::string& name) {
            auto args = c.args;
            std::replace(args.begin(), args.end(), std::string("OUTPUT"), name);
            return args;
        };
        // A relative link in another folder: the target is replaced, the link stays.
        const std::string target = "target" + c.extension, link = "sub/link" + c.extension;
        ASSERT_EQ(symlink(("../" + target).c_str(), scratch.file(link).c_str()), 0);
        RunResult r = runVosk(with(link), scratch);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(isLink(scratch.file(link)));
        EXPECT_FALSE(readText(scratch.file(target)).empty());
        const long long expected = c.args[0] == "render" ? frames : 22050;
        if (c.audio) {
            EXPECT_TRUE(isAudio(readText(scratch.file(target)), scratch, expected));
        }

        // A FIFO gets the same bytes and stays a FIFO.
        const std::string fifo = "fifo" + c.extension;
        ASSERT_EQ(mkfifo(scratch.file(fifo).c_str(), 0644), 0);
        FifoReader reader(scratch.file(fifo));
        r = runVosk(with(fifo), scratch);
        const std::string received = reader.finish();
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(isFifo(scratch.file(fifo)));
        if (c.audio)
            EXPECT_TRUE(isAudio(received, scratch, expected));
        else
            EXPECT_EQ(received.size(), readText(scratch.file(target)).size());

        // "-": the data alone on standard output, the report elsewhere.
        std::string command;
        for (const auto& a : with("-")) command += "'" + a + "' ";
        if (c.audio) command += "--format " + c.extension.substr(1);
        const std::string piped = standardOutputOf(command + " 2>/dev/null", scratch);
        if (c.audio)
            EXPECT_TRUE(isAudio(piped, scratch, expected));
        else
            EXPECT_EQ(piped.size(), readText(scratch.file(target)).size());
        for (const auto& name : {target, link, fifo, std::string("x.wav")})
            unlink(scratch.file(name).c_str());
    }
    rmdir(scratch.file("sub").c_str());
}

TEST(Render, FormatFollowsTheNameAndSampleTypeTheInputOrBits)
{
    ScratchDir scratch;
    ASSERT_TRUE(
        writeAudio(scratch.file("in16.flac"), noise(2, 3000, 44100, SF_FORMAT_FLAC | SF_FORMAT_PCM_16)));
    ASSERT_TRUE(writeAudio(scratch.file("inf.wav"), noise(1, 3000, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    const struct
    {
        std::vector<std::string> args;
        int format;
    } cases[] = {
        {{"in16.flac", "o.wav"}, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {{"inf.wav", "o.flac"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, // FLAC holds no floats
        {{"inf.wav", "o.AIF", "--bits", "16"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {{"in16.flac", "o.w64", "--bits", "float"}, SF_FORMAT_W64 | SF_FORMAT_FLOAT},
        {{"in16.flac", "o.data", "--format", "caf", "--bits", "32"}, SF_FORMAT_CAF | SF_FORMAT_PCM_32},
        {{"inf.wav", "o.ogg"}, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = runVosk(args, scratch);
        ASSERT_EQ(r.status, 0) << r.err;
        Audio out;
        ASSERT_TRUE(readAudio(scratch.file(c.args[1]), out));
        EXPECT_EQ(out.format, c.format);
        EXPECT_EQ(out.frames(), 3000);
    }
}

// Bypassed, so the output is the input: a sine of a third of a 16-bit step
// vanishes without dither and survives in TPDF-dithered noise, the same on
// every run; overs are clipped and reported in integer files, kept in float.
TEST(Render, DitherByDefaultAndPlainClippingReports)
{
    ScratchDir scratch;
    const int frames = 44100;
    Audio quiet;
    quiet.rate = 44100;
    quiet.channels = 1;
    quiet.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    for (int i = 0; i < frames; ++i)
        quiet.samples.push_back(static_cast<float>(std::sin(2 * M_PI * 441.0 * i / 44100) / 3 / 32768));
    ASSERT_TRUE(writeAudio(scratch.file("quiet.wav"), quiet));
    for (const char* name : {"a.wav", "b.wav", "plain.wav"}) {
        std::vector<std::string> args = {"render", "quiet.wav", name, "--bits", "16", "--set", "BYPASS=On"};
        if (std::string(name) == "plain.wav") args.push_back("--no-dither");
        const RunResult r = runVosk(args, scratch);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    Audio a, b, plain;
    ASSERT_TRUE(readAudio(scratch.file("a.wav"), a));
    ASSERT_TRUE(readAudio(scratch.file("b.wav"), b));
    ASSERT_TRUE(readAudio(scratch.file("plain.wav"), plain));
    EXPECT_TRUE(a.samples == b.samples);
    EXPECT_TRUE(std::all_of(plain.samples.begin(), plain.samples.end(), [](float s) { return s == 0; }));
    double signal = 0, projection = 0, errorPower = 0, worst = 0;
    for (int i = 0; i < frames; ++i) {
        const double in = quiet.samples[i] * 32768.0, out = a.samples[i] * 32768.0;
        signal += in * in;
        projection += in * out;
        errorPower += (out - in) * (out - in);
        worst = std::max(worst, std::fabs(out - in));
    }
    EXPECT_NEAR(projection / signal, 1.0, 0.1);   // the sine is still there
    EXPECT_NEAR(errorPower / frames, 0.25, 0.03); // triangular dither and rounding: 1/6 + 1/12 step²
    EXPECT_LE(worst, 1.5);

    Audio loud = quiet;
    for (auto& s : loud.samples) s *= 3 * 32768 * 1.5f; // peaks at +3.52 dBFS
    ASSERT_TRUE(writeAudio(scratch.file("loud.wav"), loud));
    RunResult r =
        runVosk({"render", "loud.wav", "clipped.wav", "--bits", "24", "--set", "BYPASS=On"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    long long overs = 0;
    for (float s : loud.samples) overs += std::fabs(s) > 1.0f;
    EXPECT_NE(r.err.find("clipped.wav holds clipped audio: " + std::to_string(overs) + " samples"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("peak before conversion +3.52 dBFS"), std::string::npos) << r.err;
    r = runVosk({"render", "loud.wav", "float.wav", "--set", "BYPASS=On"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(std::to_string(overs) + " samples above full scale, kept"), std::string::npos)
        << r.out;
    Audio kept;
    ASSERT_TRUE(readAudio(scratch.file("float.wav"), kept));
    EXPECT_TRUE(kept.samples == loud.samples);
}

TEST(Conventions, VersionHelpOptionOrderQuietAndExitStatus)
{
    ScratchDir scratch;
    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    RunResult r = runVosk({"--version"}, scratch);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "vosk " + plugin->factory().classes.at(0).version + "\n");
    EXPECT_NE(r.out.find("GNU General Public License, version 3 or later"), std::string::npos) << r.out;

    r = runVosk({"render", "--help"}, scratch);
    EXPECT_EQ(r.status, 0);
    for (const char* text :
         {"--block N", "default 512", "--no-dither", "--bits 16|24|32|float", "--set TITLE=VALUE"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    r = runVosk({"--help"}, scratch);
    EXPECT_NE(r.out.find("exit status: 0"), std::string::npos) << r.out;

    r = runVosk({"--plugin", VOSK_BUNDLE_PATH, "-q", "generate", "--seconds", "1", "g.wav"}, scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    r = runVosk({"-q", "render", "g.wav", "out.wav", "--set", "Gain1L=2"}, scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");

    EXPECT_EQ(runVosk({"render", "g.wav", "out.wav", "--frobnicate"}, scratch).status, 2);
    EXPECT_EQ(runVosk({"render", "g.wav", "out", "--bits", "16"}, scratch).status, 2);
    EXPECT_EQ(runVosk({"render", "g.wav", "out.wav", "--set", "Gain1L=9"}, scratch).status, 1);
}

// A copy of the command without the bundle beside it looks where VST 3 hosts
// look: $VST3_PATH, then ~/.vst3 (the system folders come last).
TEST(Conventions, ACopiedCommandFindsTheBundleWhereHostsLook)
{
    ScratchDir scratch;
    const std::string bundle = VOSK_BUNDLE_PATH, copy = scratch.file("vosk");
    const std::string bundleFolder = bundle.substr(0, bundle.find_last_of('/'));
    ASSERT_EQ(system(("cp '" VOSK_CLI_PATH "' '" + copy + "'").c_str()), 0);
    auto info = [&](const std::string& environment) {
        return standardOutputOf("", scratch,
                                "env -u VST3_PATH HOME='" + scratch.path() + "' " + environment +
                                    " ./vosk info 2>&1");
    };
    EXPECT_NE(info("VST3_PATH=/nowhere:" + bundleFolder).find("plug-in    " + bundle + "\n"),
              std::string::npos);

    ASSERT_EQ(mkdir(scratch.file(".vst3").c_str(), 0755), 0);
    ASSERT_EQ(symlink(bundle.c_str(), scratch.file(".vst3/VOSK.vst3").c_str()), 0);
    EXPECT_NE(info("").find("plug-in    " + scratch.file(".vst3/VOSK.vst3")), std::string::npos);
    unlink(scratch.file(".vst3/VOSK.vst3").c_str());
    rmdir(scratch.file(".vst3").c_str());

    if (!fileExists("/usr/local/lib/vst3/VOSK.vst3") && !fileExists("/usr/lib/vst3/VOSK.vst3")) {
        const std::string missing = info("");
        EXPECT_NE(missing.find("no VOSK.vst3 in " + scratch.path() + ", " + scratch.path() + "/.vst3, "),
                  std::string::npos)
            << missing;
    }
}
