// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk info: what the factory, the processor and the controller report.
#include "commands.h"
#include "settings.h"
#include "tagnames.h"

#include <cstdio>
#include <string>

namespace vosk {
namespace {

// Shortest text that reads back as the same double.
std::string number(double v)
{
    char buf[32];
    for (int precision = 1; precision <= 17; ++precision) {
        snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::stod(buf) == v) break;
    }
    return buf;
}

std::string flagNames(int32_t flags)
{
    using Steinberg::Vst::ParameterInfo;
    std::string out;
    auto add = [&](int32_t bit, const char* name) {
        if (flags & bit) out += (out.empty() ? "" : "|") + std::string(name);
    };
    add(ParameterInfo::kCanAutomate, "automate");
    add(ParameterInfo::kIsReadOnly, "read-only");
    add(ParameterInfo::kIsWrapAround, "wrap");
    add(ParameterInfo::kIsList, "list");
    add(ParameterInfo::kIsProgramChange, "program");
    add(ParameterInfo::kIsBypass, "bypass");
    return out.empty() ? "-" : out;
}

void printJson(const HostedPlugin& plugin, const std::string& path)
{
    const auto& f = plugin.factory();
    printf("{\n  \"plugin\": %s,\n", jsonString(path).c_str());
    printf("  \"factory\": {\"vendor\": %s, \"url\": %s, \"email\": %s, \"flags\": %d},\n",
           jsonString(f.vendor).c_str(), jsonString(f.url).c_str(), jsonString(f.email).c_str(), f.flags);
    printf("  \"classes\": [\n");
    for (size_t i = 0; i < f.classes.size(); ++i) {
        const auto& c = f.classes[i];
        printf("    {\"cid\": %s, \"category\": %s, \"name\": %s, \"vendor\": %s, \"version\": %s, "
               "\"sdkVersion\": %s, \"subCategories\": %s, \"flags\": %u, \"cardinality\": %d}%s\n",
               jsonString(c.classId).c_str(), jsonString(c.category).c_str(), jsonString(c.name).c_str(),
               jsonString(c.vendor).c_str(), jsonString(c.version).c_str(), jsonString(c.sdkVersion).c_str(),
               jsonString(c.subCategories).c_str(), c.flags, c.cardinality,
               i + 1 < f.classes.size() ? "," : "");
    }
    printf("  ],\n  \"processor\": %s,\n  \"controller\": %s,\n",
           jsonString(plugin.processorClassId()).c_str(), jsonString(plugin.controllerClassId()).c_str());
    const auto buses = plugin.buses();
    printf("  \"buses\": [\n");
    for (size_t i = 0; i < buses.size(); ++i) {
        const auto& b = buses[i];
        printf("    {\"name\": %s, \"media\": \"%s\", \"direction\": \"%s\", \"channels\": %d, \"type\": "
               "\"%s\", "
               "\"flags\": %u}%s\n",
               jsonString(b.name).c_str(), b.audio ? "audio" : "event", b.input ? "input" : "output",
               b.channelCount, b.main ? "main" : "aux", b.flags, i + 1 < buses.size() ? "," : "");
    }
    printf("  ],\n  \"latencySamples\": %u,\n  \"tailSamples\": %u,\n", plugin.latencySamples(),
           plugin.tailSamples());
    const auto& params = plugin.parameters();
    printf("  \"parameters\": [\n");
    for (size_t i = 0; i < params.size(); ++i) {
        const auto& p = params[i];
        const double current = plugin.normalizedValue(p.id);
        printf("    {\"id\": %u, \"title\": %s, \"shortTitle\": %s, \"units\": %s, \"stepCount\": %d, "
               "\"default\": %s, \"unitId\": %d, \"flags\": %d, \"value\": %s, \"textAtDefault\": %s, "
               "\"textAtValue\": %s, \"accepts\": %s}%s\n",
               p.id, jsonString(p.title).c_str(), jsonString(p.shortTitle).c_str(),
               jsonString(p.units).c_str(), p.stepCount, number(p.defaultNormalized).c_str(), p.unitId,
               p.flags, number(current).c_str(), jsonString(plugin.textOf(p.id, p.defaultNormalized)).c_str(),
               jsonString(plugin.textOf(p.id, current)).c_str(),
               jsonString(acceptedValues(plugin, p)).c_str(), i + 1 < params.size() ? "," : "");
    }
    printf("  ]\n}\n");
}

void printText(const HostedPlugin& plugin, const std::string& path)
{
    const auto& f = plugin.factory();
    printf("plug-in    %s\n", path.c_str());
    printf("factory    %s  %s  %s  (flags %d)\n", f.vendor.c_str(), f.url.c_str(), f.email.c_str(), f.flags);
    for (const auto& c : f.classes) {
        printf("class      %s  %s\n", c.classId.c_str(), c.name.c_str());
        printf(
            "           category \"%s\", subcategories \"%s\", vendor \"%s\", version %s, SDK %s, flags %u, "
            "cardinality %d\n",
            c.category.c_str(), c.subCategories.c_str(), c.vendor.c_str(), c.version.c_str(),
            c.sdkVersion.c_str(), c.flags, c.cardinality);
    }
    printf("controller %s\n", plugin.controllerClassId().c_str());
    for (const auto& b : plugin.buses())
        printf("bus        %-6s %-6s \"%s\", %d channel%s, %s, flags %u\n", b.audio ? "audio" : "event",
               b.input ? "input" : "output", b.name.c_str(), b.channelCount, b.channelCount == 1 ? "" : "s",
               b.main ? "main" : "aux", b.flags);
    printf("latency    %u samples\ntail       %u samples\n", plugin.latencySamples(), plugin.tailSamples());
    const auto& params = plugin.parameters();
    printf("parameters %zu\n", params.size());
    // What --set takes, as the controller shows it: range or entries, the
    // text at the default and the current value.
    printf("  %4s  %-16s %-14s %-24s %-9s %-9s %s\n", "id", "title", "tag", "takes", "default", "value",
           "flags");
    for (const auto& p : params) {
        printf("  %4u  %-16s %-14s %-24s %-9s %-9s %s\n", p.id, p.title.c_str(), tagName(p.id).c_str(),
               acceptedValues(plugin, p).c_str(), plugin.textOf(p.id, p.defaultNormalized).c_str(),
               plugin.textOf(p.id, plugin.normalizedValue(p.id)).c_str(), flagNames(p.flags).c_str());
    }
}

} // namespace

int runInfo(const CommandLine& cmd)
{
    auto plugin = preparePlugin(cmd, true);
    if (!plugin) return 1;
    if (cmd.json)
        printJson(*plugin, pluginPath(cmd));
    else
        printText(*plugin, pluginPath(cmd));
    return 0;
}

} // namespace vosk
