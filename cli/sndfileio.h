// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// libsndfile reads and writes through a descriptor a few kilobytes per call;
// each call costs a system call and the kernel's work for each small piece.
// These gather them into large reads and writes. libsndfile sees the same
// file: what it writes lands at the same place, and every seek, read and
// length it asks for first sees the gathered bytes written.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

namespace vosk {

class GatheredOutput
{
public:
    // `fd` is seekable and stays open; it is written from its offset on.
    // `replacing`: the file will be renamed over an existing one, which makes
    // the kernel write all of it out at the rename, at the end of the work;
    // instead each piece is sent on its way as it is written.
    GatheredOutput(int fd, bool replacing);
    ~GatheredOutput() = default;
    GatheredOutput(const GatheredOutput&) = delete;
    GatheredOutput& operator=(const GatheredOutput&) = delete;

    // As sf_open_fd(fd, SFM_WRITE, info, SF_FALSE) would.
    SNDFILE* open(SF_INFO* info);
    // Writes what is gathered; after sf_close, before the file is used.
    bool flush();
    // Why a write failed, where one did.
    const std::string& error() const { return failure; }

private:
    static SF_VIRTUAL_IO callbacks();
    bool writeOut(const unsigned char* bytes, size_t count, long long at);

    int fd;
    bool writeBack;
    long long base;          // the descriptor's offset at the start
    long long position = 0;  // libsndfile's, from `base`
    long long gatheredAt = 0; // where `gathered` belongs, from `base`
    std::vector<unsigned char> gathered;
    std::string failure;
};

// A file read ahead a large piece at a time.
class GatheredInput
{
public:
    GatheredInput() = default;
    ~GatheredInput();
    GatheredInput(const GatheredInput&) = delete;
    GatheredInput& operator=(const GatheredInput&) = delete;

    // As sf_open(path, SFM_READ, info), which it falls back on where the file
    // is no regular file or libsndfile needs its name to know it.
    SNDFILE* open(const std::string& path, SF_INFO* info);

private:
    static SF_VIRTUAL_IO callbacks();

    int fd = -1;
    long long position = 0;
    long long aheadAt = 0; // where `ahead` was read from
    std::vector<unsigned char> ahead;
    size_t aheadLength = 0;
};

} // namespace vosk
