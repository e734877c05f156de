// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vosk {

struct TagName
{
    const char* name;
    uint32_t id;
};

const std::vector<TagName>& tagNames();
// The tag of `id`, or the number when it has none.
std::string tagName(uint32_t id);

} // namespace vosk
