// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "corpus.h"

#include "common/numbers.h"
#include "hosting/fileio.h"
#include "source/parameterids.h"
#include "source/parametertable.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace vosk::corpus {

namespace {

constexpr double kRate = 48000;
constexpr int32_t kBlock = 512;
// The kernel spans 8192 samples around the 12288-sample delay: from here on
// every output sample is filtered input only.
constexpr int64_t kSettled = 16384;
constexpr int64_t kRecordedFrames = 1024;

// A linear congruential generator: the same noise from every compiler and library.
struct Noise
{
    uint32_t state;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
};

} // namespace

bool readIndex(const std::string& path, std::vector<Entry>& entries, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, error)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> words;
        std::string word;
        bool quoted = false, any = false;
        for (char c : line) {
            if (c == '#' && !quoted) break;
            if (c == '"') {
                quoted = !quoted;
                any = true;
            } else if ((c == ' ' || c == '\t') && !quoted) {
                if (any) words.push_back(word);
                word.clear();
                any = false;
            } else {
                word += c;
                any = true;
            }
        }
        if (any) words.push_back(word);
        if (words.empty()) continue;
        entries.push_back({words.front(), std::vector<std::string>(words.begin() + 1, words.end())});
    }
    return true;
}

bool load(HostedPlugin& plugin, const std::string& path, std::string& error)
{
    if (path.size() > 10 && path.compare(path.size() - 10, 10, ".vstpreset") == 0)
        return plugin.loadPresetFile(path, error);
    std::vector<uint8_t> state;
    return readWholeFile(path, state, error) && plugin.setComponentState(state, error);
}

Values parameterValues(const HostedPlugin& plugin)
{
    Values values;
    for (const auto& p : plugin.parameters()) values.emplace_back(p.id, plugin.normalizedValue(p.id));
    return values;
}

std::string formatValues(const Values& values)
{
    std::string text;
    char line[64];
    for (const auto& [id, value] : values) {
        std::snprintf(line, sizeof line, "%u %.17g\n", id, value);
        text += line;
    }
    return text;
}

bool parseValues(const std::string& text, Values& values)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    uint32_t id;
    double value;
    while (in >> id >> value) values.emplace_back(id, value);
    return in.eof() && !values.empty();
}

std::string renderFile(const std::string& entryPath, int32_t fftSize)
{
    return fftSize == kRenderedFftSizes[0] ? entryPath + ".f32"
                                           : entryPath + "." + std::to_string(fftSize) + ".f32";
}

bool render(HostedPlugin& plugin, std::vector<float>& frames, std::string& error, int32_t fftSize)
{
    std::vector<float> in[2], out[2];
    for (auto* c : {&in[0], &in[1], &out[0], &out[1]}) c->assign(kBlock, 0.0f);
    const float* inputs[2] = {in[0].data(), in[1].data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
    if (fftSize != kRenderedFftSizes[0]) {
        plugin.setParameter(kFftSizeMenu, listValueOfFftSize(fftSize));
        if (!plugin.start(kRate, kBlock, 2, error)) return false;
        plugin.process(inputs, outputs, kBlock);
        plugin.stop();
    }
    // Settled as long after the start as at the default length, scaled.
    const int64_t settled = kSettled * fftSize / kRenderedFftSizes[0];
    if (!plugin.start(kRate, kBlock, 2, error)) return false;
    Noise left{2024u}, right{77u};
    frames.clear();
    for (int64_t start = 0; start < settled + kRecordedFrames; start += kBlock) {
        for (int32_t i = 0; i < kBlock; ++i) {
            const double t = static_cast<double>(start + i) / kRate;
            in[0][i] = 0.25f * static_cast<float>(std::sin(2.0 * kPi * 997.0 * t)) + 0.2f * left.next();
            in[1][i] = 0.1f * static_cast<float>(std::sin(2.0 * kPi * 61.0 * t)) + 0.2f * right.next();
        }
        plugin.process(inputs, outputs, kBlock);
        for (int32_t i = 0; i < kBlock; ++i) {
            if (start + i < settled) continue;
            frames.push_back(out[0][i]);
            frames.push_back(out[1][i]);
        }
    }
    plugin.stop();
    return true;
}

std::vector<uint8_t> bytesOf(const std::vector<float>& samples)
{
    std::vector<uint8_t> bytes;
    for (float s : samples) {
        uint32_t bits;
        std::memcpy(&bits, &s, 4);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    return bytes;
}

bool samplesOf(const std::vector<uint8_t>& bytes, std::vector<float>& samples)
{
    if (bytes.size() % 4 != 0) return false;
    samples.clear();
    for (size_t at = 0; at < bytes.size(); at += 4) {
        const uint32_t bits = uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 |
                              uint32_t{bytes[at + 2]} << 16 | uint32_t{bytes[at + 3]} << 24;
        float s;
        std::memcpy(&s, &bits, 4);
        samples.push_back(s);
    }
    return true;
}

} // namespace vosk::corpus
