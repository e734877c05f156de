// `vosk render`, `response`, `generate` and `info` end to end through the
// built command and bundle.
#include "clirunner.h"
#include "hostedplugin.h"

#include <gtest/gtest.h>

#include <cairo.h>
#include <chrono>
#include <csignal>
#include <cmath>
#include <sys/wait.h>
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
    EXPECT_EQ(cairo_image_surface_get_height(png), 900);
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

    // The default bundle is the one beside the command.
    const RunResult plain = runVosk({"info"}, scratch);
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("latency    " + std::to_string(plugin->latencySamples()) + " samples"),
              std::string::npos);
}

} // namespace
