// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows part of the test host: where a bundle's library lies, looking it
// up and opening it by hand with LoadLibrary and InitDll; the standard error
// stream captured through its descriptor.
#include "tests/support/plugin_host.h"

#include "common/utf.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vosk::test {

std::string libraryPathInBundle(const std::string& bundlePath)
{
    std::string name = bundlePath;
    while (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
    const std::string stem = name.substr(name.find_last_of("/\\") + 1);
    return name + "\\Contents\\x86_64-win\\" + stem;
}

void* mappedLibrary(const std::string& libraryPath)
{
    return GetModuleHandleW(wideFromUtf8(libraryPath).c_str());
}

void* symbolIn(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

LibraryByHand::LibraryByHand(const std::string& bundlePath)
{
    handle_ = LoadLibraryW(wideFromUtf8(libraryPathInBundle(bundlePath)).c_str());
    if (!handle_) return;
    using EntryFn = bool(PLUGIN_API*)();
    if (auto entry = reinterpret_cast<EntryFn>(symbolIn(handle_, "InitDll"))) entered_ = entry();
}

LibraryByHand::~LibraryByHand()
{
    if (!handle_) return;
    using ExitFn = bool(PLUGIN_API*)();
    if (entered_)
        if (auto exitFn = reinterpret_cast<ExitFn>(symbolIn(handle_, "ExitDll"))) exitFn();
    FreeLibrary(static_cast<HMODULE>(handle_));
}

StderrCapture::StderrCapture()
{
    std::error_code ec;
    const auto folder = std::filesystem::temp_directory_path(ec);
    if (ec) return;
    const auto file = folder / ("vosk-stderr-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount64()) + ".txt");
    const int fd = _wopen(file.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return;
    path_ = file.u8string();
    std::fflush(stderr);
    savedFd_ = _dup(_fileno(stderr));
    _dup2(fd, _fileno(stderr));
    _close(fd);
}

StderrCapture::~StderrCapture()
{
    if (savedFd_ >= 0) {
        std::fflush(stderr);
        _dup2(savedFd_, _fileno(stderr));
        _close(savedFd_);
    }
    if (!path_.empty()) DeleteFileW(wideFromUtf8(path_).c_str());
}

std::string StderrCapture::text()
{
    std::fflush(stderr);
    std::ifstream file(std::filesystem::u8path(path_), std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace vosk::test
