// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An XML document as the description loader needs it: elements with their
// attributes in document order and their child elements; text is dropped.
// Each platform reads it with an XML parser of its own (pugixml on Linux,
// XmlLite on Windows), so everything above sees the same tree.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vosk::ui {

struct XmlElement
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElement> children;

    // The value of the attribute, null when absent.
    const std::string* attribute(const std::string& attributeName) const;
    // The first child element of that name, null when none.
    const XmlElement* child(const std::string& childName) const;
};

// Reads a whole document into its root element; nothing when the text is not
// well-formed XML, with the reason in `error`.
std::optional<XmlElement> readXml(const std::string& xml, std::string& error);

} // namespace vosk::ui
