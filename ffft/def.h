// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Shared definitions of the real FFT: constants and the contract check.
#pragma once

#include <cstdio>
#include <cstdlib>

// The vector passes are written with the vector extensions of GCC and clang.
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__)) && !defined(FFFT_NO_SIMD)
#define FFFT_USE_SSE2 1
#endif

namespace ffft {

// Programming contracts of the transform. They stay on in release builds: a
// violated one would otherwise read or write out of bounds.
[[noreturn]] inline void assertion_failed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "ffft: assertion failed: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace ffft

#define ffft_assert(condition)                                                                               \
    ((condition) ? static_cast<void>(0) : ::ffft::assertion_failed(#condition, __FILE__, __LINE__))
