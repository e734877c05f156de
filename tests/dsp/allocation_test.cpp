// No heap allocation may happen while the signal path processes, in any mode.
#include "dsp_test_util.h"

#include "allocation_counter.h"

#include <gtest/gtest.h>

namespace vosk {
namespace {

TEST(Allocation, ReplacementCountsAllocations)
{
    vosk::test::allocationCounting = true;
    auto* probe = new int(3);
    vosk::test::allocationCounting = false;
    delete probe;
    EXPECT_EQ(vosk::test::allocationCount.exchange(0), 1);
}

TEST(Allocation, ProcessNeverAllocatesInAnyMode)
{
    SignalPath path;
    path.prepare(44100.0, 512);
    const test::Stereo in = test::noise(20000, 31);
    test::Stereo out(20000);
    test::Reports reports;
    reports.points.reserve(100000);

    auto block = [&](size_t pos, size_t n, uint64_t flags) {
        const float* ins[2] = {in.ch[0].data() + pos, in.ch[1].data() + pos};
        float* outs[2] = {out.ch[0].data() + pos, out.ch[1].data() + pos};
        AudioBlock b;
        b.inputs = ins;
        b.numInputChannels = 2;
        b.inputSilenceFlags = flags;
        b.outputs = outs;
        b.numOutputChannels = 2;
        b.numSamples = static_cast<int32_t>(n);
        path.process(b, &reports);
    };

    vosk::test::allocationCounting = true;
    size_t pos = 0;
    auto step = [&](size_t n, uint64_t flags = 0) {
        block(pos % 10000, n, flags);
        pos += n;
    };
    step(512);
    for (uint32_t id = 0; id < kNumControlTags; ++id) path.applyParameter(id, 0.37); // mid/side, link off...
    step(512);
    step(9000); // beyond the prepared block size: processed in chunks
    path.applyParameter(kMidSide, 1.0);
    path.applyParameter(kLink, 0.0);
    for (uint32_t id = kFreq1R; id <= kBW4L; ++id) path.applyParameter(id, 0.61);
    step(512);
    path.applyParameter(kBypass, 1.0);
    step(8192);
    path.applyParameter(kBypass, 0.0);
    for (int k = 0; k < 60; ++k) step(1000, 3); // silent input: drain, then skip
    path.applyParameter(kInGain, 0.0);
    step(512);
    vosk::test::allocationCounting = false;
    EXPECT_EQ(vosk::test::allocationCount.load(), 0);
}

} // namespace
} // namespace vosk
