// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Records what tests/corpus/index.txt lists and the corpus lacks: the states,
// then for each entry the values it gives and its render. A file that exists is
// never written again: the corpus keeps what the module of its time produced.
//
// Usage: plugin_corpus_record <bundle> <corpus folder>
#include "corpus.h"

#include "cli/settings.h"
#include "hosting/fileio.h"
#include "source/statecodec.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "plugin_corpus_record: %s\n", message.c_str());
    return 1;
}

bool writeNew(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::printf("recorded %s\n", path.c_str());
    return vosk::writeFileAtomically(path, bytes, error);
}

// A state as a version without the settings block wrote it: "head-only
// inputGain=G bypass=B", through the state codec.
bool headOnlyState(const std::vector<std::string>& words, std::vector<uint8_t>& state)
{
    vosk::ProcessorState head;
    head.hasSettings = false;
    for (size_t i = 1; i < words.size(); ++i) {
        std::string key, value;
        double number = 0;
        if (!vosk::splitAssignment(words[i], key, value) || !vosk::parseNumber(value, number)) return false;
        if (key == "inputGain")
            head.inputGain = static_cast<float>(number);
        else if (key == "bypass")
            head.bypass = number != 0;
        else
            return false;
    }
    state = vosk::encodeState(head);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) return fail("usage: plugin_corpus_record BUNDLE CORPUS");
    const std::string bundle = argv[1], folder = argv[2];
    std::string error;
    std::vector<vosk::corpus::Entry> entries;
    if (!vosk::corpus::readIndex(folder + "/index.txt", entries, error)) return fail(error);
    for (const auto& entry : entries) {
        const std::string path = folder + "/" + entry.file;
        if (!std::filesystem::exists(path)) {
            if (entry.file.size() < 6 || entry.file.compare(entry.file.size() - 6, 6, ".state") != 0)
                return fail(path + " is missing; presets are copied in as the build wrote them");
            std::vector<uint8_t> state;
            if (!entry.words.empty() && entry.words.front() == "head-only") {
                if (!headOnlyState(entry.words, state))
                    return fail(entry.file + ": head-only inputGain=G bypass=B");
            } else {
                // A fresh instance, set as automation sets it, saved as a host saves a project.
                auto plugin = vosk::HostedPlugin::load(bundle, error);
                if (!plugin) return fail(error);
                std::vector<vosk::SettingRequest> requests;
                for (const auto& word : entry.words) {
                    vosk::SettingRequest request;
                    if (!vosk::splitAssignment(word, request.key, request.value))
                        return fail(entry.file + ": " + word + " is not TITLE=VALUE");
                    requests.push_back(request);
                }
                std::vector<vosk::ResolvedSetting> resolved;
                if (!vosk::resolveSettings(*plugin, requests, resolved, error) ||
                    !vosk::applyInOrder(*plugin, resolved, error))
                    return fail(entry.file + ": " + error);
                state = plugin->componentState();
            }
            if (!writeNew(path, state, error)) return fail(error);
        }
        const std::string values = path + ".values";
        if (!std::filesystem::exists(values)) {
            auto plugin = vosk::HostedPlugin::load(bundle, error);
            if (!plugin) return fail(error);
            if (!vosk::corpus::load(*plugin, path, error)) return fail(path + ": " + error);
            const std::string text = vosk::corpus::formatValues(vosk::corpus::parameterValues(*plugin));
            if (!writeNew(values, {text.begin(), text.end()}, error)) return fail(error);
        }
        for (int32_t fftSize : vosk::corpus::kRenderedFftSizes) {
            const std::string frames = vosk::corpus::renderFile(path, fftSize);
            if (std::filesystem::exists(frames)) continue;
            auto plugin = vosk::HostedPlugin::load(bundle, error);
            if (!plugin) return fail(error);
            if (!vosk::corpus::load(*plugin, path, error)) return fail(path + ": " + error);
            std::vector<float> rendered;
            if (!vosk::corpus::render(*plugin, rendered, error, fftSize)) return fail(error);
            if (!writeNew(frames, vosk::corpus::bytesOf(rendered), error)) return fail(error);
        }
    }
    return 0;
}
