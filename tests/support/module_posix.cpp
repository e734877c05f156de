// Loading a bundle on Linux: dlopen and ModuleEntry, as hosts do; the
// standard error stream captured through its descriptor.
#include "plugin_host.h"

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

Module::Module(const std::string& bundlePath)
{
    const std::string path = libraryPathInBundle(bundlePath);
    handle_ = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle_) {
        const char* message = dlerror();
        error_ = "dlopen " + path + ": " + (message ? message : "failed");
        return;
    }
    using EntryFn = bool (*)(void*);
    auto entry = reinterpret_cast<EntryFn>(symbol("ModuleEntry"));
    if (!entry) {
        error_ = "no ModuleEntry in " + path;
        return;
    }
    entered_ = entry(handle_);
    if (!entered_) error_ = "ModuleEntry failed";
}

Module::~Module()
{
    if (!handle_) return;
    if (entered_) {
        using ExitFn = bool (*)();
        if (auto exitFn = reinterpret_cast<ExitFn>(symbol("ModuleExit"))) exitFn();
    }
    dlclose(handle_);
}

void* Module::symbol(const char* name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
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
