// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetfile.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

#include <cctype>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vosk {

bool writePreset(IComponent* component, IEditController* controller, const TUID processorClass,
                 std::vector<uint8_t>& image, std::string& error)
{
    const FUID classId = FUID::fromTUID(processorClass);
    MemoryStream stream;
    if (!PresetFile::savePreset(&stream, classId, component, controller)) {
        error = "the plug-in's state could not be saved";
        return false;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.getData());
    image.assign(bytes, bytes + stream.getSize());
    return true;
}

namespace {

uint64_t littleEndian(const std::vector<uint8_t>& bytes, size_t at, size_t size)
{
    uint64_t v = 0;
    for (size_t i = size; i-- > 0;) v = (v << 8) | bytes[at + i];
    return v;
}

// The SDK's reader trusts the offsets and sizes in the file. The layout: "VST3",
// a version, the class identifier (32 characters) and the chunk list's offset;
// the list is "List", a count and per chunk an identifier, offset and size.
bool checkLayout(const std::vector<uint8_t>& image, std::string& error)
{
    constexpr size_t kHeaderSize = 48, kListHead = 8, kEntrySize = 20;
    const uint64_t fileSize = image.size();
    if (fileSize < kHeaderSize || memcmp(image.data(), "VST3", 4) != 0) {
        error = "not a VST 3 preset";
        return false;
    }
    const uint64_t listAt = littleEndian(image, 40, 8);
    if (listAt < kHeaderSize || listAt > fileSize - kListHead || memcmp(&image[listAt], "List", 4) != 0) {
        error = "damaged preset: its chunk list lies outside the file";
        return false;
    }
    const uint64_t count = littleEndian(image, listAt + 4, 4);
    if (count > (fileSize - listAt - kListHead) / kEntrySize) {
        error = "damaged preset: its chunk list runs past the end of the file";
        return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
        const size_t entry = listAt + kListHead + i * kEntrySize;
        const uint64_t offset = littleEndian(image, entry + 4, 8), size = littleEndian(image, entry + 12, 8);
        if (offset > fileSize || size > fileSize - offset) {
            std::string id(reinterpret_cast<const char*>(&image[entry]), 4);
            for (auto& c : id)
                if (!isprint(static_cast<unsigned char>(c))) c = '?';
            error = "damaged preset: chunk \"" + id + "\" lies outside the file";
            return false;
        }
    }
    return true;
}

// The same bytes as the other platform reads their text: Windows reads the
// first three fields as little-endian numbers, the others read every byte in
// order.
FUID otherPlatformsReading(const TUID cid)
{
    constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    TUID reordered;
    for (int i = 0; i < 16; ++i) reordered[i] = cid[kOrder[i]];
    return FUID::fromTUID(reordered);
}

} // namespace

bool readPreset(const std::vector<uint8_t>& image, const TUID processorClass, IComponent* component,
                IEditController* controller, std::string& error)
{
    if (!checkLayout(image, error)) return false;
    std::vector<uint8_t> copy = image; // MemoryStream wants writable memory
    MemoryStream stream(copy.data(), static_cast<TSize>(copy.size()));
    PresetFile preset(&stream);
    if (!preset.readChunkList()) {
        error = "not a VST 3 preset";
        return false;
    }
    const FUID named = preset.getClassID();
    if (named != FUID::fromTUID(processorClass) && named != otherPlatformsReading(processorClass)) {
        char8 text[64] = {};
        named.toString(text);
        error = std::string("the preset belongs to another plug-in (class ") + text + ")";
        return false;
    }
    if (!preset.contains(kComponentState)) {
        error = "the preset holds no processor state";
        return false;
    }
    if (!preset.restoreComponentState(component)) {
        error = "the processor refused the preset's state";
        return false;
    }
    if (!preset.restoreComponentState(controller)) {
        error = "the controller refused the preset's processor state";
        return false;
    }
    if (preset.contains(kControllerState) && !preset.restoreControllerState(controller)) {
        error = "the controller refused the preset's controller state";
        return false;
    }
    return true;
}

} // namespace vosk
