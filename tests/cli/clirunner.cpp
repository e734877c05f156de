// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "clirunner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vosk::test {

ScratchDir::ScratchDir()
{
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vosk-cli-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data())) dir = name.data();
}

ScratchDir::~ScratchDir()
{
    if (dir.empty()) return;
    for (const auto& e : entries()) {
        // A folder a test made: its files, then itself.
        for (const auto& inner : entries(e)) unlink(file(e + "/" + inner).c_str());
        if (unlink(file(e).c_str()) != 0) rmdir(file(e).c_str());
    }
    rmdir(dir.c_str());
}

std::vector<std::string> ScratchDir::entries(const std::string& folder) const
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.empty() ? dir.c_str() : file(folder).c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

RunResult runVosk(const std::vector<std::string>& args, const ScratchDir& scratch)
{
    RunResult result;
    const std::string outFile = scratch.path() + "/../" + "vosk-out-" + std::to_string(getpid());
    const std::string errFile = outFile + ".err";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(scratch.path().c_str()) != 0) _exit(127);
        FILE* o = freopen(outFile.c_str(), "w", stdout);
        FILE* e = freopen(errFile.c_str(), "w", stderr);
        if (!o || !e) _exit(127);
        std::vector<char*> argv;
        std::string exe = VOSK_CLI_PATH;
        argv.push_back(exe.data());
        std::vector<std::string> copies = args;
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readText(outFile);
    result.err = readText(errFile);
    unlink(outFile.c_str());
    unlink(errFile.c_str());
    return result;
}

bool writeAudio(const std::string& path, const Audio& audio)
{
    SF_INFO info{};
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = audio.format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const bool ok = sf_writef_float(f, audio.samples.data(), audio.frames()) == audio.frames();
    return sf_close(f) == 0 && ok;
}

bool readAudio(const std::string& path, Audio& audio)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return false;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.assign(static_cast<size_t>(info.frames * info.channels), 0.0f);
    const bool ok = sf_readf_float(f, audio.samples.data(), info.frames) == info.frames;
    sf_close(f);
    return ok;
}

bool fileExists(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace vosk::test
