// Small helpers for the parameter tests: ASCII <-> String128.
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string>

namespace vosk::test {

inline std::string narrow(const Steinberg::Vst::TChar* text)
{
    std::string out;
    for (; *text; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

inline std::u16string wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

} // namespace vosk::test
