// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk edit: the plug-in's editor in a window of its own, served by the host's
// run loop as a DAW serves it. With --play a file goes through the processor at
// its own pace (a timer stands in for the audio device), so that meters and clip
// lamps move. Every edit the editor sends to the host is printed.
#include "commands.h"
#include "common/refcounted.h"
#include "hosting/editorwindow.h"
#include "hosting/linux/runloop.h"
#include "tagnames.h"

#include "pluginterfaces/gui/iplugview.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Steinberg;

namespace vosk {
namespace {

constexpr Linux::TimerInterval kPaceMilliseconds = 5;

// Processes the file in blocks as the wall clock advances, and prints the edits
// that reached the host since the last turn.
class Pacer final : public OwnerManaged<Linux::ITimerHandler>
{
public:
    explicit Pacer(HostedPlugin& p) : plugin(p) {}

    bool load(const std::string& path, int32_t blockSize, std::string& error)
    {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file) {
            error = "cannot read " + path + ": " + sf_strerror(nullptr);
            return false;
        }
        if (info.channels != 1 && info.channels != 2) {
            sf_close(file);
            error =
                path + " has " + std::to_string(info.channels) + " channels; only mono and stereo files play";
            return false;
        }
        std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
        frames = sf_readf_float(file, interleaved.data(), info.frames);
        sf_close(file);
        channels = info.channels;
        rate = info.samplerate;
        block = blockSize;
        audio.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames)));
        for (sf_count_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                audio[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                    interleaved[static_cast<size_t>(i * channels + c)];
        out.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(block)));
        // Real time, not offline: the plug-in must behave as under a live host.
        if (!plugin.start(rate, block, channels, error, false)) return false;
        playing = true;
        started = RunLoop::Clock::now();
        return true;
    }

    void PLUGIN_API onTimer() override
    {
        printEdits();
        if (!playing) return;
        const double elapsed = std::chrono::duration<double>(RunLoop::Clock::now() - started).count();
        const auto due = std::min<sf_count_t>(frames, static_cast<sf_count_t>(elapsed * rate));
        while (position < due) {
            const auto n = static_cast<int32_t>(std::min<sf_count_t>(block, frames - position));
            std::vector<const float*> in;
            std::vector<float*> outs;
            for (int c = 0; c < channels; ++c) {
                in.push_back(audio[static_cast<size_t>(c)].data() + position);
                outs.push_back(out[static_cast<size_t>(c)].data());
            }
            plugin.process(in.data(), outs.data(), n);
            position += n;
        }
        if (position >= frames) {
            playing = false;
            plugin.stop();
            printf("played %lld frames\n", static_cast<long long>(frames));
            fflush(stdout);
        }
    }

    void printEdits()
    {
        const auto& edits = plugin.editsReceived();
        for (; printed < edits.size(); ++printed) {
            const auto& e = edits[printed];
            if (e.kind == ParameterEdit::Perform)
                printf("edit perform %s %.6f\n", tagName(e.id).c_str(), e.value);
            else
                printf("edit %s %s\n", e.kind == ParameterEdit::Begin ? "begin" : "end",
                       tagName(e.id).c_str());
        }
        fflush(stdout);
    }

private:
    HostedPlugin& plugin;
    std::vector<std::vector<float>> audio, out;
    sf_count_t frames = 0, position = 0;
    int channels = 0;
    double rate = 48000;
    int32_t block = 512;
    bool playing = false;
    RunLoop::Clock::time_point started;
    size_t printed = 0;
};

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    const auto saved = errno;
    (void)!write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Ends the loop when an interrupt arrives, so that the editor closes in order.
class Interrupts final : public OwnerManaged<Linux::IEventHandler>
{
public:
    explicit Interrupts(RunLoop& l) : loop(l) {}
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override
    {
        char byte;
        (void)!read(fd, &byte, 1);
        loop.quit();
    }

private:
    RunLoop& loop;
};

} // namespace

int runEdit(const CommandLine& cmd)
{
    auto plugin = preparePlugin(cmd, false);
    if (!plugin) return 1;

    IPtr<IPlugView> view = owned(plugin->controller()->createView("editor"));
    if (!view) return fail("the plug-in offers no editor");

    RunLoop loop;
    std::string error;
    auto window = EditorWindow::open(view, loop, "VOSK", error);
    if (!window) return fail("cannot open the editor: " + error);
    window->setCloseHandler([&loop] { loop.quit(); });

    Pacer pacer(*plugin);
    if (!cmd.play.empty() && !pacer.load(cmd.play, static_cast<int32_t>(cmd.block), error))
        return fail(error);
    loop.registerTimer(&pacer, kPaceMilliseconds);

    Interrupts interrupts(loop);
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        struct sigaction action
        {
        };
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        loop.registerEventHandler(&interrupts, signalPipe[0]);
    }

    const ViewRect size = window->size();
    printf("window 0x%lx %dx%d\n", static_cast<unsigned long>(window->nativeHandle()), size.getWidth(),
           size.getHeight());
    fflush(stdout);

    loop.run();

    pacer.printEdits();
    loop.unregisterTimer(&pacer);
    loop.unregisterEventHandler(&interrupts);
    window.reset(); // removes the view first
    view = nullptr;
    if (plugin->running()) plugin->stop();
    return 0;
}

} // namespace vosk
