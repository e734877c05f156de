// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Windows module entry: the process attach records the instance handle (the
// editor loads its resources through it) and the module folder.
#if defined(_WIN32)
#include "common/utf.h"
#include "source/platform/module.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(instance, path, MAX_PATH);
        path[MAX_PATH - 1] = L'\0'; // a truncated name is not terminated on older systems
        vosk::platform::setModule(instance, vosk::platform::folderOf(vosk::utf8FromWide(path), '\\'));
    }
    return TRUE;
}
#endif
