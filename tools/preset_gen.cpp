// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the factory presets: each definition is applied to the built plug-in
// as a host applies automation, and the plug-in's own state is saved as a
// .vstpreset below <out> as the VST 3 preset folders lay them out. Run at build time.
//
// The class has one text on every platform: the presets serve them all.
//
// Usage: vosk_preset_gen <bundle> <definitions> <out>
#include "cli/presetdefinitions.h"
#include "hosting/fileio.h"
#include "hosting/hostedplugin.h"

#include <cstdio>
#include <filesystem>

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "vosk_preset_gen: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) return fail("usage: vosk_preset_gen BUNDLE DEFINITIONS OUT");
    const std::string bundle = argv[1];
    const std::filesystem::path out = argv[3];
    std::string error;
    std::vector<vosk::PresetDefinition> presets;
    if (!vosk::readPresetDefinitions(argv[2], presets, error)) return fail(error);

    // A preset renamed or dropped must not linger from an earlier build.
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    for (const auto& preset : presets) {
        // Each preset starts from a fresh instance: whatever it does not set keeps its default.
        auto plugin = vosk::HostedPlugin::load(bundle, error);
        if (!plugin) return fail(bundle + ": " + error);
        std::vector<vosk::ResolvedSetting> resolved;
        if (!vosk::resolveSettings(*plugin, preset.settings, resolved, error))
            return fail("[" + preset.name + "] " + error);
        if (!vosk::applyInOrder(*plugin, resolved, error)) return fail(error);

        const auto path = out / vosk::presetRelativePath(*plugin, preset);
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) return fail(path.parent_path().string() + ": " + ec.message());
        std::vector<uint8_t> image;
        if (!plugin->savePreset(image, error) || !vosk::writeFileAtomically(path.string(), image, error))
            return fail(path.string() + ": " + error);
    }
    return 0;
}
