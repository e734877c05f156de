// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "audioformat.h"

#include "simd.h"

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

namespace {
std::string unknownFormat(const std::string& name)
{
    return "--format " + name + " is not a known format; known: " + knownFormats();
}
} // namespace

bool extensionOfFormat(const std::string& name, std::string& extension, std::string& error)
{
    const Container* container = byName(name);
    if (!container) {
        error = unknownFormat(name);
        return false;
    }
    // Each name is one of its own extensions.
    extension = std::string(".") + container->name;
    return true;
}

bool chooseOutputFormat(const OutputFormatRequest& request, int preferredFormat, int& format,
                        std::string& error)
{
    const Container* container = nullptr;
    if (!request.format.empty()) {
        container = byName(request.format);
        if (!container) {
            error = unknownFormat(request.format);
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

namespace {

constexpr int kPackedBytes = 3;

bool littleEndianPacked24(SNDFILE* file, int format)
{
    const int major = format & SF_FORMAT_TYPEMASK;
    return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_24 &&
           (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_W64 || major == SF_FORMAT_RF64) &&
           __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && sf_command(file, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_FALSE;
}

// As libsndfile reads 24-bit samples: left-justified into 32 bits, full scale
// 2^31. Both steps are exact, so any order of them gives the same floats.
constexpr float kFullScale32 = 0x1p-31f;

#if VOSK_CLI_AVX
// Eight samples at a time; returns how many were converted. Reads up to four
// bytes past the last sample converted, within the samples given.
VOSK_TARGET_AVX size_t unpack24Avx(const unsigned char* in, size_t count, float* out)
{
    const __m128i spread = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m128 scale = _mm_set1_ps(kFullScale32);
    size_t i = 0;
    for (; i + 8 <= count && (i + 8) * kPackedBytes + 4 <= count * kPackedBytes; i += 8) {
        const unsigned char* p = in + i * kPackedBytes;
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), spread);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), spread);
        _mm_storeu_ps(out + i, _mm_mul_ps(_mm_cvtepi32_ps(a), scale));
        _mm_storeu_ps(out + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(b), scale));
    }
    return i;
}

// The top three bytes of each left-justified sample, as libsndfile writes
// 24-bit samples. Four at a time; returns how many were packed. Writes up to
// four bytes past the last sample packed, within the room of the samples given.
VOSK_TARGET_AVX size_t pack24Avx(const int32_t* in, size_t count, unsigned char* out)
{
    const __m128i gather = _mm_setr_epi8(1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, -1, -1, -1, -1);
    size_t i = 0;
    for (; i + 4 <= count && (i + 4) * kPackedBytes + 4 <= count * kPackedBytes; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * kPackedBytes), _mm_shuffle_epi8(v, gather));
    }
    return i;
}
#endif

void pack24(const int32_t* in, size_t count, unsigned char* out)
{
    size_t i = 0;
#if VOSK_CLI_AVX
    if (avxAvailable()) i = pack24Avx(in, count, out);
#endif
    for (; i < count; ++i) {
        const auto v = static_cast<uint32_t>(in[i]);
        out[i * kPackedBytes] = static_cast<unsigned char>(v >> 8);
        out[i * kPackedBytes + 1] = static_cast<unsigned char>(v >> 16);
        out[i * kPackedBytes + 2] = static_cast<unsigned char>(v >> 24);
    }
}

void unpack24(const unsigned char* in, size_t count, float* out)
{
    size_t i = 0;
#if VOSK_CLI_AVX
    if (avxAvailable()) i = unpack24Avx(in, count, out);
#endif
    for (; i < count; ++i) {
        const unsigned char* p = in + i * kPackedBytes;
        const auto value = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                                static_cast<uint32_t>(p[2]) << 24);
        out[i] = static_cast<float>(value) * kFullScale32;
    }
}

} // namespace

SampleReader::SampleReader(SNDFILE* source, int format, int channelCount)
    : file(source), channels(channelCount), packed24(littleEndianPacked24(source, format))
{
}

sf_count_t SampleReader::read(float* interleaved, sf_count_t frames)
{
    if (!packed24) return sf_readf_float(file, interleaved, frames);
    const size_t frameBytes = static_cast<size_t>(kPackedBytes * channels);
    bytes.resize(static_cast<size_t>(frames) * frameBytes);
    const sf_count_t got = sf_read_raw(file, bytes.data(), static_cast<sf_count_t>(bytes.size()));
    const sf_count_t whole = got > 0 ? got / static_cast<sf_count_t>(frameBytes) : 0;
    unpack24(bytes.data(), static_cast<size_t>(whole) * static_cast<size_t>(channels), interleaved);
    return whole;
}

