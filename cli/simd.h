// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The wide paths of the command's hot loops (the true-peak filter, the sample
// writer): AVX or AVX-512 where the processor has it, chosen at run time, beside code
// for any processor. Each wide path computes what its plain path computes,
// bit for bit.
#pragma once

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VOSK_CLI_AVX 1
#define VOSK_TARGET_AVX __attribute__((target("avx")))
#define VOSK_TARGET_AVX512 __attribute__((target("avx512f")))

namespace vosk {

// Also true only where the operating system saves the wide registers.
inline bool avxAvailable()
{
    static const bool available = __builtin_cpu_supports("avx");
    return available;
}

inline bool avx512Available()
{
    static const bool available = __builtin_cpu_supports("avx512f");
    return available;
}

} // namespace vosk
#endif
