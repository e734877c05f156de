// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch.h"

#include "platform.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vosk {

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int jobsFor(const CommandLine& cmd)
{
    if (cmd.jobs > 0) return cmd.jobs;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void runInOrder(size_t count, int jobs, const std::function<void(size_t)>& work,
                const std::function<void(size_t)>& finished, const std::function<void()>& tick)
{
    std::mutex lock;
    std::condition_variable changed;
    std::vector<char> done(count, 0);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i; (i = next++) < count;) {
            work(i);
            std::lock_guard<std::mutex> guard(lock);
            done[i] = 1;
            changed.notify_one();
        }
    };
    std::vector<std::thread> threads;
    for (size_t j = 0; j < std::min(count, static_cast<size_t>(std::max(jobs, 1))); ++j) threads.emplace_back(worker);
    for (size_t reported = 0; reported < count;) {
        bool ready;
        {
            std::unique_lock<std::mutex> guard(lock);
            ready = changed.wait_for(guard, std::chrono::milliseconds(100), [&] { return done[reported] != 0; });
        }
        if (ready) finished(reported++);
        tick();
    }
    for (auto& t : threads) t.join();
}

BatchProgress::BatchProgress(const std::vector<std::string>& paths, bool quiet) : bar(false, 0)
{
    if (quiet || !stderrIsTerminal()) return;
    long long frames = 0;
    double seconds = 0;
    for (const auto& path : paths) {
        SF_INFO info{};
        SNDFILE* file = path == "-" ? nullptr : sf_open(path.c_str(), SFM_READ, &info);
        if (!file) continue;
        if (info.samplerate > 0) seconds += static_cast<double>(info.frames) / info.samplerate;
        frames += info.frames;
        sf_close(file);
    }
    bar = Progress(seconds > 10, frames);
}

std::function<void(long long)> BatchProgress::feed()
{
    return [this, previous = 0LL](long long framesDone) mutable {
        done += framesDone - previous;
        previous = framesDone;
    };
}

} // namespace vosk
