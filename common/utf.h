// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between UTF-8 (our strings) and UTF-16 (the VST 3 strings and the
// wide strings of Windows). A surrogate pair makes one code point; a lone
// surrogate and a malformed UTF-8 sequence pass as they are decoded, without error.
#pragma once

#include <string>
#include <string_view>

namespace vosk {

// One code point as UTF-8.
std::string utf8Encode(char32_t c);
std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view text);

#if defined(_WIN32)
// Windows' wide characters are UTF-16 code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
inline std::string utf8FromWide(std::wstring_view text)
{
    return utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
inline std::wstring wideFromUtf8(std::string_view text)
{
    const std::u16string wide = utf8ToUtf16(text);
    return std::wstring(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}
#endif

} // namespace vosk
