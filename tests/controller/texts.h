// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers for the parameter tests: ASCII <-> String128.
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <clocale>
#include <string>

namespace vosk::test {

inline std::string narrow(const Steinberg::Vst::TChar* text)
{
    std::string out;
    for (; *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

// The SDK's 16-bit characters: char16_t, or wchar_t on Windows.
inline std::basic_string<Steinberg::Vst::TChar> wide(const std::string& text)
{
    return {text.begin(), text.end()};
}

// Switches the process to a German locale, which writes a decimal comma; false
// when the system has none (scripts/install-deps generates it on Linux).
inline bool setCommaLocale()
{
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252"})
        if (std::setlocale(LC_ALL, name)) return true;
    return false;
}

} // namespace vosk::test
