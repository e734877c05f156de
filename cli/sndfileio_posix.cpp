// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sndfileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

// Large enough that the kernel's cost per call vanishes, small enough to stay
// in the caches.
constexpr size_t kGathered = 1 << 20;

GatheredOutput& self(void* user)
{
    return *static_cast<GatheredOutput*>(user);
}

long long lengthOf(int fd)
{
    struct stat st
    {
    };
    return fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

} // namespace

GatheredOutput::GatheredOutput(int descriptor, bool replacing)
    : fd(descriptor), writeBack(replacing), base(lseek(descriptor, 0, SEEK_CUR))
{
    if (base < 0) base = 0;
    gathered.reserve(kGathered);
}

SNDFILE* GatheredOutput::open(SF_INFO* info)
{
    SF_VIRTUAL_IO io = callbacks();
    return sf_open_virtual(&io, SFM_WRITE, info, this);
}

bool GatheredOutput::writeOut(const unsigned char* bytes, size_t count, long long at)
{
    while (count > 0) {
        const ssize_t n = pwrite(fd, bytes, count, static_cast<off_t>(base + at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (failure.empty()) failure = n < 0 ? strerror(errno) : "nothing written";
            return false;
        }
        // Without waiting: the pages go to the disk while the work goes on.
        if (writeBack) sync_file_range(fd, base + at, n, SYNC_FILE_RANGE_WRITE);
        bytes += n;
        count -= static_cast<size_t>(n);
        at += n;
    }
    return true;
}

bool GatheredOutput::flush()
{
    const bool written = gathered.empty() || writeOut(gathered.data(), gathered.size(), gatheredAt);
    gathered.clear();
    return written && failure.empty();
}

SF_VIRTUAL_IO GatheredOutput::callbacks()
{
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) -> sf_count_t {
        GatheredOutput& out = self(user);
        struct stat st
        {
        };
        if (!out.flush() || fstat(out.fd, &st) != 0) return -1;
        return st.st_size > out.base ? st.st_size - out.base : 0;
    };
    io.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
        GatheredOutput& out = self(user);
        long long target = offset;
        if (whence == SEEK_CUR) target = out.position + offset;
        if (whence == SEEK_END) {
            struct stat st
            {
            };
            if (!out.flush() || fstat(out.fd, &st) != 0) return -1;
            target = st.st_size - out.base + offset;
        }
        if (target < 0) return -1;
        out.position = target;
        return target;
    };
    io.read = [](void* ptr, sf_count_t count, void* user) -> sf_count_t {
        GatheredOutput& out = self(user);
        if (!out.flush()) return 0;
        for (;;) {
            const ssize_t n = pread(out.fd, ptr, static_cast<size_t>(count), static_cast<off_t>(out.base + out.position));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return 0;
            out.position += n;
            return n;
        }
    };
    io.write = [](const void* ptr, sf_count_t count, void* user) -> sf_count_t {
        GatheredOutput& out = self(user);
        const auto* bytes = static_cast<const unsigned char*>(ptr);
        const size_t n = static_cast<size_t>(count);
        // Bytes for another place than the end of the gathered ones go out
        // first: what is gathered is always one contiguous stretch.
        if (!out.gathered.empty() &&
            (out.position != out.gatheredAt + static_cast<long long>(out.gathered.size()) ||
             out.gathered.size() + n > kGathered) &&
            !out.flush())
            return 0;
        if (n >= kGathered) {
            if (!out.writeOut(bytes, n, out.position)) return 0;
        } else {
            if (out.gathered.empty()) out.gatheredAt = out.position;
            out.gathered.insert(out.gathered.end(), bytes, bytes + n);
        }
        out.position += count;
        return count;
    };
    io.tell = [](void* user) -> sf_count_t { return self(user).position; };
    return io;
}

GatheredInput::~GatheredInput()
{
    if (fd >= 0) close(fd);
}

SNDFILE* GatheredInput::open(const std::string& path, SF_INFO* info)
{
    struct stat st
    {
    };
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        ahead.resize(kGathered);
        SF_VIRTUAL_IO io = callbacks();
        const SF_INFO asked = *info;
        if (SNDFILE* file = sf_open_virtual(&io, SFM_READ, info, this)) return file;
        *info = asked;
    }
    if (fd >= 0) close(fd);
    fd = -1;
    return sf_open(path.c_str(), SFM_READ, info);
}

SF_VIRTUAL_IO GatheredInput::callbacks()
{
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) -> sf_count_t { return lengthOf(static_cast<GatheredInput*>(user)->fd); };
    io.seek = [](sf_count_t offset, int whence, void* user) -> sf_count_t {
        GatheredInput& file = *static_cast<GatheredInput*>(user);
        long long target = offset;
        if (whence == SEEK_CUR) target = file.position + offset;
        if (whence == SEEK_END) target = lengthOf(file.fd) + offset;
        if (target < 0) return -1;
        file.position = target;
        return target;
    };
    io.read = [](void* ptr, sf_count_t count, void* user) -> sf_count_t {
        GatheredInput& file = *static_cast<GatheredInput*>(user);
        auto* bytes = static_cast<unsigned char*>(ptr);
        sf_count_t done = 0;
        while (done < count) {
            const long long end = file.aheadAt + static_cast<long long>(file.aheadLength);
            if (file.position >= file.aheadAt && file.position < end) {
                const size_t take = static_cast<size_t>(std::min<long long>(count - done, end - file.position));
                memcpy(bytes + done, file.ahead.data() + (file.position - file.aheadAt), take);
                done += static_cast<sf_count_t>(take);
                file.position += static_cast<long long>(take);
                continue;
            }
            ssize_t n;
            do
                n = pread(file.fd, file.ahead.data(), file.ahead.size(), static_cast<off_t>(file.position));
            while (n < 0 && errno == EINTR);
            file.aheadLength = n > 0 ? static_cast<size_t>(n) : 0;
            file.aheadAt = file.position;
            if (n <= 0) break;
        }
        return done;
    };
    io.write = [](const void*, sf_count_t, void*) -> sf_count_t { return 0; };
    io.tell = [](void* user) -> sf_count_t { return static_cast<GatheredInput*>(user)->position; };
    return io;
}

} // namespace vosk
