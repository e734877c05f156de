// Whole-file reads and writes that never leave a half-written file behind.
// The platform part is in fileio_posix.cpp.
#pragma once

#include <cstdint>
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

// Interrupts (SIGINT, SIGTERM, SIGHUP) remove open temporary files, then end
// the process the way the signal would.
void removeTempFilesOnSignal();

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// True when both names lead to the same existing file (links included).
bool sameFile(const std::string& a, const std::string& b);
bool fileExists(const std::string& path);

} // namespace vosk