SampleWriter::SampleWriter(SNDFILE* target, int format, int channelCount, bool ditherWanted)
    : file(target), channels(channelCount), bits(integerBits(format & SF_FORMAT_SUBMASK)),
      dither(ditherWanted && bits > 0 && bits <= 24), packed24(littleEndianPacked24(target, format))
{
    // Other codings convert in libsndfile: clip there instead of wrapping.
    if (!bits) sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

namespace {

// NaN never wins: it fails the comparison.
inline float larger(float candidate, float peak)
{
    return candidate > peak ? candidate : peak;
}

// Integer samples of `bits` bits, left-justified into 32: full scale is
// 2^(bits-1), as libsndfile reads it back.
struct Quantiser
{
    explicit Quantiser(int bits)
        : scale(std::ldexp(1.0, bits - 1)), top(scale - 1), bottom(-scale), offset(2 * scale), shift(32 - bits)
    {
    }
    double scale, top, bottom, offset;
    int shift;

    // Rounds to nearest without branches (audio changes sign at random):
    // clamp, shift positive by a power of two, truncate.
    int32_t operator()(float x, const double* dither, long long& clipped) const
    {
        double v = x * scale;
        if (dither) v += *dither;
        clipped += (v >= top + 0.5) + (v < bottom - 0.5);
        v = v > bottom ? v : bottom;
        v = v < top ? v : top;
        const int64_t q = static_cast<int64_t>(v + offset + 0.5) - static_cast<int64_t>(offset);
        return static_cast<int32_t>(q * (int64_t(1) << shift));
    }
};

#if VOSK_CLI_AVX
// Eight samples at a time; returns how many were measured.
VOSK_TARGET_AVX size_t measureLevelsAvx(const float* x, size_t count, float& peak, long long& overs)
{
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    const __m256 one = _mm256_set1_ps(1.0f);
    __m256 top = _mm256_set1_ps(peak);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 a = _mm256_and_ps(_mm256_loadu_ps(x + i), magnitude);
        top = _mm256_max_ps(a, top);
        overs += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(a, one, _CMP_GT_OQ))));
    }
    alignas(32) float lanes[8];
    _mm256_store_ps(lanes, top);
    for (float lane : lanes) peak = larger(lane, peak);
    return i;
}

// Four samples at a time, each as Quantiser does it; returns how many were
// converted. The shifted values must fit 32 bits (up to 24-bit samples).
VOSK_TARGET_AVX size_t quantiseAvx(const float* x, const double* dither, size_t count, const Quantiser& q,
                                   int32_t* out, long long& clipped)
{
    const __m256d scale = _mm256_set1_pd(q.scale), top = _mm256_set1_pd(q.top), bottom = _mm256_set1_pd(q.bottom);
    const __m256d over = _mm256_set1_pd(q.top + 0.5), under = _mm256_set1_pd(q.bottom - 0.5);
    const __m256d offset = _mm256_set1_pd(q.offset), half = _mm256_set1_pd(0.5);
    const __m128i offsetInteger = _mm_set1_epi32(static_cast<int32_t>(q.offset));
    const __m128i shift = _mm_cvtsi32_si128(q.shift);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m256d v = _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(x + i)), scale);
        if (dither) v = _mm256_add_pd(v, _mm256_loadu_pd(dither + i));
        clipped += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(v, over, _CMP_GE_OQ)))) +
                   __builtin_popcount(static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(v, under, _CMP_LT_OQ))));
        v = _mm256_min_pd(_mm256_max_pd(v, bottom), top);
        const __m128i shifted = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_add_pd(v, offset), half));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sll_epi32(_mm_sub_epi32(shifted, offsetInteger), shift));
    }
    return i;
}
#endif

void measureLevels(const float* x, size_t count, float& peak, long long& overs)
{
    size_t i = 0;
#if VOSK_CLI_AVX
    if (avxAvailable()) i = measureLevelsAvx(x, count, peak, overs);
#endif
    for (; i < count; ++i) {
        const float a = std::fabs(x[i]);
        peak = larger(a, peak);
        overs += a > 1.0f;
    }
}

} // namespace

bool SampleWriter::write(const float* interleaved, long long frames)
{
    const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels);
    float peak = static_cast<float>(peakBefore);
    measureLevels(interleaved, count, peak, overs);
    peakBefore = peak;
    if (!bits) return sf_write_float(file, interleaved, static_cast<sf_count_t>(count)) == sf_count_t(count);

    // The two halves of one draw, subtracted: a triangular density over +-1
    // step. The draws follow one another, so they are made first.
    if (dither) {
        dithers.resize(count);
        for (double& d : dithers) {
            noise ^= noise << 13, noise ^= noise >> 7, noise ^= noise << 17;
            d = (static_cast<double>(noise & 0xFFFFFFFFu) - static_cast<double>(noise >> 32)) * 0x1p-32;
        }
    }
    const double* draws = dither ? dithers.data() : nullptr;
    const Quantiser quantise(bits);
    converted.resize(count);
    size_t i = 0;
#if VOSK_CLI_AVX
    // Up to 24 bits, the shifted values fit 32-bit lanes.
    if (bits <= 24 && avxAvailable()) i = quantiseAvx(interleaved, draws, count, quantise, converted.data(), clipped);
#endif
    for (; i < count; ++i) converted[i] = quantise(interleaved[i], draws ? draws + i : nullptr, clipped);
    if (packed24) {
        bytes.resize(count * kPackedBytes);
        pack24(converted.data(), count, bytes.data());
        return sf_write_raw(file, bytes.data(), static_cast<sf_count_t>(bytes.size())) == sf_count_t(bytes.size());
    }
    return sf_write_int(file, converted.data(), static_cast<sf_count_t>(count)) == sf_count_t(count);
}

} // namespace vosk
