// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Flushes denormal floats to zero for the lifetime of the object and restores
// the caller's floating-point control state afterwards.
#pragma once

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>

namespace vosk {

class ScopedFlushDenormals
{
public:
    ScopedFlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero); }
    ~ScopedFlushDenormals() { _mm_setcsr(saved_); }
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
};

} // namespace vosk
#else
namespace vosk {
class ScopedFlushDenormals
{
};
} // namespace vosk
#endif
