// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/json.h"

#include <cstdlib>
#include <cstring>

namespace vosk::test {

const Json& Json::operator[](const std::string& key) const
{
    static const Json none;
    for (const auto& [name, value] : members)
        if (name == key) return value;
    return none;
}

namespace {

class Reader
{
public:
    explicit Reader(const std::string& text) : s_(text) {}

    bool document(Json& out)
    {
        if (!value(out, 0)) return false;
        space();
        return at_ == s_.size();
    }

private:
    static constexpr int kMaxDepth = 64;

    void space()
    {
        while (at_ < s_.size() && std::strchr(" \t\r\n", s_[at_])) ++at_;
    }
    bool take(char c)
    {
        space();
        if (at_ >= s_.size() || s_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool word(const char* w)
    {
        const size_t n = std::strlen(w);
        if (s_.compare(at_, n, w) != 0) return false;
        at_ += n;
        return true;
    }

    // ASCII escapes only: what the build writes.
    bool string(std::string& out)
    {
        if (!take('"')) return false;
        for (; at_ < s_.size(); ++at_) {
            char c = s_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c == '\\') {
                if (++at_ >= s_.size()) return false;
                const char* escapes = "\"\"\\\\//b\bf\fn\nr\rt\t";
                const char* e = std::strchr(escapes, s_[at_]);
                if (!e || (e - escapes) % 2 != 0) return false;
                c = e[1];
            }
            out += c;
        }
        return false;
    }

    bool value(Json& out, int depth)
    {
        if (depth > kMaxDepth) return false;
        space();
        if (at_ >= s_.size()) return false;
        const char c = s_[at_];
        if (c == '{') {
            ++at_;
            out.type = Json::Type::Object;
            if (take('}')) return true;
            do {
                std::string key;
                Json member;
                if (!string(key) || !take(':') || !value(member, depth + 1)) return false;
                for (const auto& m : out.members)
                    if (m.first == key) return false;
                out.members.emplace_back(std::move(key), std::move(member));
            } while (take(','));
            return take('}');
        }
        if (c == '[') {
            ++at_;
            out.type = Json::Type::Array;
            if (take(']')) return true;
            do {
                out.items.emplace_back();
                if (!value(out.items.back(), depth + 1)) return false;
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            out.type = Json::Type::String;
            return string(out.text);
        }
        if (word("true") || word("false")) {
            out.type = Json::Type::Boolean;
            out.boolean = c == 't';
            return true;
        }
        if (word("null")) return true;
        const char* begin = s_.c_str() + at_;
        char* end = nullptr;
        out.number = std::strtod(begin, &end);
        if (end == begin) return false;
        out.type = Json::Type::Number;
        at_ += static_cast<size_t>(end - begin);
        return true;
    }

    const std::string& s_;
    size_t at_ = 0;
};

} // namespace

std::optional<Json> Json::parse(const std::string& document)
{
    Json out;
    if (!Reader(document).document(out)) return std::nullopt;
    return out;
}

} // namespace vosk::test
