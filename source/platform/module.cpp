// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "source/platform/module.h"

#include <utility>

namespace vosk::platform {

namespace {
void* gHandle = nullptr;
std::string& folderStorage()
{
    static std::string folder;
    return folder;
}
} // namespace

void* moduleHandle()
{
    return gHandle;
}

const std::string& moduleFolder()
{
    return folderStorage();
}

void setModule(void* handle, std::string folder)
{
    gHandle = handle;
    folderStorage() = std::move(folder);
}

void clearModule()
{
    gHandle = nullptr;
    folderStorage().clear();
}

std::string folderOf(const std::string& fileName, char separator)
{
    const auto cut = fileName.rfind(separator);
    return cut == std::string::npos ? std::string() : fileName.substr(0, cut + 1);
}

} // namespace vosk::platform
