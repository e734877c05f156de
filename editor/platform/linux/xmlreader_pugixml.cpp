// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The XML reader of the Linux build.
#include "editor/xmltree.h"

#include <pugixml.hpp>

namespace vosk::ui {

namespace {

XmlElement convert(const pugi::xml_node& node)
{
    XmlElement element;
    element.name = node.name();
    for (const pugi::xml_attribute& a : node.attributes())
        element.attributes.emplace_back(a.name(), a.value());
    for (const pugi::xml_node& c : node.children())
        if (c.type() == pugi::node_element) element.children.push_back(convert(c));
    return element;
}

} // namespace

std::optional<XmlElement> readXml(const std::string& xml, std::string& error)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size());
    if (!result) {
        error = std::string("the description is not well-formed XML: ") + result.description() +
                " at offset " + std::to_string(result.offset);
        return std::nullopt;
    }
    const pugi::xml_node root = doc.document_element();
    if (!root) {
        error = "the description is not well-formed XML: no element";
        return std::nullopt;
    }
    return convert(root);
}

} // namespace vosk::ui
