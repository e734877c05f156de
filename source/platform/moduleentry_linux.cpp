// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Linux module entry: hosts call ModuleEntry right after dlopen and ModuleExit
// before dlclose.
#include "source/platform/exports.h"
#include "source/platform/module.h"

#include <dlfcn.h>

namespace {
// dladdr on an address inside this library gives the library's own file name.
std::string ownFileName()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownFileName), &info) == 0 || !info.dli_fname) return {};
    return info.dli_fname;
}
} // namespace

VOSK_EXPORT bool ModuleEntry(void* sharedLibraryHandle)
{
    vosk::platform::setModule(sharedLibraryHandle, vosk::platform::folderOf(ownFileName(), '/'));
    return true;
}

VOSK_EXPORT bool ModuleExit()
{
    vosk::platform::clearModule();
    return true;
}
