// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads and writes that never leave a half-written file behind.
// The platform part is in fileio_posix.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vosk {

// A new, empty file in the folder of `target`, renamed onto `target` by
// commit(). Removed again when destroyed uncommitted, and, once
// removeTempFilesOnSignal() has been called, when the process is interrupted.
class TempFile
{
public:
    explicit TempFile(const std::string& target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool ok() const { return fd >= 0; }
    const std::string& error() const { return failure; }
    const std::string& path() const { return tempPath; }
    // The open descriptor; release() hands it over (the caller closes it).
    int descriptor() const { return fd; }
    int release();

    // Closes the file if still open and renames it onto the target.
    bool commit(std::string& error);
    void discard();

private:
    std::string target;
    std::string tempPath;
    std::string failure;
    int fd = -1;
    bool done = false;
    int slot = -1;
};

// An output named by the user, opened before any work is done so that a
// command that cannot write it fails before it starts. "-" is standard output;
// a symbolic link is followed and its target replaced; a character device or
// FIFO is written in place, never replaced; a regular file or a new name gets a
// TempFile beside it. Outputs that cannot seek (pipes) are spooled to an
// unnamed file and copied out by commit(), since most audio formats rewrite
// their header at the end.
class OutputFile
{
public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool ok() const { return fd >= 0; }
    const std::string& error() const { return failure; }
    // Where the data goes until commit(); stays owned by this object.
    int descriptor() const { return fd; }
    bool isStandardOutput() const { return standardOutput; }

    // Finishes the output: renames the temporary file onto the target, or
    // copies the spool to the pipe, or closes the device.
    bool commit(std::string& error);
    void discard();

private:
    std::string path;
    std::string failure;
    std::unique_ptr<TempFile> temp;
    int fd = -1;
    int destination = -1; // the device, FIFO or standard output written in place
    bool standardOutput = false;
    bool spooled = false;
};

bool writeAll(int fd, const std::vector<uint8_t>& bytes, std::string& error);

// Interrupts (SIGINT, SIGTERM, SIGHUP) remove open temporary files, then end
// the process the way the signal would.
void removeTempFilesOnSignal();

// "-" reads standard input.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
// Through an OutputFile.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// True when both names lead to the same existing file (links included).
bool sameFile(const std::string& a, const std::string& b);
bool fileExists(const std::string& path);
bool isFolder(const std::string& path);

} // namespace vosk
