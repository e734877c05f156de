// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pipeline.h"

#include <algorithm>

namespace vosk {

BlockPool::BlockPool(size_t blocks, size_t samplesPerBlock, size_t refill) : shared(std::make_shared<Shared>())
{
    shared->refill = std::max<size_t>(1, std::min(refill, blocks));
    for (size_t i = 0; i < blocks; ++i) {
        auto block = std::make_unique<FrameBlock>();
        block->samples.resize(samplesPerBlock);
        shared->free.push_back(std::move(block));
    }
}

std::shared_ptr<FrameBlock> BlockPool::acquire()
{
    std::unique_lock<std::mutex> guard(shared->lock);
    if (shared->free.empty())
        shared->returned.wait(guard, [&] { return shared->free.size() >= shared->refill || shared->cancelled; });
    if (shared->cancelled) return nullptr;
    FrameBlock* block = shared->free.back().release();
    shared->free.pop_back();
    block->frames = 0;
    block->pieces.clear();
    return std::shared_ptr<FrameBlock>(block, [home = shared](FrameBlock* returned) {
        std::lock_guard<std::mutex> homeGuard(home->lock);
        home->free.emplace_back(returned);
        if (home->free.size() == home->refill) home->returned.notify_one();
    });
}

void BlockPool::cancel()
{
    std::lock_guard<std::mutex> guard(shared->lock);
    shared->cancelled = true;
    shared->returned.notify_all();
}

// Stereo, the common case, in one pass.
void deinterleave(const float* interleaved, int channels, long long frames, float* const* planar, long long offset)
{
    if (channels == 2) {
        float *left = planar[0] + offset, *right = planar[1] + offset;
        for (long long i = 0; i < frames; ++i) {
            left[i] = interleaved[2 * i];
            right[i] = interleaved[2 * i + 1];
        }
        return;
    }
    for (int c = 0; c < channels; ++c)
        for (long long i = 0; i < frames; ++i) planar[c][offset + i] = interleaved[i * channels + c];
}

void interleave(const float* const* planar, long long offset, int channels, long long frames, float* interleaved)
{
    if (channels == 2) {
        const float *left = planar[0] + offset, *right = planar[1] + offset;
        for (long long i = 0; i < frames; ++i) {
            interleaved[2 * i] = left[i];
            interleaved[2 * i + 1] = right[i];
        }
        return;
    }
    for (int c = 0; c < channels; ++c)
        for (long long i = 0; i < frames; ++i) interleaved[i * channels + c] = planar[c][offset + i];
}

StageThreads::~StageThreads()
{
    bool running = false;
    for (auto& t : threads) running = running || t.joinable();
    if (running) cancelAll();
    join();
}

void StageThreads::join()
{
    for (auto& t : threads)
        if (t.joinable()) t.join();
}

} // namespace vosk
