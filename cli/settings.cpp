// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings.h"

#include "tagnames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vosk {
namespace {

std::string lower(std::string s)
{
    for (auto& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

size_t editDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// True when every character of `part` appears in `whole` in order.
bool isSubsequence(const std::string& part, const std::string& whole)
{
    size_t at = 0;
    for (char c : whole)
        if (at < part.size() && part[at] == c) ++at;
    return at == part.size();
}

std::string formatNormalized(double v)
{
    char text[32];
    snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// Entries are chosen by their text: lists and two-state switches.
bool isChoice(const ParameterDescription& d)
{
    return d.stepCount >= 1 && d.stepCount <= 1024 &&
           ((d.flags & Steinberg::Vst::ParameterInfo::kIsList) || d.stepCount == 1);
}

std::vector<std::string> entries(const HostedPlugin& plugin, const ParameterDescription& d)
{
    std::vector<std::string> out;
    for (int32_t step = 0; step <= d.stepCount; ++step)
        out.push_back(plugin.textOf(d.id, static_cast<double>(step) / d.stepCount));
    return out;
}

// A display text as a number ("-oo" is minus infinity), and half a step of
// its last digit, so that "6.0" also covers what rounds to it.
bool shownNumber(const std::string& text, double& value, double& halfStep)
{
    if (text == "-oo") {
        value = -HUGE_VAL;
        halfStep = 0;
        return true;
    }
    if (!parseNumber(text, value)) return false;
    const auto dot = text.find('.');
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
    halfStep = 0.5 * std::pow(10.0, -decimals);
    return true;
}

struct Range
{
    double low = 0, high = 0, tolerance[2] = {0, 0};
};

bool shownRange(const HostedPlugin& plugin, const ParameterDescription& d, Range& range)
{
    double a, b, ta, tb;
    if (!shownNumber(plugin.textOf(d.id, 0.0), a, ta) || !shownNumber(plugin.textOf(d.id, 1.0), b, tb))
        return false;
    range = a <= b ? Range{a, b, {ta, tb}} : Range{b, a, {tb, ta}};
    return true;
}

// A number, then optionally a k multiplier (hertz only) and the unit, with
// spaces allowed before them.
bool numberWithUnit(const std::string& text, const std::string& units, double& value)
{
    size_t end = text.size();
    while (end > 0 && isalpha(static_cast<unsigned char>(text[end - 1]))) --end;
    std::string suffix = lower(text.substr(end));
    while (end > 0 && text[end - 1] == ' ') --end;
    double multiplier = 1;
    const std::string unit = lower(units);
    if (!unit.empty() && suffix.size() >= unit.size() &&
        suffix.compare(suffix.size() - unit.size(), unit.size(), unit) == 0)
        suffix.resize(suffix.size() - unit.size());
    if (suffix == "k" && unit == "hz") {
        multiplier = 1000;
        suffix.clear();
    }
    if (!suffix.empty() || !parseNumber(text.substr(0, end), value)) return false;
    value *= multiplier;
    return true;
}

std::string numberText(double v)
{
    char text[32];
    snprintf(text, sizeof text, "%.9g", v);
    return text;
}

} // namespace

std::string acceptedValues(const HostedPlugin& plugin, const ParameterDescription& d)
{
    if (isChoice(d)) {
        std::string out;
        for (const auto& e : entries(plugin, d)) out += (out.empty() ? "" : ", ") + e;
        return out;
    }
    std::string out = plugin.textOf(d.id, 0.0) + " to " + plugin.textOf(d.id, 1.0);
    return d.units.empty() ? out : out + " " + d.units;
}

bool valueFromText(const HostedPlugin& plugin, const ParameterDescription& d, const std::string& text,
                   double& normalized, std::string& error)
{
    if (isChoice(d)) {
        const auto shown = entries(plugin, d);
        for (size_t i = 0; i < shown.size(); ++i) {
            // Two-state switches also take 0 and 1.
            if (lower(text) == lower(shown[i]) || (d.stepCount == 1 && text == std::to_string(i))) {
                normalized = static_cast<double>(i) / d.stepCount;
                return true;
            }
        }
        error = "\"" + text + "\" is not one of " + acceptedValues(plugin, d);
        return false;
    }
    Range range;
    const bool ranged = shownRange(plugin, d, range);
    double v = 0;
    if (ranged && range.low == -HUGE_VAL && (lower(text) == "-oo" || lower(text) == "-inf")) {
        v = -HUGE_VAL;
    } else if (!numberWithUnit(text, d.units, v)) {
        error = "cannot read \"" + text + "\" as a value of " + d.title + ", which takes " +
                acceptedValues(plugin, d);
        if (d.units == "Hz") error += " (e.g. 1000, 1k or 1.5kHz)";
        return false;
    }
    if (ranged && (v < range.low - range.tolerance[0] || v > range.high + range.tolerance[1])) {
        error = numberText(v) + (d.units.empty() ? "" : " " + d.units) + " is outside the range of " +
                d.title + ", " + acceptedValues(plugin, d);
        return false;
    }
    if (v == -HUGE_VAL) {
        normalized = 0;
        return true;
    }
    if (!plugin.normalizedFromText(d.id, numberText(v), normalized)) {
        error = "the plug-in does not take " + numberText(v) + " for " + d.title;
        return false;
    }
    return true;
}

bool splitAssignment(const std::string& text, std::string& key, std::string& value)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    key = text.substr(0, eq);
    value = text.substr(eq + 1);
    return true;
}

bool applyInOrder(HostedPlugin& plugin, const std::vector<ResolvedSetting>& settings, std::string& error)
{
    constexpr int32_t kBlock = 64;
    if (!plugin.start(48000, kBlock, 2, error)) return false;
    float silence[2][kBlock] = {};
    float output[2][kBlock];
    const float* in[2] = {silence[0], silence[1]};
    float* out[2] = {output[0], output[1]};
    for (const auto& s : settings) {
        plugin.setParameter(s.id, s.normalized);
        plugin.process(in, out, kBlock);
    }
    plugin.stop();
    return true;
}

bool parseNumber(const std::string& text, double& value)
{
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') ++first;
    double v = 0;
    auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

bool parseInteger(const std::string& text, long long& value)
{
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') ++first;
    long long v = 0;
    auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last) return false;
    value = v;
    return true;
}

const ParameterDescription* findParameterByName(const HostedPlugin& plugin, const std::string& name)
{
    if (auto* d = plugin.findParameter(name)) return d;
    for (const auto& tag : tagNames())
        if (name == tag.name) return plugin.findParameter(tag.id);
    // Any letter case, when only one parameter answers to it.
    const std::string wanted = lower(name);
    const ParameterDescription* found = nullptr;
    auto consider = [&](const ParameterDescription* d) {
        if (!d || d == found) return true;
        if (found) return false;
        found = d;
        return true;
    };
    for (const auto& d : plugin.parameters())
        if (lower(d.title) == wanted && !consider(&d)) return nullptr;
    for (const auto& tag : tagNames())
        if (lower(tag.name) == wanted && !consider(plugin.findParameter(tag.id))) return nullptr;
    return found;
}

std::vector<std::string> closeMatches(const HostedPlugin& plugin, const std::string& name)
{
    const std::string wanted = lower(name);
    std::vector<std::pair<size_t, std::string>> scored;
    auto score = [&](const std::string& candidate) {
        const std::string c = lower(candidate);
        size_t d = editDistance(wanted, c);
        const bool contains =
            !wanted.empty() && (c.find(wanted) != std::string::npos ||
                                (wanted.size() >= 3 && wanted.find(c) != std::string::npos));
        if (contains) d = std::min<size_t>(d, 1);
        // Abbreviations and spelled-out names: "Freq1L" inside "Frequency1L".
        const bool abbreviation =
            std::min(c.size(), wanted.size()) >= 4 && (isSubsequence(c, wanted) || isSubsequence(wanted, c));
        if (abbreviation) d = std::min<size_t>(d, 2);
        if (d <= std::max<size_t>(2, wanted.size() / 3)) scored.emplace_back(d, candidate);
    };
    for (const auto& p : plugin.parameters()) score(p.title);
    for (const auto& tag : tagNames())
        if (plugin.findParameter(tag.id)) score(tag.name);
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (const auto& s : scored) {
        if (std::find(out.begin(), out.end(), s.second) == out.end()) out.push_back(s.second);
        if (out.size() == 5) break;
    }
    return out;
}

bool resolveSettings(const HostedPlugin& plugin, const std::vector<SettingRequest>& requests,
                     std::vector<ResolvedSetting>& resolved, std::string& error)
{
    resolved.clear();
    for (const auto& request : requests) {
        const ParameterDescription* d = nullptr;
        long long numericId = 0;
        if (request.normalized && parseInteger(request.key, numericId)) {
            if (numericId >= 0 && numericId <= 0xFFFFFFFFll)
                d = plugin.findParameter(static_cast<uint32_t>(numericId));
            if (!d) {
                error = "no parameter has the identifier " + request.key;
                return false;
            }
        } else {
            d = findParameterByName(plugin, request.key);
        }
        if (!d) {
            error = "unknown parameter \"" + request.key + "\"";
            const auto matches = closeMatches(plugin, request.key);
            if (!matches.empty()) {
                error += "; did you mean ";
                for (size_t i = 0; i < matches.size(); ++i)
                    error += (i ? (i + 1 == matches.size() ? " or " : ", ") : "") + matches[i];
                error += "?";
            } else {
                error += " (vosk info lists them all)";
            }
            return false;
        }
        if (d->flags & Steinberg::Vst::ParameterInfo::kIsReadOnly) {
            error = "parameter " + d->title + " is read-only";
            return false;
        }
        double v = 0;
        if (request.normalized) {
            if (!parseNumber(request.value, v) || v < 0.0 || v > 1.0) {
                error = "--set-norm " + request.key + ": \"" + request.value +
                        "\" is not a normalised value between 0 and 1";
                return false;
            }
        } else if (!valueFromText(plugin, *d, request.value, v, error)) {
            error = "--set " + request.key + ": " + error;
            return false;
        }
        ResolvedSetting r;
        r.id = d->id;
        r.normalized = v;
        r.description = d->title;
        if (request.key != d->title) r.description = request.key + " (" + d->title + ")";
        r.description += " = " + plugin.textOf(d->id, v);
        if (!d->units.empty()) r.description += " " + d->units;
        r.description += " [" + formatNormalized(v) + "]";
        resolved.push_back(r);
    }
    return true;
}

} // namespace vosk
