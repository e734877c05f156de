// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "moduleresources.h"

#include "common/utf.h"

#include <windows.h>

namespace vosk::ui {

std::optional<std::vector<uint8_t>> ModuleResources::read(Kind kind, const std::string& name) const
{
    if (!module_ || name.empty()) return std::nullopt;
    const auto module = static_cast<HMODULE>(module_);
    const std::wstring wideName = wideFromUtf8(name);
    HRSRC found = FindResourceW(module, wideName.c_str(), kind == Kind::Description ? L"DATA" : L"PNG");
    if (!found) return std::nullopt;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes) return std::nullopt;
    return std::vector<uint8_t>(bytes, bytes + size);
}

} // namespace vosk::ui
