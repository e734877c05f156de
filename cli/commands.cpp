// Steps shared by the subcommands.
#include "commands.h"

#include "platform.h"

#include <cstdarg>
#include <cstdio>

namespace vosk {

int fail(const std::string& message)
{
    fprintf(stderr, "vosk: error: %s\n", message.c_str());
    return 1;
}

int failUsage(const std::string& message)
{
    fail(message);
    return 2;
}

namespace {
FILE* noteStream = stdout;
bool quietRun = false;
} // namespace

void setNotes(bool quiet, bool standardOutputCarriesData)
{
    quietRun = quiet;
    noteStream = quiet ? nullptr : (standardOutputCarriesData ? stderr : stdout);
}

void note(const char* format, ...)
{
    if (!noteStream) return;
    va_list args;
    va_start(args, format);
    vfprintf(noteStream, format, args);
    va_end(args);
}

void warn(const char* format, ...)
{
    if (quietRun) return;
    fputs("vosk: warning: ", stderr);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
}

std::string pluginPath(const CommandLine& cmd)
{
    return cmd.plugin.empty() ? executableDirectory() + "/VOSK.vst3" : cmd.plugin;
}

std::unique_ptr<HostedPlugin> preparePlugin(const CommandLine& cmd, bool quiet)
{
    const std::string path = pluginPath(cmd);
    std::string error;
    auto plugin = HostedPlugin::load(path, error);
    if (!plugin) {
        fail(path + ": " + error);
        return nullptr;
    }
    if (!cmd.preset.empty() && !plugin->loadPresetFile(cmd.preset, error)) {
        fail(error);
        return nullptr;
    }
    std::vector<ResolvedSetting> resolved;
    if (!resolveSettings(*plugin, cmd.settings, resolved, error)) {
        fail(error);
        return nullptr;
    }
    for (const auto& s : resolved) {
        plugin->setParameter(s.id, s.normalized);
        if (!quiet) note("set %s\n", s.description.c_str());
    }
    return plugin;
}

} // namespace vosk
