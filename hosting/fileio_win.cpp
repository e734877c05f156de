// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Windows part of fileio.h. Paths arrive in UTF-8 and go to the wide-character
// calls, so names outside the ANSI code page work.
#include "hosting/fileio.h"
#include "hosting/fileio_platform.h"

#include "common/utf.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace vosk {
namespace {

std::string lastError()
{
    const DWORD code = GetLastError();
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    std::string out = text;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
    return out.empty() ? "error " + std::to_string(code) : out;
}

fileio::LiveTempFiles<wchar_t> liveTempFiles;

extern "C" void removeTempFilesAndExit(int sig)
{
    liveTempFiles.removeAll([](const wchar_t* path) { DeleteFileW(path); });
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

TempFile::TempFile(const std::string& targetPath) : target(targetPath)
{
    const auto slash = target.find_last_of("\\/");
    const std::string dir = slash == std::string::npos ? std::string(".\\") : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // A name no other writer picks: the process and a counter, retried on collision.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const std::string name =
            dir + "." + base + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        const std::wstring wide = wideFromUtf8(name);
        fd = _wopen(wide.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            tempPath = name;
            slot = liveTempFiles.claim(wide);
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) failure = "cannot create a file in " + dir + ": " + std::strerror(errno);
}

namespace fileio {

bool closeFile(int fd)
{
    return _close(fd) == 0;
}

void removeFile(const std::string& path)
{
    DeleteFileW(wideFromUtf8(path).c_str());
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error)
{
    if (MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = lastError();
    return false;
}

void forgetTempFile(int slot)
{
    liveTempFiles.release(slot);
}

} // namespace fileio

void removeTempFilesOnSignal()
{
    for (int sig : {SIGINT, SIGTERM, SIGBREAK}) std::signal(sig, removeTempFilesAndExit);
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    FILE* f = _wfopen(wideFromUtf8(path).c_str(), L"rb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
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
        const size_t chunk = std::min<size_t>(bytes.size() - done, 1u << 30);
        const int n = _write(file.descriptor(), bytes.data() + done, static_cast<unsigned>(chunk));
        if (n < 0) {
            error = path + ": " + std::strerror(errno);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return file.commit(error);
}

namespace {
// Volume and file index name a file whatever path leads to it.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE h =
        CreateFileW(wideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}
} // namespace

bool sameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return fileIdentity(a, ia) && fileIdentity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesW(wideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace vosk
