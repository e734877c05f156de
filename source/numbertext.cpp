// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace vosk {

using Steinberg::Vst::String128;
using Steinberg::Vst::TChar;

namespace {

constexpr int kStringUnits = 128; // String128, terminating NUL included

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Saturating read of an exponent's digits.
long readExponent(const char* p, const char* end)
{
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    long exponent = 0;
    while (p < end && isDigit(*p)) {
        if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
        ++p;
    }
    return negative ? -exponent : exponent;
}

// For a number that does not fit a double: true when it is too large (rather than too
// small). Compares the position of its first significant digit with the exponent.
bool overflows(const char* p, const char* end, bool hex)
{
    auto digit = [hex](char c) { return hex ? isHexDigit(c) : isDigit(c); };
    const long digitWeight = hex ? 4 : 1; // a hex digit is four binary places
    while (p < end && *p == '0') ++p;
    long magnitude = 0;
    if (p < end && digit(*p)) {
        while (p < end && digit(*p)) magnitude += digitWeight, ++p;
        if (p < end && *p == '.') ++p;
        while (p < end && digit(*p)) ++p;
    } else {
        if (p < end && *p == '.') ++p;
        while (p < end && *p == '0') magnitude -= digitWeight, ++p;
        while (p < end && digit(*p)) ++p;
    }
    const char marker = hex ? 'p' : 'e';
    if (p < end && (*p == marker || *p == marker - 'a' + 'A')) magnitude += readExponent(p + 1, end);
    return magnitude > 0;
}

// Reads a number that starts exactly at p, as "%lf" does: optional sign, then a decimal
// or 0x-prefixed hexadecimal floating-point number, or an infinity or NaN.
bool readNumberAt(const char* p, const char* end, double& value)
{
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p == end) return false;

    const bool hex = end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
                     (isHexDigit(p[2]) || (p[2] == '.' && end - p > 3 && isHexDigit(p[3])));
    const char first = static_cast<char>(*p | 0x20); // lower case for letters
    if (!hex && !isDigit(*p) && *p != '.' && first != 'i' && first != 'n') return false;

    const char* digits = hex ? p + 2 : p;
    double result = 0;
    const auto parsed =
        std::from_chars(digits, end, result, hex ? std::chars_format::hex : std::chars_format::general);
    if (parsed.ec == std::errc::invalid_argument) return false;
    if (parsed.ec == std::errc::result_out_of_range) result = overflows(digits, end, hex) ? HUGE_VAL : 0.0;
    value = negative ? -result : result;
    return true;
}

} // namespace

void writeAscii(const char* ascii, String128 text)
{
    int i = 0;
    for (; i < kStringUnits - 1 && ascii[i] != 0; ++i) text[i] = static_cast<TChar>(ascii[i]);
    text[i] = 0;
}

void writeFixed(double value, int decimals, String128 text)
{
    // Room for the largest double in fixed notation with a few decimals.
    char buffer[400];
    const auto written =
        std::to_chars(buffer, buffer + sizeof(buffer) - 1, value, std::chars_format::fixed, decimals);
    if (written.ec != std::errc()) {
        text[0] = 0;
        return;
    }
    *written.ptr = 0;
    writeAscii(buffer, text);
}

bool readNumber(const TChar* text, double& value)
{
    if (!text) return false;
    std::string narrow;
    bool commaSeen = false;
    for (const TChar* p = text; *p != 0; ++p) {
        char c = *p < 0x80 ? static_cast<char>(*p) : '?'; // no number is made of non-ASCII units
        if (c == ',' && !commaSeen) {
            c = '.';
            commaSeen = true;
        }
        narrow.push_back(c);
    }

    const char* end = narrow.data() + narrow.size();
    for (const char* p = narrow.data(); p < end; ++p) {
        // Leading white space is skipped by the read that starts at the next position.
        if (isSpace(*p)) continue;
        double number = 0;
        if (readNumberAt(p, end, number)) {
            if (!std::isfinite(number)) return false;
            value = number;
            return true;
        }
    }
    return false;
}

} // namespace vosk
