// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged presets never crash the loader: random mutations of the shipped
// preset either load cleanly or are refused with a reason.
#include "hosting/hostedplugin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace {

TEST(PresetMutation, EveryDamagedPresetLoadsOrIsRefusedWithAReason)
{
    std::ifstream file(VOSK_SOURCE_DIR "/resource/presets/GentleMaster.vstpreset", std::ios::binary);
    const std::vector<uint8_t> original{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GT(original.size(), 100u);
    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->loadPreset(original, error)) << error;

    std::mt19937 random(15); // fixed: a failure reproduces
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    // The chunk list's offset, its count and each entry's offset and size.
    const size_t listAt = original[40] | original[41] << 8 | original[42] << 16;
    std::vector<size_t> sizeFields = {40, listAt + 4};
    for (size_t entry = listAt + 8; entry + 20 <= original.size(); entry += 20)
        sizeFields.insert(sizeFields.end(), {entry + 4, entry + 12});

    int loaded = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> image = original;
        switch (round % 4) {
        case 0: // flipped bits anywhere
            for (int n = 1 + static_cast<int>(pick(4)); n > 0; --n) image[pick(image.size())] ^= 1 << pick(8);
            break;
        case 1: // cut short
            image.resize(pick(image.size()));
            break;
        case 2: { // an offset, count or size made huge or negative
            const size_t at = sizeFields[pick(sizeFields.size())];
            image[at + pick(at == listAt + 4 ? 4 : 8)] = static_cast<uint8_t>(0x80 | pick(256));
            break;
        }
        default: // random bytes over a stretch
            for (size_t at = pick(image.size()), n = 1 + pick(16); n > 0 && at < image.size(); --n, ++at)
                image[at] = static_cast<uint8_t>(pick(256));
        }
        error.clear();
        if (plugin->loadPreset(image, error)) {
            ++loaded;
        } else {
            ++refused;
            EXPECT_FALSE(error.empty()) << "round " << round;
        }
    }
    // Both outcomes occur, so the mutations reach past the header check (most damage
    // to the processor's state is refused by its own checks).
    EXPECT_GT(loaded, 20);
    EXPECT_GT(refused, 1000);
    printf("%d mutated presets: %d loaded, %d refused\n", loaded + refused, loaded, refused);
    // Still the same plug-in afterwards.
    EXPECT_TRUE(plugin->loadPreset(original, error)) << error;
}

} // namespace
