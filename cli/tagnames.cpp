// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's control-tag names, accepted by --set besides the titles the
// controller shows (the shape lists are titled "kShape1" ... "kShape8", which
// hides which band and channel each one drives).
#include "tagnames.h"

#include "source/parametertable.h"

namespace vosk {

const std::vector<TagName>& tagNames()
{
    static const std::vector<TagName> names = [] {
        std::vector<TagName> parameters;
        for (const ParameterEntry& entry : kParameters)
            if (isParameter(entry.id)) parameters.push_back({entry.tagName, entry.id});
        return parameters;
    }();
    return names;
}

std::string tagName(uint32_t id)
{
    for (const auto& t : tagNames())
        if (t.id == id) return t.name;
    return std::to_string(id);
}

} // namespace vosk
