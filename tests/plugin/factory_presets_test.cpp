// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The factory presets as the build wrote them: each one loads in the module,
// gives the values its definition sets, saves back to the same bytes, and its
// response keeps the promises of its definition.
#include "cli/presetdefinitions.h"
#include "hosting/fileio.h"
#include "hosting/hostedplugin.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

namespace {

std::vector<vosk::PresetDefinition> definitions()
{
    std::vector<vosk::PresetDefinition> presets;
    std::string error;
    if (!vosk::readPresetDefinitions(VOSK_PRESET_DEFINITIONS, presets, error)) ADD_FAILURE() << error;
    return presets;
}

} // namespace

namespace vosk {
// Test names show the preset's name, not its bytes.
void PrintTo(const PresetDefinition& preset, std::ostream* os)
{
    *os << preset.name;
}
} // namespace vosk

namespace {

class FactoryPreset : public testing::TestWithParam<vosk::PresetDefinition>
{
};

TEST_P(FactoryPreset, LoadsRoundTripsAndKeepsItsPromises)
{
    const auto& preset = GetParam();
    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    std::vector<vosk::ResolvedSetting> wanted;
    ASSERT_TRUE(vosk::resolveSettings(*plugin, preset.settings, wanted, error)) << error;

    const std::string path = std::string(VOSK_PRESETS_DIR) + "/" + vosk::presetRelativePath(*plugin, preset);
    std::vector<uint8_t> file;
    ASSERT_TRUE(vosk::readWholeFile(path, file, error)) << error;
    ASSERT_TRUE(plugin->loadPreset(file, error)) << error;
    // The state holds single-precision values.
    for (const auto& s : wanted)
        EXPECT_NEAR(plugin->normalizedValue(s.id), s.normalized, 1e-6) << s.description;

    std::vector<uint8_t> saved;
    ASSERT_TRUE(plugin->savePreset(saved, error)) << error;
    EXPECT_EQ(saved, file) << "the preset does not save back to the same bytes";

    std::vector<double> frequencies;
    for (const auto& check : preset.checks) frequencies.push_back(check.frequency);
    ASSERT_FALSE(frequencies.empty()) << "a preset promises nothing";
    vosk::Response response;
    ASSERT_TRUE(vosk::measureResponse(*plugin, 48000, frequencies, response, error)) << error;
    for (const auto& check : preset.checks) {
        double measured = 0;
        EXPECT_TRUE(vosk::meets(response, check, measured))
            << check.text << ": measured " << measured << " dB";
    }
}

INSTANTIATE_TEST_SUITE_P(Definitions, FactoryPreset, testing::ValuesIn(definitions()),
                         [](const testing::TestParamInfo<vosk::PresetDefinition>& param) {
                             std::string name;
                             for (char c : param.param.name)
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

} // namespace
