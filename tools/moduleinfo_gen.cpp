// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the module description, moduleinfo.json, from the facts the factory
// reports (source/moduleclasses.h), so that hosts can list the classes without
// loading the module, and know which identifiers the classes replace. Run at
// build time for the bundle of every platform: the file is the same on each.
//
// Usage: vosk_moduleinfo_gen <module name> <output file>
#include "source/moduleclasses.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace vosk;

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Hosts split the sub-categories where the factory's text has a "|".
std::string subCategoryList(const std::string& text)
{
    std::vector<std::string> items;
    for (size_t from = 0; from < text.size();) {
        const size_t bar = std::min(text.find('|', from), text.size());
        items.push_back(quoted(text.substr(from, bar - from)));
        from = bar + 1;
    }
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
    return out + "]";
}

const char* boolean(bool on)
{
    return on ? "true" : "false";
}

std::string description(const std::string& moduleName)
{
    using Steinberg::PFactoryInfo;
    const ModuleClass classes[] = {kProcessorClass, kControllerClass};
    std::string out = "{\n";
    out += "  \"Name\": " + quoted(moduleName) + ",\n";
    out += "  \"Version\": " + quoted(kVersion) + ",\n";
    out += "  \"Factory Info\": {\n";
    out += "    \"Vendor\": " + quoted(kVendorName) + ",\n";
    out += "    \"URL\": " + quoted(kVendorUrl) + ",\n";
    out += "    \"E-Mail\": " + quoted(kVendorEmail) + ",\n";
    out += "    \"Flags\": {\n";
    out += std::string("      \"Unicode\": ") + boolean(kFactoryFlags & PFactoryInfo::kUnicode) + ",\n";
    out += std::string("      \"Classes Discardable\": ") +
           boolean(kFactoryFlags & PFactoryInfo::kClassesDiscardable) + ",\n";
    out += std::string("      \"Component Non Discardable\": ") +
           boolean(kFactoryFlags & PFactoryInfo::kComponentNonDiscardable) + "\n";
    out += "    }\n";
    out += "  },\n";
    // Earlier Linux modules laid out the identifiers in the COM order, under which
    // hosts there stored them; these are the same classes.
    out += "  \"Compatibility\": [\n";
    for (size_t i = 0; i < std::size(classes); ++i) {
        out += "    {\n";
        out += "      \"New\": " + quoted(classes[i].id.text()) + ",\n";
        out += "      \"Old\": [" + quoted(classes[i].id.earlierLinuxText()) + "]\n";
        out += i + 1 < std::size(classes) ? "    },\n" : "    }\n";
    }
    out += "  ],\n";
    out += "  \"Classes\": [\n";
    for (size_t i = 0; i < std::size(classes); ++i) {
        const ModuleClass& c = classes[i];
        out += "    {\n";
        out += "      \"CID\": " + quoted(c.id.text()) + ",\n";
        out += "      \"Category\": " + quoted(c.category) + ",\n";
        out += "      \"Name\": " + quoted(c.name) + ",\n";
        out += "      \"Vendor\": " + quoted(kVendorName) + ",\n";
        out += "      \"Version\": " + quoted(kVersion) + ",\n";
        out += "      \"SDKVersion\": " + quoted(kSdkVersion) + ",\n";
        out += "      \"Sub Categories\": " + subCategoryList(c.subCategories) + ",\n";
        out += "      \"Class Flags\": " + std::to_string(c.flags) + ",\n";
        out += "      \"Cardinality\": " + std::to_string(Steinberg::PClassInfo::kManyInstances) + "\n";
        out += i + 1 < std::size(classes) ? "    },\n" : "    }\n";
    }
    out += "  ]\n";
    return out + "}\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vosk_moduleinfo_gen MODULE_NAME OUTPUT\n");
        return 2;
    }
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << description(argv[1]);
    file.close();
    if (!file) {
        std::fprintf(stderr, "vosk_moduleinfo_gen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
