// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "uidesc.h"

#include "xmltree.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vosk::ui {

const std::string* ViewDesc::find(const std::string& name) const
{
    for (const auto& [k, v] : attributes)
        if (k == name) return &v;
    return nullptr;
}

std::string ViewDesc::get(const std::string& name, const std::string& fallback) const
{
    const std::string* v = find(name);
    return v ? *v : fallback;
}

const TemplateDesc* Document::findTemplate(const std::string& name) const
{
    for (const auto& t : templates)
        if (t.name == name) return &t;
    return nullptr;
}

const std::string* Document::bitmapPath(const std::string& name) const
{
    for (const auto& [n, p] : bitmaps)
        if (n == name) return &p;
    return nullptr;
}

std::optional<int> Document::tagNumber(const std::string& nameOrNumber) const
{
    for (const auto& [n, t] : controlTags)
        if (n == nameOrNumber) return t;
    if (nameOrNumber.empty()) return std::nullopt;
    char* end = nullptr;
    long v = std::strtol(nameOrNumber.c_str(), &end, 10);
    if (*end != 0 || v < 0 || v > INT32_MAX) return std::nullopt;
    return static_cast<int>(v);
}

FontDesc Document::font(const std::string& name) const
{
    for (const auto& [n, f] : fonts)
        if (n == name) return f;
    static const std::pair<const char*, double> builtIn[] = {
        {"~ SystemFont", 12},         {"~ NormalFontVeryBig", 18}, {"~ NormalFontBig", 16},
        {"~ NormalFont", 14},         {"~ NormalFontSmall", 12},   {"~ NormalFontSmaller", 11},
        {"~ NormalFontVerySmall", 9}, {"~ SymbolFont", 12}};
    for (const auto& [n, size] : builtIn)
        if (name == n) return {"sans-serif", size};
    return {"sans-serif", 12};
}

std::optional<double> parseNumber(std::string_view text, size_t* end)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double value = 0;
    const char* first = text.data() + i;
    const auto [last, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    if (end) *end = static_cast<size_t>(last - text.data());
    return value;
}

std::optional<Point> parsePoint(const std::string& text)
{
    size_t end = 0;
    const auto x = parseNumber(text, &end);
    if (!x) return std::nullopt;
    while (end < text.size() && text[end] == ' ') ++end;
    if (end >= text.size() || text[end] != ',') return std::nullopt;
    const auto y = parseNumber(std::string_view(text).substr(end + 1));
    if (!y) return std::nullopt;
    return Point{*x, *y};
}

std::optional<Color> parseColor(const std::string& text)
{
    static const std::pair<const char*, Color> named[] = {
        {"~ WhiteCColor", {1, 1, 1, 1}},
        {"~ BlackCColor", {0, 0, 0, 1}},
        {"~ RedCColor", {1, 0, 0, 1}},
        {"~ GreenCColor", {0, 1, 0, 1}},
        {"~ BlueCColor", {0, 0, 1, 1}},
        {"~ YellowCColor", {1, 1, 0, 1}},
        {"~ CyanCColor", {0, 1, 1, 1}},
        {"~ MagentaCColor", {1, 0, 1, 1}},
        {"~ GreyCColor", {127 / 255.0, 127 / 255.0, 127 / 255.0, 1}},
        {"~ LtGreyCColor", {184 / 255.0, 184 / 255.0, 184 / 255.0, 1}},
        {"~ TransparentCColor", {0, 0, 0, 0}}};
    for (const auto& [n, c] : named)
        if (text == n) return c;
    if (text.size() != 7 && text.size() != 9) return std::nullopt;
    if (text[0] != '#') return std::nullopt;
    for (size_t i = 1; i < text.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    auto byte = [&](size_t at) { return std::strtol(text.substr(at, 2).c_str(), nullptr, 16) / 255.0; };
    return Color{byte(1), byte(3), byte(5), text.size() == 9 ? byte(7) : 1.0};
}

const std::string* XmlElement::attribute(const std::string& attributeName) const
{
    for (const auto& [k, v] : attributes)
        if (k == attributeName) return &v;
    return nullptr;
}

const XmlElement* XmlElement::child(const std::string& childName) const
{
    for (const XmlElement& c : children)
        if (c.name == childName) return &c;
    return nullptr;
}

namespace {

ViewDesc readAttributes(const XmlElement& element, const char* skip)
{
    ViewDesc d;
    for (const auto& [name, value] : element.attributes) {
        if (name == "class") d.cls = value;
        if (skip && name == skip) continue;
        d.attributes.emplace_back(name, value);
    }
    return d;
}

std::string attributeOf(const XmlElement& element, const std::string& name)
{
    const std::string* value = element.attribute(name);
    return value ? *value : std::string();
}

// The children called childName of the first child called listName.
std::vector<const XmlElement*> listed(const XmlElement& root, const std::string& listName,
                                      const std::string& childName)
{
    std::vector<const XmlElement*> out;
    if (const XmlElement* list = root.child(listName))
        for (const XmlElement& c : list->children)
            if (c.name == childName) out.push_back(&c);
    return out;
}

} // namespace

std::optional<Document> parseDocument(const std::string& xml, std::string& error)
{
    const std::optional<XmlElement> root = readXml(xml, error);
    if (!root) return std::nullopt;
    if (root->name != "vstgui-ui-description") {
        error = "the description has no vstgui-ui-description element";
        return std::nullopt;
    }
    Document out;
    for (const XmlElement* f : listed(*root, "fonts", "font"))
        out.fonts.push_back(
            {attributeOf(*f, "name"),
             {attributeOf(*f, "font-name"), parseNumber(attributeOf(*f, "size")).value_or(12)}});
    for (const XmlElement* b : listed(*root, "bitmaps", "bitmap"))
        out.bitmaps.emplace_back(attributeOf(*b, "name"), attributeOf(*b, "path"));
    for (const XmlElement* t : listed(*root, "control-tags", "control-tag")) {
        const std::string tagText = attributeOf(*t, "tag");
        char* end = nullptr;
        long number = std::strtol(tagText.c_str(), &end, 10);
        if (end == tagText.c_str() || *end != 0) {
            error = "control tag " + attributeOf(*t, "name") + " has no number";
            return std::nullopt;
        }
        out.controlTags.emplace_back(attributeOf(*t, "name"), static_cast<int>(number));
    }
    for (const XmlElement& t : root->children) {
        if (t.name != "template") continue;
        TemplateDesc td;
        td.name = attributeOf(t, "name");
        td.container = readAttributes(t, "name");
        for (const XmlElement& v : t.children)
            if (v.name == "view") td.views.push_back(readAttributes(v, nullptr));
        out.templates.push_back(std::move(td));
    }
    return out;
}

} // namespace vosk::ui
