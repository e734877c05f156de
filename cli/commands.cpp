// Steps shared by the subcommands.
#include "commands.h"

#include "editor/curvepanelhost.h"
#include "hosting/fileio.h"
#include "platform.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

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

// Beside the command first, then where VST 3 hosts on Linux look.
std::vector<std::string> pluginPlaces()
{
    std::vector<std::string> places = {executableDirectory()};
    if (const char* list = getenv("VST3_PATH")) {
        const std::string paths = list;
        for (size_t start = 0, end; start <= paths.size(); start = end + 1) {
            end = paths.find(':', start);
            if (end == std::string::npos) end = paths.size();
            if (end > start) places.push_back(paths.substr(start, end - start));
        }
    }
    if (const char* home = getenv("HOME")) places.push_back(std::string(home) + "/.vst3");
    places.insert(places.end(), {"/usr/local/lib/vst3", "/usr/lib/vst3"});
    return places;
}

std::string pluginPath(const CommandLine& cmd)
{
    if (!cmd.plugin.empty()) return cmd.plugin;
    const auto places = pluginPlaces();
    for (const auto& place : places)
        if (isFolder(place + "/VOSK.vst3")) return place + "/VOSK.vst3";
    return places.front() + "/VOSK.vst3";
}

std::unique_ptr<HostedPlugin> preparePlugin(const CommandLine& cmd, bool quiet)
{
    const std::string path = pluginPath(cmd);
    std::string error;
    auto plugin = HostedPlugin::load(path, error);
    if (!plugin) {
        if (cmd.plugin.empty() && !isFolder(path)) {
            std::string searched;
            for (const auto& place : pluginPlaces()) searched += (searched.empty() ? "" : ", ") + place;
            fail("no VOSK.vst3 in " + searched + "; name the bundle with --plugin PATH");
        } else {
            fail(path + ": " + error);
        }
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
    if (cmd.curve) {
        // The panel's state is the controller's; a view opens as it says.
        Steinberg::FUnknownPtr<ICurvePanelHost> panel(plugin->controller());
        if (!panel) {
            fail("the plug-in has no curve panel");
            return nullptr;
        }
        panel->setCurvePanelOpen(true);
    }
    return plugin;
}

} // namespace vosk
