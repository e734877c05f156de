// The subcommands of `vosk` and the options they share.
#pragma once

#include "settings.h"

#include <string>
#include <vector>

namespace vosk {

struct CommandLine
{
    std::string command;
    std::vector<std::string> positional;
    std::string plugin; // empty: VOSK.vst3 beside the executable
    std::vector<SettingRequest> settings;
    std::string preset;
    std::string savePreset;
    long long block = 512;
    bool compensate = true;
    bool json = false;
    double rate = 48000;
    double seconds = 20;
    std::string png;
    std::string csv;
    std::string play; // edit: a file to process at its own pace
};

// Each returns the process exit status and reports its own errors.
int runInfo(const CommandLine& cmd);
int runRender(const CommandLine& cmd);
int runResponse(const CommandLine& cmd);
int runGenerate(const CommandLine& cmd);
int runEdit(const CommandLine& cmd);
int runSnapshot(const CommandLine& cmd);

// Shared steps.
std::string pluginPath(const CommandLine& cmd);
int fail(const std::string& message); // prints "vosk: error: ..." and returns 1

// Loads the plug-in, then the preset (if any), then checks and applies the
// settings. Null after printing the error.
std::unique_ptr<HostedPlugin> preparePlugin(const CommandLine& cmd, bool quiet);

} // namespace vosk
