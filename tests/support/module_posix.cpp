// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux part of the test host: where a bundle's library lies, looking it up
// and opening it by hand with dlopen and ModuleEntry; the standard error stream
// captured through its descriptor.
#include "tests/support/plugin_host.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vosk::test {

std::string libraryPathInBundle(const std::string& bundlePath)
{
#if defined(__x86_64__)
    const char* arch = "x86_64-linux";
#elif defined(__aarch64__)
    const char* arch = "aarch64-linux";
#else
#error "unknown architecture folder"
#endif
    std::string name = bundlePath;
    while (!name.empty() && name.back() == '/') name.pop_back();
    std::string stem = name.substr(name.rfind('/') + 1);
    const auto dot = stem.rfind(".vst3");
    if (dot != std::string::npos) stem.erase(dot);
    return name + "/Contents/" + arch + "/" + stem + ".so";
}

void* mappedLibrary(const std::string& libraryPath)
{
    // The lookup takes a reference of its own, given back at once: the loader keeps it mapped.
    void* handle = dlopen(libraryPath.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle;
}

void* symbolIn(void* library, const char* name)
{
    return dlsym(library, name);
}

LibraryByHand::LibraryByHand(const std::string& bundlePath)
{
    handle_ = dlopen(libraryPathInBundle(bundlePath).c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle_) return;
    using EntryFn = bool (*)(void*);
    if (auto entry = reinterpret_cast<EntryFn>(symbolIn(handle_, "ModuleEntry"))) entered_ = entry(handle_);
}

LibraryByHand::~LibraryByHand()
{
    if (!handle_) return;
    using ExitFn = bool (*)();
    if (entered_)
        if (auto exitFn = reinterpret_cast<ExitFn>(symbolIn(handle_, "ModuleExit"))) exitFn();
    dlclose(handle_);
}

StderrCapture::StderrCapture()
{
    char name[] = "/tmp/vosk-stderr-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return;
    path_ = name;
    std::fflush(stderr);
    savedFd_ = dup(STDERR_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
}

StderrCapture::~StderrCapture()
{
    if (savedFd_ >= 0) {
        std::fflush(stderr);
        dup2(savedFd_, STDERR_FILENO);
        close(savedFd_);
    }
    if (!path_.empty()) std::remove(path_.c_str());
}

std::string StderrCapture::text()
{
    std::fflush(stderr);
    std::ifstream file(path_, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace vosk::test
