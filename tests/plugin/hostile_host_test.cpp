// The built bundle driven by a careless or broken host: streams that split or
// misreport their reads.
#include "bundle_processors.h"
#include "parameterids.h"
#include "statecodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::noise;
using test::ProcessorHost;
using test::stateOf;
using test::Stereo;
using Bytes = std::vector<uint8_t>;

// Half a transform: a changed response is heard from the second such block on.
constexpr int32 kBlock = 8192;

// Hands out fixed bytes in pieces of at most `piece` bytes; reports `reported` as the
// count read, when given, instead of the truth.
class PieceStream : public IBStream
{
public:
    PieceStream(Bytes bytes, int32 piece, std::optional<int32> reported = std::nullopt)
        : bytes_(std::move(bytes)), piece_(piece), reported_(reported)
    {
        FUNKNOWN_CTOR
    }
    virtual ~PieceStream(){FUNKNOWN_DTOR}

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const int32 left = static_cast<int32>(bytes_.size() - position_);
        const int32 n = std::max(0, std::min({numBytes, piece_, left}));
        if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
        position_ += static_cast<size_t>(n);
        if (numBytesRead) *numBytesRead = reported_.value_or(n);
        return kResultOk;
    }
    tresult PLUGIN_API write(void*, int32, int32*) override { return kNotImplemented; }
    tresult PLUGIN_API seek(int64, int32, int64*) override { return kNotImplemented; }
    tresult PLUGIN_API tell(int64* pos) override
    {
        if (pos) *pos = static_cast<int64>(position_);
        return kResultOk;
    }

    DECLARE_FUNKNOWN_METHODS

private:
    Bytes bytes_;
    int32 piece_;
    std::optional<int32> reported_;
    size_t position_ = 0;
};

IMPLEMENT_FUNKNOWN_METHODS(PieceStream, IBStream, IBStream::iid)

IPtr<IBStream> piecesOf(const Bytes& bytes, int32 piece, std::optional<int32> reported = std::nullopt)
{
    return owned(new PieceStream(bytes, piece, reported));
}

class HostileHost : public test::BundleProcessors
{
protected:
    // A processor that restores `state` in pieces of `piece` bytes before set-up, as
    // hosts restore a project, then plays blocks of up to kBlock samples.
    ProcessorHost& restoredHost(const Bytes& state, int32 piece)
    {
        ProcessorHost& host = makeHost(kBlock, false);
        EXPECT_EQ(host.component()->setState(piecesOf(state, piece)), kResultOk);
        EXPECT_EQ(host.setupProcessing(test::kRate, kBlock), kResultOk);
        EXPECT_EQ(host.setActive(true), kResultOk);
        return host;
    }

    IPtr<IEditController> makeController()
    {
        auto controller = test::createInstance<IEditController>(factory, test::controllerClassId());
        EXPECT_TRUE(controller);
        EXPECT_EQ(controller->initialize(test::makeHostContext()), kResultOk);
        return controller;
    }

    static std::vector<double> valuesOf(IEditController* controller)
    {
        std::vector<double> values;
        ParameterInfo info{};
        for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
            values.push_back(controller->getParamNormalized(info.id));
        return values;
    }

    // A state with every kind of setting away from its default.
    Bytes unusualState()
    {
        ProcessorHost& host = makeHost(kBlock);
        const std::pair<ParamID, double> changes[] = {
            {kLink, 1.0},    {kMidSide, 0.0}, {kInGain, 0.3},  {kFreq1L, 0.2}, {kGain1L, 0.8},
            {kQ1L, 0.6},     {kBW1L, 0.4},    {kShape2R, 0.5}, {kFreq2R, 0.7}, {kOn3L, 0.0},
            {kGain4R, 0.1},  {kShape3L, 1.0}, {kOnLoCut, 0.0}, {kRgain, 0.2},  {kLgain, 0.3},
            {kGain2L, 0.35}, {kBW4R, 0.9},    {kQ3R, 0.25},
        };
        for (const auto& [id, v] : changes) host.addParameterChange(id, 0, v);
        EXPECT_EQ(host.process(nullptr, 0, nullptr, 0, 0), kResultOk);
        return stateOf(host.component());
    }
};

// --- streams --------------------------------------------------------------------

TEST_F(HostileHost, StreamThatMisreportsItsReadsIsRefused)
{
    const Bytes valid = unusualState();
    ProcessorHost& host = makeHost(kBlock);
    const Bytes before = stateOf(host.component());
    auto controller = makeController();
    const std::vector<double> valuesBefore = valuesOf(controller);

    // More than was asked for (in one piece or in small ones), or a negative count.
    const std::pair<int32, int32> lies[] = {{1 << 20, 65536}, {8, 9}, {1 << 20, -1}, {3, -3}};
    for (const auto& [piece, reported] : lies) {
        SCOPED_TRACE("pieces of " + std::to_string(piece) + " reported as " + std::to_string(reported));
        EXPECT_EQ(host.component()->setState(piecesOf(valid, piece, reported)), kResultFalse);
        EXPECT_EQ(controller->setComponentState(piecesOf(valid, piece, reported)), kResultFalse);
    }
    EXPECT_EQ(stateOf(host.component()), before);
    EXPECT_EQ(valuesOf(controller), valuesBefore);
    controller->terminate();
}

TEST_F(HostileHost, StateInPiecesOfAnySizeRestoresWhole)
{
    const Bytes saved = unusualState();
    const Stereo in = noise(3 * kBlock, 11);
    const Stereo expected = run(restoredHost(saved, 1 << 20), in, kBlock);
    ASSERT_NE(run(makeHost(kBlock), in, kBlock), expected) << "the saved settings should change the sound";
    auto reference = makeController();
    ASSERT_EQ(reference->setComponentState(piecesOf(saved, 1 << 20)), kResultOk);
    const std::vector<double> expectedValues = valuesOf(reference);
    reference->terminate();

    for (int32 piece = 1; piece <= 64; ++piece) {
        SCOPED_TRACE("pieces of " + std::to_string(piece) + " bytes");
        ProcessorHost& host = restoredHost(saved, piece);
        EXPECT_EQ(stateOf(host.component()), saved);
        EXPECT_TRUE(run(host, in, kBlock) == expected);
        hosts.pop_back();

        auto controller = makeController();
        EXPECT_EQ(controller->setComponentState(piecesOf(saved, piece)), kResultOk);
        EXPECT_EQ(valuesOf(controller), expectedValues);
        controller->terminate();
    }
}

} // namespace
} // namespace vosk
