// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Filling parameter queues within their reserved capacity allocates nothing.
// Its own program: the replaced global allocation functions must not meet a
// loaded plug-in module, which would bind to them.
#include "public.sdk/source/vst/hosting/parameterchanges.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

using namespace Steinberg;
using namespace Steinberg::Vst;

// Counts every allocation of this test program, so that tests can prove a
// code path allocates nothing. The replacement pair is malloc/free on both
// sides; the compiler cannot see that once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size)
{
    ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(ParameterChanges, FillingWithinCapacityAllocatesNothing)
{
    IPtr<ParameterChanges> changes(new ParameterChanges(8), false);
    for (int block = 0; block < 3; ++block) {
        const long before = gAllocations.load();
        for (ParamID id = 0; id < 8; ++id) {
            int32 index = 0;
            IParamValueQueue* queue = changes->addParameterData(id, index);
            ASSERT_NE(queue, nullptr);
            for (int32 p = 0; p < ParameterValueQueue::kDefaultPointCapacity; ++p)
                queue->addPoint(p * 3, p / 16.0, index);
        }
        EXPECT_EQ(gAllocations.load(), before) << "block " << block;
        changes->clearQueue();
    }
}
