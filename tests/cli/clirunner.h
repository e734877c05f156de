// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built `vosk` command in a scratch folder and captures its output.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

namespace vosk::test {

struct RunResult
{
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }
    // Names of everything in the folder, or in a folder made in it, sorted.
    std::vector<std::string> entries(const std::string& folder = "") const;

private:
    std::string dir;
};

RunResult runVosk(const std::vector<std::string>& args, const ScratchDir& scratch);

struct Audio
{
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples; // interleaved
    long long frames() const { return channels ? static_cast<long long>(samples.size()) / channels : 0; }
    float at(long long frame, int channel) const
    {
        return samples[static_cast<size_t>(frame * channels + channel)];
    }
};

bool writeAudio(const std::string& path, const Audio& audio);
bool readAudio(const std::string& path, Audio& audio);
bool fileExists(const std::string& path);
std::string readText(const std::string& path);

} // namespace vosk::test
