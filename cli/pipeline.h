// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over between the threads of a long command. Blocks of interleaved
// frames come from a fixed pool, pass from stage to stage through queues and
// go back to the pool once every stage is done with them: the memory stays
// fixed however long the file is, and a stage that runs ahead waits for the
// slowest. A stage that has to wait is woken once there is a batch of work
// for it, not for every block: each wake-up costs a system call and a switch
// of threads. Any stage may cancel the whole pipeline, which wakes every
// waiting thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vosk {

struct FrameBlock
{
    std::vector<float> samples;
    long long frames = 0;
    // The frames of each piece the producer added, in order, where a consumer
    // must keep them apart (an encoder's output may depend on how its input
    // is cut).
    std::vector<long long> pieces;
};
// A filled block, read by any number of stages at once.
using SharedBlock = std::shared_ptr<const FrameBlock>;

class BlockPool
{
public:
    // A producer that finds the pool empty waits until `refill` blocks are
    // back (at most `blocks`).
    BlockPool(size_t blocks, size_t samplesPerBlock, size_t refill);
    // Waits for a free block; null once cancelled.
    std::shared_ptr<FrameBlock> acquire();
    void cancel();

private:
    struct Shared
    {
        std::mutex lock;
        std::condition_variable returned;
        std::vector<std::unique_ptr<FrameBlock>> free;
        size_t refill = 1;
        bool cancelled = false;
    };
    // Held by every block handed out as well, so that a block may outlive
    // the pool.
    std::shared_ptr<Shared> shared;
};

// Between interleaved frames and one array per channel (from `offset` on).
void deinterleave(const float* interleaved, int channels, long long frames, float* const* planar, long long offset);
void interleave(const float* const* planar, long long offset, int channels, long long frames, float* interleaved);

// A first-in first-out queue between two threads; the pool behind its items
// bounds it. A consumer that finds it empty waits for `batch` items (fewer
// than the pool holds), or its end.
template <typename T> class HandOver
{
public:
    explicit HandOver(size_t batchSize = 1) : batch(batchSize) {}

    void push(T item)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (cancelled) return;
        items.push_back(std::move(item));
        if (items.size() == batch) changed.notify_one();
    }

    // Waits for an item; false once closed and empty, or cancelled.
    bool pop(T& item)
    {
        std::unique_lock<std::mutex> guard(lock);
        if (items.empty()) changed.wait(guard, [&] { return items.size() >= batch || closed || cancelled; });
        if (cancelled || items.empty()) return false;
        item = std::move(items.front());
        items.pop_front();
        return true;
    }

    // No more items will come.
    void close()
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
        changed.notify_all();
    }

    // Drops what is queued; every pop fails from now on.
    void cancel()
    {
        std::lock_guard<std::mutex> guard(lock);
        cancelled = true;
        items.clear();
        changed.notify_all();
    }

private:
    const size_t batch;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<T> items;
    bool closed = false;
    bool cancelled = false;
};

// The threads of a pipeline: on the way out, however it is taken, they are
// told to stop and joined. Declare it after everything they use.
class StageThreads
{
public:
    // `cancel` wakes and stops every stage.
    explicit StageThreads(std::function<void()> cancel) : cancelAll(std::move(cancel)) {}
    ~StageThreads();
    StageThreads(const StageThreads&) = delete;
    StageThreads& operator=(const StageThreads&) = delete;

    void start(std::function<void()> stage) { threads.emplace_back(std::move(stage)); }
    // Waits for every stage to end by itself.
    void join();

private:
    std::function<void()> cancelAll;
    std::vector<std::thread> threads;
};

} // namespace vosk
