// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Many files at once: the work on several threads, what it reports in the
// order the files were given, one progress bar for them all.
#pragma once

#include "commands.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace vosk {

// The name of a file without its folder.
std::string baseName(const std::string& path);

// --jobs, or one per core.
int jobsFor(const CommandLine& cmd);

// Runs work(i) for every i below `count` on `jobs` threads, and on the
// caller's thread finished(i) in the order of i, each as soon as it and all
// before it are done; tick() while waiting.
void runInOrder(size_t count, int jobs, const std::function<void(size_t)>& work,
                const std::function<void(size_t)>& finished, const std::function<void()>& tick);

// One bar on a terminal for the frames of several files, fed from any thread.
class BatchProgress
{
public:
    // Shows when the files together last longer than ten seconds.
    BatchProgress(const std::vector<std::string>& paths, bool quiet);

    // A feed for one file: called with the frames done in it so far.
    std::function<void(long long framesDone)> feed();
    // On the caller's thread.
    void update() { bar.update(done.load()); }
    void clear() { bar.finish(); }

private:
    std::atomic<long long> done{0};
    Progress bar;
};

} // namespace vosk
