// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "audioformat.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace vosk {
namespace {

struct Container
{
    const char* name;       // for --format
    const char* extensions; // space-separated, each with its dot
    int major;
    int onlySubtype; // lossy containers have one sample coding; 0 otherwise
};

const Container kContainers[] = {
    {"wav", ".wav", SF_FORMAT_WAV, 0},
    {"flac", ".flac", SF_FORMAT_FLAC, 0},
    {"aiff", ".aif .aiff", SF_FORMAT_AIFF, 0},
    {"w64", ".w64", SF_FORMAT_W64, 0},
    {"caf", ".caf", SF_FORMAT_CAF, 0},
    {"ogg", ".ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
    {"mp3", ".mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
};

std::string lower(std::string s)
{
    for (auto& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s;
}

const Container* byName(const std::string& name)
{
    for (const auto& c : kContainers)
        if (lower(name) == c.name) return &c;
    return nullptr;
}

const Container* byExtension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return nullptr;
    const std::string extension = lower(path.substr(dot));
    for (const auto& c : kContainers) {
        const std::string list = std::string(c.extensions) + " ";
        if (list.find(extension + " ") != std::string::npos) return &c;
    }
    return nullptr;
}

bool writable(int format)
{
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = format;
    return sf_format_check(&info) != 0;
}

int integerBits(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
        return 32;
    default:
        return 0;
    }
}

} // namespace

std::string knownFormats()
{
    std::string out;
    for (const auto& c : kContainers) {
        if (c.onlySubtype && !writable(c.major | c.onlySubtype)) continue;
        out += (out.empty() ? "" : ", ") + std::string(c.name);
        if (std::string(c.extensions) != std::string(".") + c.name)
            out += std::string(" (") + c.extensions + ")";
    }
    return out;
}

bool chooseOutputFormat(const OutputFormatRequest& request, int preferredFormat, int& format,
                        std::string& error)
{
    const Container* container = nullptr;
    if (!request.format.empty()) {
        container = byName(request.format);
        if (!container) {
            error = "--format " + request.format + " is not a known format; known: " + knownFormats();
            return false;
        }
    } else {
        container = byExtension(request.path);
        if (!container) {
            error = request.path == "-" ? "standard output has no extension; name the format with --format"
                                        : request.path + ": no known audio format has this extension; name " +
                                              "one with --format or use one of " + knownFormats();
            return false;
        }
    }
    const std::string name = std::string(container->name);
    if (container->onlySubtype) {
        if (!request.bits.empty()) {
            error = "--bits does not apply to " + name + ", which stores no fixed sample type";
            return false;
        }
        format = container->major | container->onlySubtype;
        if (!writable(format)) {
            error = "this system's libsndfile cannot write " + name + " files";
            return false;
        }
        return true;
    }
    int subtype = 0;
    if (request.bits == "16")
        subtype = SF_FORMAT_PCM_16;
    else if (request.bits == "24")
        subtype = SF_FORMAT_PCM_24;
    else if (request.bits == "32")
        subtype = SF_FORMAT_PCM_32;
    else if (request.bits == "float")
        subtype = SF_FORMAT_FLOAT;
    else if (!request.bits.empty()) {
        error = "--bits expects 16, 24, 32 or float, got \"" + request.bits + "\"";
        return false;
    }
    if (subtype) {
        format = container->major | subtype;
        if (!writable(format)) {
            error = name + " cannot hold " +
                    (request.bits == "float" ? "floating-point" : request.bits + "-bit") +
                    " samples; choose other --bits";
            return false;
        }
        return true;
    }
    // The preferred sample type where the container holds it, else the
    // finest integer type it holds.
    for (int candidate :
         {preferredFormat & SF_FORMAT_SUBMASK, int(SF_FORMAT_PCM_24), int(SF_FORMAT_PCM_16)}) {
        format = container->major | candidate;
        if (writable(format)) return true;
    }
    error = "no sample type suits " + name;
    return false;
}

std::string describeFormat(int format)
{
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    std::string major = "?", minor = "?";
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) major = info.name;
    info = {};
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) minor = info.name;
    return major + ", " + minor;
}

SampleWriter::SampleWriter(SNDFILE* target, int format, int channelCount, bool ditherWanted)
    : file(target), channels(channelCount), bits(integerBits(format & SF_FORMAT_SUBMASK)),
      dither(ditherWanted && bits > 0 && bits <= 24)
{
    // Other codings convert in libsndfile: clip there instead of wrapping.
    if (!bits) sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

bool SampleWriter::write(const float* interleaved, long long frames)
{
    const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels);
    if (!bits) {
        for (size_t i = 0; i < count; ++i) {
            const float a = std::fabs(interleaved[i]);
            peakBefore = std::max(peakBefore, static_cast<double>(a));
            overs += a > 1.0f;
        }
        return sf_write_float(file, interleaved, static_cast<sf_count_t>(count)) == sf_count_t(count);
    }

    // Full scale is 2^(bits-1), as libsndfile reads it back; the result goes
    // left-justified into 32 bits.
    const double scale = std::ldexp(1.0, bits - 1);
    const double top = scale - 1, bottom = -scale, offset = 2 * scale;
    const int64_t unit = int64_t(1) << (32 - bits);
    converted.resize(count);
    float peak = static_cast<float>(peakBefore);
    for (size_t i = 0; i < count; ++i) {
        const float x = interleaved[i];
        const float a = std::fabs(x);
        peak = std::max(peak, a);
        overs += a > 1.0f;
        double v = x * scale;
        if (dither) {
            // The two halves of one draw, subtracted: a triangular density
            // over +-1 step.
            noise ^= noise << 13, noise ^= noise >> 7, noise ^= noise << 17;
            v += (static_cast<double>(noise & 0xFFFFFFFFu) - static_cast<double>(noise >> 32)) * 0x1p-32;
        }
        // Rounds to nearest without branches (audio changes sign at random):
        // clamp, shift positive by a power of two, truncate.
        clipped += (v >= top + 0.5) + (v < bottom - 0.5);
        v = v > bottom ? v : bottom;
        v = v < top ? v : top;
        const int64_t q = static_cast<int64_t>(v + offset + 0.5) - static_cast<int64_t>(offset);
        converted[i] = static_cast<int32_t>(q * unit);
    }
    peakBefore = peak;
    return sf_write_int(file, converted.data(), static_cast<sf_count_t>(count)) == sf_count_t(count);
}

} // namespace vosk
