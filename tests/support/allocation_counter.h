// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Replaces the global allocation functions of the test binary with counting
// ones. Include in exactly one source file of a test executable; allocations
// made by a loaded plug-in module reach these too.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

// Kept out of line: inlined into a caller, the compiler pairs a replaced
// operator new with the free inside the replaced delete and warns.
#define VOSK_REPLACED_ALLOCATION __attribute__((noinline))

namespace vosk::test {
inline std::atomic<long> allocationCount{0};
inline std::atomic<bool> allocationCounting{false};

inline void* countedAllocation(std::size_t size, std::size_t align = 0)
{
    if (allocationCounting.load()) allocationCount.fetch_add(1);
    void* p =
        align ? std::aligned_alloc(align, (size + align - 1) / align * align) : std::malloc(size ? size : 1);
    return p;
}
} // namespace vosk::test

VOSK_REPLACED_ALLOCATION void* operator new(std::size_t size)
{
    if (void* p = vosk::test::countedAllocation(size)) return p;
    throw std::bad_alloc();
}
VOSK_REPLACED_ALLOCATION void* operator new[](std::size_t size)
{
    if (void* p = vosk::test::countedAllocation(size)) return p;
    throw std::bad_alloc();
}
VOSK_REPLACED_ALLOCATION void* operator new(std::size_t size, std::align_val_t align)
{
    if (void* p = vosk::test::countedAllocation(size, static_cast<std::size_t>(align))) return p;
    throw std::bad_alloc();
}
VOSK_REPLACED_ALLOCATION void* operator new[](std::size_t size, std::align_val_t align)
{
    if (void* p = vosk::test::countedAllocation(size, static_cast<std::size_t>(align))) return p;
    throw std::bad_alloc();
}
VOSK_REPLACED_ALLOCATION void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return vosk::test::countedAllocation(size);
}
VOSK_REPLACED_ALLOCATION void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return vosk::test::countedAllocation(size);
}
VOSK_REPLACED_ALLOCATION void* operator new(std::size_t size, std::align_val_t align,
                                            const std::nothrow_t&) noexcept
{
    return vosk::test::countedAllocation(size, static_cast<std::size_t>(align));
}
VOSK_REPLACED_ALLOCATION void* operator new[](std::size_t size, std::align_val_t align,
                                              const std::nothrow_t&) noexcept
{
    return vosk::test::countedAllocation(size, static_cast<std::size_t>(align));
}
VOSK_REPLACED_ALLOCATION void operator delete(void* p) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete[](void* p) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
VOSK_REPLACED_ALLOCATION void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    std::free(p);
}
