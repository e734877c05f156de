// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vosk::ui {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::optional<std::vector<uint8_t>> ResourceFolder::read(const std::string& name) const
{
    // Only plain names: a resource never reaches outside its folder.
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name == "." || name == "..")
        return std::nullopt;
    std::error_code ec;
    std::filesystem::path found;
    // Names are UTF-8; narrow paths would be read in the ANSI code page on Windows.
    const auto folder = std::filesystem::u8path(folder_);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().u8string();
        if (candidate == name) {
            found = it->path();
            break;
        }
        if (found.empty() && sameIgnoringCase(candidate, name)) found = it->path();
    }
    if (found.empty()) return std::nullopt;
    std::ifstream in(found, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vosk::ui
