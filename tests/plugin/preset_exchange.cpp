// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Loads a preset into a built bundle as a host loads one (the class in its
// header must be the plug-in's), renders the corpus's fixed signal through it,
// writes the samples and saves the plug-in's preset again. Built for each
// platform: the Windows tests hand the presets one platform's module writes to
// the other's. "-" for the preset to load plays the defaults.
//
// Usage: plugin_preset_exchange <bundle> <preset to load> <samples out> <preset out>
#include "corpus.h"

#include "hosting/fileio.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s BUNDLE PRESET|- SAMPLES_OUT PRESET_OUT\n", argv[0]);
        return 2;
    }
    std::string error;
    auto plugin = vosk::HostedPlugin::load(argv[1], error);
    std::vector<float> samples;
    if (!plugin || (std::string(argv[2]) != "-" && !plugin->loadPresetFile(argv[2], error)) ||
        !vosk::corpus::render(*plugin, samples, error) ||
        !vosk::writeFileAtomically(argv[3], vosk::corpus::bytesOf(samples), error) ||
        !plugin->savePresetFile(argv[4], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
