// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "statestream.h"

#include <vector>

namespace vosk {

using Steinberg::int32;

namespace {

// Reads until `count` bytes have come or a read delivers none or fails (the end of
// the stream). Answers the bytes delivered, or -1 when a read claims a count that
// cannot be true: the bytes in the buffer are then not what the stream says.
int32 readUpTo(Steinberg::IBStream& stream, uint8_t* into, int32 count)
{
    int32 total = 0;
    while (total < count) {
        int32 delivered = 0;
        const Steinberg::tresult result = stream.read(into + total, count - total, &delivered);
        if (delivered < 0 || delivered > count - total) return -1;
        total += delivered;
        if (result != Steinberg::kResultOk || delivered == 0) break;
    }
    return total;
}

} // namespace

bool readState(Steinberg::IBStream& stream, ProcessorState& state)
{
    constexpr int32 kHead = static_cast<int32>(kStateHeadSize);
    constexpr int32 kHeader = static_cast<int32>(kSettingsHeaderSize);
    std::vector<uint8_t> bytes(kStateHeadSize + kSettingsHeaderSize);
    if (readUpTo(stream, bytes.data(), kHead) != kHead) return false;

    const int32 header = readUpTo(stream, bytes.data() + kHead, kHeader);
    if (header == 0) return decodeState(bytes.data(), kStateHeadSize, state); // an older state, head only
    if (header != kHeader) return false;

    const size_t payloadSize = settingsPayloadSize(bytes.data() + kHead);
    if (payloadSize == 0) return false;
    bytes.resize(bytes.size() + payloadSize);
    const int32 payload = static_cast<int32>(payloadSize);
    if (readUpTo(stream, bytes.data() + kHead + kHeader, payload) != payload) return false;
    return decodeState(bytes.data(), bytes.size(), state);
}

} // namespace vosk
