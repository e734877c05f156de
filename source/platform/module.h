// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// What the module knows about itself once the host has loaded it. The platform
// entry files record it; everything else only reads it.
#pragma once

#include <string>

namespace vosk::platform {

// The library handle the host loaded us with (dlopen handle, HINSTANCE), or null.
void* moduleHandle();

// The folder of the library file, ending in its separator ('/' or '\\'), UTF-8.
// Empty before the module entry ran.
const std::string& moduleFolder();

// Used by the platform entry files.
void setModule(void* handle, std::string folder);
void clearModule();

// The folder part of a file name: everything up to and including the last separator.
std::string folderOf(const std::string& fileName, char separator);

} // namespace vosk::platform
