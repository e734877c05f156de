// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "hosting/fileio.h"
#include "hosting/fileio_platform.h"

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

fileio::LiveTempFiles<char> liveTempFiles;

extern "C" void removeTempFilesAndExit(int sig)
{
    liveTempFiles.removeAll([](const char* path) { unlink(path); });
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
        slot = liveTempFiles.claim(tempPath);
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

namespace fileio {

bool closeFile(int fd)
{
    return close(fd) == 0;
}

void removeFile(const std::string& path)
{
    unlink(path.c_str());
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error)
{
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    error = strerror(errno);
    return false;
}

void forgetTempFile(int slot)
{
    liveTempFiles.release(slot);
}

} // namespace fileio

void removeTempFilesOnSignal()
{
    struct sigaction action
    {
    };
    action.sa_handler = removeTempFilesAndExit;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

namespace {

// The name a chain of symbolic links ends at (which need not exist yet).
bool followLinks(std::string& path, std::string& error)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st
        {
        };
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4095) + 1);
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) {
            error = path + ": cannot read the link: " + strerror(errno);
            return false;
        }
        std::string next(target.data(), static_cast<size_t>(n));
        const auto slash = path.find_last_of('/');
        if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = next;
    }
    error = path + ": too many levels of symbolic links";
    return false;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

} // namespace

OutputFile::OutputFile(const std::string& outputPath) : path(outputPath)
{
    if (path == "-") {
        standardOutput = true;
        destination = STDOUT_FILENO;
    } else {
        std::string target = path;
        if (!followLinks(target, failure)) return;
        struct stat st
        {
        };
        if (stat(target.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                failure = path + ": " + strerror(errno);
                return;
            }
            struct stat folder
            {
            };
            const std::string dir = folderOf(target);
            if (stat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
                failure = path + ": the folder " + dir + " does not exist";
                return;
            }
        } else if (S_ISDIR(st.st_mode)) {
            failure = path + " is a folder; give a file name";
            return;
        } else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            destination = open(target.c_str(), O_WRONLY | O_CLOEXEC);
            if (destination < 0) {
                failure = path + ": " + strerror(errno);
                return;
            }
        } else if (!S_ISREG(st.st_mode)) {
            failure = path + " is neither a file, a character device nor a FIFO";
            return;
        }
        if (destination < 0) {
            temp = std::make_unique<TempFile>(target);
            if (!temp->ok()) {
                failure = path + ": " + temp->error();
                return;
            }
            // A replaced file keeps its permissions.
            if (S_ISREG(st.st_mode)) fchmod(temp->descriptor(), st.st_mode & 07777);
            fd = temp->descriptor();
            return;
        }
    }
    if (lseek(destination, 0, SEEK_CUR) >= 0) {
        fd = destination;
        return;
    }
    FILE* spool = tmpfile();
    fd = spool ? dup(fileno(spool)) : -1;
    if (spool) fclose(spool);
    if (fd < 0) failure = path + ": cannot make a spool file: " + strerror(errno);
    spooled = fd >= 0;
}

OutputFile::~OutputFile()
{
    discard();
}

bool OutputFile::commit(std::string& error)
{
    if (fd < 0) {
        error = path + ": nothing to write";
        return false;
    }
    if (temp) {
        fd = -1;
        return temp->commit(error);
    }
    bool written = true;
    if (spooled) {
        std::vector<uint8_t> buffer(1 << 16);
        lseek(fd, 0, SEEK_SET);
        for (ssize_t n; written && (n = read(fd, buffer.data(), buffer.size())) != 0;) {
            if (n < 0) {
                if (errno == EINTR) continue;
                error = path + ": " + strerror(errno);
                written = false;
                break;
            }
            buffer.resize(static_cast<size_t>(n));
            written = writeAll(destination, buffer, error);
            buffer.resize(1 << 16);
        }
    }
    discard();
    if (!written) error = path + ": " + error;
    return written;
}

void OutputFile::discard()
{
    if (temp) temp->discard();
    temp.reset();
    if (spooled && fd >= 0) close(fd);
    if (destination >= 0 && !standardOutput) close(destination);
    fd = destination = -1;
    spooled = false;
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes, std::string& error)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = strerror(errno);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    if (path != "-" && isFolder(path)) {
        error = path + " is a folder, not a file";
        return false;
    }
    FILE* f = path == "-" ? stdin : fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": " + strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool failed = ferror(f) != 0;
    if (f != stdin) fclose(f);
    if (failed) {
        error = path + ": cannot read the file";
        return false;
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    OutputFile file(path);
    if (!file.ok()) {
        error = file.error();
        return false;
    }
    if (!writeAll(file.descriptor(), bytes, error)) {
        error = path + ": " + error;
        return false;
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

bool isFolder(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace vosk
