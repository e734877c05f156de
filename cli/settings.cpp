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

} // namespace

bool splitAssignment(const std::string& text, std::string& key, std::string& value)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    key = text.substr(0, eq);
    value = text.substr(eq + 1);
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
        } else if (!plugin.normalizedFromText(d->id, request.value, v)) {
            error =
                "--set " + request.key + ": cannot read \"" + request.value + "\" as a value of " + d->title;
            if (!d->units.empty()) error += " (in " + d->units + ")";
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
