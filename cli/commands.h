// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands of `vosk` and the options they share.
#pragma once

#include "settings.h"

#include <string>
#include <vector>

namespace vosk {

constexpr long long kDefaultBlock = 512;
constexpr int kDefaultResponseRate = 48000;
constexpr int kDefaultGenerateRate = 44100;
constexpr int kDefaultSeconds = 20;

struct CommandLine
{
    std::string command;
    std::vector<std::string> positional;
    std::string plugin; // empty: VOSK.vst3 beside the executable
    std::vector<SettingRequest> settings;
    std::string preset;
    std::string savePreset;
    long long block = kDefaultBlock;
    bool compensate = true;
    bool tail = false; // render: also the filter's decay after the input's end
    std::string listen; // render: what a listening tool plays instead (listen.h)
    bool json = false;
    double rate = kDefaultResponseRate;
    double seconds = kDefaultSeconds;
    std::string png;
    std::string csv;
    std::string play;   // edit: a file to process at its own pace
    std::string format; // --format: the output's format, otherwise its extension's
    std::string bits;   // --bits: the output's sample type
    bool dither = true;
    bool quiet = false;
    std::string mode = "lr"; // match: left/right or mid/side
    double amount = 100;     // match: how much of the correction, in percent
    bool curve = false; // snapshot, edit: with the curve panel open
    std::string outDir; // render: every input into this folder
    int jobs = 0;       // render --out-dir, analyze: files at once; 0: one per core
};

// Each returns the process exit status and reports its own errors.
int runInfo(const CommandLine& cmd);
int runRender(const CommandLine& cmd);
int runResponse(const CommandLine& cmd);
int runGenerate(const CommandLine& cmd);
int runEdit(const CommandLine& cmd);
int runSnapshot(const CommandLine& cmd);
int runAnalyze(const CommandLine& cmd);
int runMatch(const CommandLine& cmd);

// Shared steps.
// --plugin, or the first VOSK.vst3 beside the command, in $VST3_PATH, ~/.vst3,
// /usr/local/lib/vst3 or /usr/lib/vst3.
std::string pluginPath(const CommandLine& cmd);
int fail(const std::string& message); // prints "vosk: error: ..." and returns 1

// What a command reports about its work: on standard output, or on standard
// error while standard output carries data, or nowhere with -q.
void setNotes(bool quiet, bool standardOutputCarriesData);
void note(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "vosk: warning: ..." on standard error, unless -q.
void warn(const char* format, ...) __attribute__((format(printf, 1, 2)));
int failUsage(const std::string& message); // as fail(), for a wrong command line: returns 2

// 0 when `path` ends in .png or is -, else reports it and returns 2.
int checkPngName(const std::string& path);

// `s` as a JSON string, quotes included.
std::string jsonString(const std::string& s);

// A progress bar on standard error, for long work on a terminal. finish()
// clears it; the next update() draws it again.
class Progress
{
public:
    Progress(bool enabled, long long frames) : on(enabled && frames > 0), total(frames) {}
    void update(long long done);
    void finish();

private:
    bool on;
    long long total;
    int last = -1;
};

// Loads the plug-in, then the preset (if any), then checks and applies the
// settings; with --curve the editor's curve panel shows. Null after printing
// the error.
std::unique_ptr<HostedPlugin> preparePlugin(const CommandLine& cmd, bool quiet);

} // namespace vosk
