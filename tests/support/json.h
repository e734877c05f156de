// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// A JSON document read strictly (no comments, no trailing commas, no repeated
// keys): what the tests need to read the files the build writes for hosts.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vosk::test {

struct Json
{
    enum class Type { Null, Boolean, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;                          // of an array
    std::vector<std::pair<std::string, Json>> members; // of an object, in order

    // A member's value; null when there is none (or this is no object).
    const Json& operator[](const std::string& key) const;

    static std::optional<Json> parse(const std::string& document);
};

} // namespace vosk::test
