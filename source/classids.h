// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The class identifiers of the two classes the module offers. Hosts store them
// in their projects: never change them.
#pragma once

#include "pluginterfaces/base/funknown.h"

#include <cstdint>

namespace vosk {

struct ClassId
{
    uint32_t l1, l2, l3, l4;

    // COM byte order on every platform, so a project saved on one system finds
    // the same classes on another: l1 little-endian, the two halves of l2 each
    // little-endian, l3 and l4 big-endian.
    void toTUID(Steinberg::TUID out) const
    {
        const uint8_t bytes[16] = {
            uint8_t(l1),       uint8_t(l1 >> 8),  uint8_t(l1 >> 16), uint8_t(l1 >> 24),
            uint8_t(l2 >> 16), uint8_t(l2 >> 24), uint8_t(l2),       uint8_t(l2 >> 8),
            uint8_t(l3 >> 24), uint8_t(l3 >> 16), uint8_t(l3 >> 8),  uint8_t(l3),
            uint8_t(l4 >> 24), uint8_t(l4 >> 16), uint8_t(l4 >> 8),  uint8_t(l4),
        };
        for (int i = 0; i < 16; ++i) out[i] = static_cast<Steinberg::char8>(bytes[i]);
    }

    Steinberg::FUID toFUID() const
    {
        Steinberg::TUID tuid;
        toTUID(tuid);
        return Steinberg::FUID::fromTUID(tuid);
    }
};

constexpr ClassId kProcessorClassId{0x2720948C, 0xF7614968, 0x9E4C5243, 0x5E111CA4};
constexpr ClassId kControllerClassId{0xB55ED66E, 0x2D354B1A, 0x817DF106, 0x65616D20};

} // namespace vosk
