// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Steps shared by the subcommands.
#include "commands.h"

#include "editorhost/curvepanelhost.h"
#include "hosting/fileio.h"
#include "platform.h"

#include <algorithm>
#include <cctype>
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

int checkPngName(const std::string& path)
{
    if (path == "-") return 0;
    const auto dot = path.find_last_of("./");
    std::string extension = dot == std::string::npos ? "" : path.substr(dot);
    for (auto& c : extension) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (extension != ".png") return failUsage("--png writes a PNG picture; give a name ending in .png");
    return 0;
}

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
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

void Progress::update(long long done)
{
    if (!on) return;
    const int percent = static_cast<int>(100 * std::min(done, total) / total);
    if (percent == last) return;
    last = percent;
    const int width = 40, filled = percent * width / 100;
    fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", width - filled,
            "", percent);
    fflush(stderr);
}

void Progress::finish()
{
    if (on && last >= 0) fprintf(stderr, "\r%*s\r", 50, "");
    last = -1;
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
