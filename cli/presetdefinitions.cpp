// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "presetdefinitions.h"

#include "hosting/fileio.h"
#include "hosting/hostedplugin.h"

#include <cmath>
#include <sstream>

namespace vosk {

namespace {

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "side 40 Hz < -20 dB", "mid 1kHz ~ 0 dB"
bool parseCheck(const std::string& text, ResponseCheck& check)
{
    const auto op = text.find_first_of("<>~");
    if (op == std::string::npos) return false;
    std::istringstream head(text.substr(0, op));
    std::string frequency, unit;
    if (!(head >> check.curve >> frequency)) return false;
    head >> unit;
    std::string rest;
    if (head >> rest) return false;
    double scale = 1;
    for (std::string* t : {&frequency, &unit}) {
        if (t->size() >= 2 && t->compare(t->size() - 2, 2, "Hz") == 0) t->resize(t->size() - 2);
        if (!t->empty() && (t->back() == 'k')) {
            scale = 1000;
            t->pop_back();
        }
    }
    if (!unit.empty() || !parseNumber(frequency, check.frequency)) return false;
    check.frequency *= scale;
    check.relation = text[op];
    std::string level = trim(text.substr(op + 1));
    if (level.size() >= 2 && level.compare(level.size() - 2, 2, "dB") == 0)
        level = trim(level.substr(0, level.size() - 2));
    if (!parseNumber(level, check.levelDb)) return false;
    check.text = trim(text);
    return check.curve == "left" || check.curve == "right" || check.curve == "mid" || check.curve == "side";
}

} // namespace

bool readPresetDefinitions(const std::string& path, std::vector<PresetDefinition>& presets,
                           std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, error)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    presets.clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                error = where + "a preset name is written [Name]";
                return false;
            }
            presets.push_back({});
            presets.back().name = trim(line.substr(1, line.size() - 2));
            continue;
        }
        if (presets.empty()) {
            error = where + "a [Name] line must come first";
            return false;
        }
        PresetDefinition& preset = presets.back();
        if (line.compare(0, 7, "expect ") == 0) {
            ResponseCheck check;
            if (!parseCheck(line.substr(7), check)) {
                error = where + "an expectation reads: expect left|right|mid|side FREQ Hz <|>|~ LEVEL dB";
                return false;
            }
            preset.checks.push_back(check);
            continue;
        }
        std::string key, value;
        if (!splitAssignment(line, key, value)) {
            error = where + "expected TITLE = VALUE";
            return false;
        }
        key = trim(key);
        value = trim(value);
        if (key == "category")
            preset.category = value;
        else
            preset.settings.push_back({false, key, value});
    }
    for (const auto& preset : presets) {
        if (preset.category.empty() || preset.name.find_first_of("/\\:*?\"<>|") != std::string::npos ||
            preset.category.find_first_of("/\\:*?\"<>|") != std::string::npos) {
            error = path + ": [" + preset.name +
                    "] needs a category, and neither may hold a character "
                    "that a file name cannot";
            return false;
        }
    }
    return true;
}

std::string presetRelativePath(const HostedPlugin& plugin, const PresetDefinition& preset)
{
    std::string pluginName;
    for (const auto& c : plugin.factory().classes)
        if (c.classId == plugin.processorClassId()) pluginName = c.name;
    // Folder names hold no character that a file name cannot.
    auto folder = [](std::string name) {
        for (char& c : name)
            if (std::string("\\/*?:<>|\"").find(c) != std::string::npos) c = '_';
        return name;
    };
    return folder(plugin.factory().vendor) + "/" + folder(pluginName) + "/" + preset.category + "/" +
           preset.name + ".vstpreset";
}

bool meets(const Response& response, const ResponseCheck& check, double& measured)
{
    for (const auto& curve : response.curves) {
        if (curve.label != check.curve) continue;
        for (size_t i = 0; i < response.frequencies.size(); ++i) {
            if (response.frequencies[i] != check.frequency) continue;
            measured = curve.magnitudeDb[i];
            switch (check.relation) {
            case '<':
                return measured < check.levelDb;
            case '>':
                return measured > check.levelDb;
            default:
                return std::fabs(measured - check.levelDb) <= kNearToleranceDb;
            }
        }
    }
    measured = NAN;
    return false;
}

} // namespace vosk
