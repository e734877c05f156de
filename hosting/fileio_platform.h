// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What fileio.cpp asks of the platform (fileio_posix.cpp, fileio_win.cpp), and the
// register of live temporary files that an interrupt handler empties.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>

namespace vosk::fileio {

bool closeFile(int fd);
void removeFile(const std::string& path);
// Renames `from` onto `to`, replacing it; the reason in `error` on failure.
bool replaceFile(const std::string& from, const std::string& to, std::string& error);
void forgetTempFile(int slot); // the slot a TempFile was given at creation

// Paths in the platform's own characters, so that the handler needs no conversion
// and no allocation.
template <typename Char> class LiveTempFiles
{
public:
    // A slot for the path, or -1 when all are taken or the path is too long.
    int claim(const std::basic_string<Char>& path)
    {
        if (path.size() >= kPathMax) return -1;
        for (int i = 0; i < kSlots; ++i) {
            bool expected = false;
            if (used_[i].compare_exchange_strong(expected, true)) {
                std::memcpy(paths_[i], path.c_str(), (path.size() + 1) * sizeof(Char));
                return i;
            }
        }
        return -1;
    }
    void release(int slot)
    {
        if (slot >= 0) used_[slot].store(false);
    }
    // For the interrupt handler.
    template <typename Remove> void removeAll(Remove remove)
    {
        for (int i = 0; i < kSlots; ++i)
            if (used_[i].load()) remove(paths_[i]);
    }

private:
    static constexpr int kSlots = 8;
    static constexpr size_t kPathMax = 4096;
    Char paths_[kSlots][kPathMax];
    std::atomic<bool> used_[kSlots];
};

} // namespace vosk::fileio
