// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The class identifiers of the two classes the module offers, each written once
// as its four words. Hosts store them in their projects: never change them.
#pragma once

#include "pluginterfaces/base/funknown.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace vosk {

struct ClassId
{
    uint32_t l1, l2, l3, l4;

    // The 16 bytes as the SDK lays out four words on this platform: COM order on
    // Windows, the words' own order elsewhere. The SDK's text of either is the
    // four words, so hosts and presets name the class alike everywhere.
    void toTUID(Steinberg::TUID out) const
    {
        const Steinberg::TUID bytes = INLINE_UID(l1, l2, l3, l4);
        std::memcpy(out, bytes, sizeof(Steinberg::TUID));
    }

    Steinberg::FUID toFUID() const
    {
        Steinberg::TUID tuid;
        toTUID(tuid);
        return Steinberg::FUID::fromTUID(tuid);
    }

    // The one text of the class: the four words in hexadecimal.
    std::string text() const { return hex({l1, l2, l3, l4}); }

    // The text earlier Linux modules were known by: they laid out the COM order
    // (l1 little-endian, the halves of l2 each little-endian, l3 and l4 as they
    // stand), which the SDK reads there byte by byte.
    std::string earlierLinuxText() const
    {
        const auto swapped = [](uint32_t v) {
            return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
        };
        const uint32_t halvesSwapped = ((l2 & 0xFF00FFu) << 8) | ((l2 >> 8) & 0xFF00FFu);
        return hex({swapped(l1), halvesSwapped, l3, l4});
    }

private:
    static std::string hex(const std::array<uint32_t, 4>& words)
    {
        char text[33];
        std::snprintf(text, sizeof(text), "%08X%08X%08X%08X", static_cast<unsigned>(words[0]),
                      static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]),
                      static_cast<unsigned>(words[3]));
        return text;
    }
};

constexpr ClassId kProcessorClassId{0x2720948C, 0xF7614968, 0x9E4C5243, 0x5E111CA4};
constexpr ClassId kControllerClassId{0xB55ED66E, 0x2D354B1A, 0x817DF106, 0x65616D20};

} // namespace vosk
