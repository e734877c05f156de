// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// A value that one thread publishes and any other reads, never torn and free of
// data races: the bytes live in atomic words, guarded by a sequence count that is
// odd while a publication is under way. Publishing never waits, allocates or
// locks, so the audio thread may publish; a reader retries while it overlaps one.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <type_traits>

namespace vosk {

template <class T> class PublishedValue
{
    static_assert(std::is_trivially_copyable_v<T>, "published byte by byte");

public:
    explicit PublishedValue(const T& initial = T{}) { publish(initial); }

    // One publishing thread at a time.
    void publish(const T& value)
    {
        Words words{};
        std::memcpy(words.data, &value, sizeof(T));
        const uint32_t sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        // Each release store keeps the odd count ahead of the word it writes: a reader
        // that sees the word also sees the publication under way.
        for (size_t i = 0; i < kWords; ++i) words_[i].store(words.data[i], std::memory_order_release);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    T read() const
    {
        Words words{};
        for (;;) {
            const uint32_t before = sequence_.load(std::memory_order_acquire);
            if ((before & 1u) == 0) {
                // Acquire loads keep the second look at the count behind every word.
                for (size_t i = 0; i < kWords; ++i) words.data[i] = words_[i].load(std::memory_order_acquire);
                if (sequence_.load(std::memory_order_relaxed) == before) break;
            }
            std::this_thread::yield();
        }
        T value;
        std::memcpy(&value, words.data, sizeof(T));
        return value;
    }

private:
    static constexpr size_t kWords = (sizeof(T) + sizeof(uint32_t) - 1) / sizeof(uint32_t);
    struct Words
    {
        uint32_t data[kWords];
    };

    std::atomic<uint32_t> sequence_{0};
    std::atomic<uint32_t> words_[kWords];
};

} // namespace vosk
