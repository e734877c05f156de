// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The user-interface description: fonts, bitmaps, control tags and templates of
// views, read from the XML document. Knows nothing of any particular plug-in.
#pragma once

#include "canvas.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vosk::ui {

struct ViewDesc
{
    std::string cls;
    std::vector<std::pair<std::string, std::string>> attributes; // in document order
    const std::string* find(const std::string& name) const;
    std::string get(const std::string& name, const std::string& fallback = "") const;
};

struct TemplateDesc
{
    std::string name;
    ViewDesc container; // the template element's own attributes
    std::vector<ViewDesc> views;
};

struct FontDesc
{
    std::string family;
    double size = 12;
};

struct Document
{
    std::vector<std::pair<std::string, FontDesc>> fonts;
    std::vector<std::pair<std::string, std::string>> bitmaps; // name, path
    std::vector<std::pair<std::string, int>> controlTags;     // name, number
    std::vector<TemplateDesc> templates;

    const TemplateDesc* findTemplate(const std::string& name) const;
    const std::string* bitmapPath(const std::string& name) const;
    // A control-tag attribute names a tag of the document or is a number.
    std::optional<int> tagNumber(const std::string& nameOrNumber) const;
    // Built-in fonts ("~ SystemFont" ...) and the document's own.
    FontDesc font(const std::string& name) const;
};

// Parses the document; on failure returns nothing and says why in error.
std::optional<Document> parseDocument(const std::string& xml, std::string& error);

// A finite decimal number, always with a point whatever the process locale
// (hosts often run with the user's); leading blanks and a '+' are allowed.
// `end`, when given, receives the position after the number.
std::optional<double> parseNumber(std::string_view text, size_t* end = nullptr);
// "x, y" → point; nothing when malformed.
std::optional<Point> parsePoint(const std::string& text);
// "#rrggbbaa", "#rrggbb" or a built-in name like "~ WhiteCColor".
std::optional<Color> parseColor(const std::string& text);

} // namespace vosk::ui
