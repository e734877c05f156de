// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of fileio.h that every platform shares; the platform's calls are in
// fileio_posix.cpp and fileio_win.cpp.
#include "hosting/fileio.h"

#include "hosting/fileio_platform.h"

#include <cerrno>
#include <cstring>

namespace vosk {

TempFile::~TempFile()
{
    discard();
}

int TempFile::release()
{
    const int d = fd;
    fd = -1;
    return d;
}

bool TempFile::commit(std::string& error)
{
    if (done || tempPath.empty()) {
        error = target + ": nothing to write";
        return false;
    }
    if (fd >= 0 && !fileio::closeFile(fd)) {
        fd = -1;
        error = target + ": " + std::strerror(errno);
        discard();
        return false;
    }
    fd = -1;
    std::string why;
    if (!fileio::replaceFile(tempPath, target, why)) {
        error = target + ": " + why;
        discard();
        return false;
    }
    done = true;
    fileio::forgetTempFile(slot);
    slot = -1;
    return true;
}

void TempFile::discard()
{
    if (fd >= 0) fileio::closeFile(fd);
    fd = -1;
    if (!done && !tempPath.empty()) fileio::removeFile(tempPath);
    done = true;
    fileio::forgetTempFile(slot);
    slot = -1;
}

} // namespace vosk
