#include "fileio.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

// Paths of live temporary files, readable from a signal handler.
constexpr int kSlots = 8;
constexpr size_t kPathMax = 4096;
char slotPaths[kSlots][kPathMax];
std::atomic<bool> slotUsed[kSlots];

int claimSlot(const std::string& path)
{
    if (path.size() >= kPathMax) return -1;
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (slotUsed[i].compare_exchange_strong(expected, true)) {
            memcpy(slotPaths[i], path.c_str(), path.size() + 1);
            return i;
        }
    }
    return -1;
}

void freeSlot(int slot)
{
    if (slot >= 0) slotUsed[slot].store(false);
}

extern "C" void removeTempFilesAndExit(int sig)
{
    for (int i = 0; i < kSlots; ++i)
        if (slotUsed[i].load()) unlink(slotPaths[i]);
    signal(sig, SIG_DFL);
    raise(sig);
}

} // namespace

TempFile::TempFile(const std::string& targetPath) : target(targetPath)
{
    const auto slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? std::string("./") : dir) + "." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // An interrupt between creating the file and registering it would leave it
    // behind: hold interrupts back until the handler can find it.
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, sig);
    sigprocmask(SIG_BLOCK, &interrupts, &previous);
    fd = mkstemp(name.data());
    const int error = errno;
    if (fd >= 0) {
        tempPath = name.data();
        slot = claimSlot(tempPath);
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        failure = "cannot create a file in " + dir + ": " + strerror(error);
        return;
    }
    // mkstemp makes the file private; the result should look like any new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

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
    if (fd >= 0 && close(fd) != 0) {
        fd = -1;
        error = target + ": " + strerror(errno);
        discard();
        return false;
    }
    fd = -1;
    if (rename(tempPath.c_str(), target.c_str()) != 0) {
        error = target + ": " + strerror(errno);
        discard();
        return false;
    }
    done = true;
    freeSlot(slot);
    slot = -1;
    return true;
}

void TempFile::discard()
{
    if (fd >= 0) close(fd);
    fd = -1;
    if (!done && !tempPath.empty()) unlink(tempPath.c_str());
    done = true;
    freeSlot(slot);
    slot = -1;
}

void removeTempFilesOnSignal()
{
    struct sigaction action
    {
    };
    action.sa_handler = removeTempFilesAndExit;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool failed = ferror(f) != 0;
    fclose(f);
    if (failed) {
        error = path + ": read error";
        return false;
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    TempFile file(path);
    if (!file.ok()) {
        error = path + ": " + file.error();
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(file.descriptor(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = path + ": " + strerror(errno);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return file.commit(error);
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa
    {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool fileExists(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0;
}

} // namespace vosk
