// The persistent state: its bytes and its validation.
#include "statecodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace vosk {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(StateCodec, DefaultStateBeginsWithTheEightByteHead)
{
    ProcessorState state;
    EXPECT_EQ(encodeState(state), (Bytes{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00}));
    state.hasSettings = true;
    const Bytes full = encodeState(state);
    ASSERT_GT(full.size(), 8u);
    EXPECT_EQ(Bytes(full.begin(), full.begin() + 8), (Bytes{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00}));
    state.bypass = true;
    state.inputGain = 2.0f;
    const Bytes changed = encodeState(state);
    EXPECT_EQ(Bytes(changed.begin(), changed.begin() + 8),
              (Bytes{0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00}));
}

TEST(StateCodec, HeadOnlyStreamsRestoreGainAndBypass)
{
    ProcessorState state;
    const Bytes on = {0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00};
    ASSERT_TRUE(decodeState(on.data(), on.size(), state));
    EXPECT_EQ(state.inputGain, 2.0f);
    EXPECT_TRUE(state.bypass);
    EXPECT_FALSE(state.hasSettings);
    const Bytes negative = {0x00, 0x00, 0x00, 0x40, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(decodeState(negative.data(), negative.size(), state));
    EXPECT_FALSE(state.bypass);
    const Bytes large = {0x00, 0x00, 0x00, 0xC0, 0x07, 0x00, 0x00, 0x00}; // -2.0 is taken as it is
    ASSERT_TRUE(decodeState(large.data(), large.size(), state));
    EXPECT_EQ(state.inputGain, -2.0f);
    EXPECT_TRUE(state.bypass);
    EXPECT_EQ(encodeState(state), (Bytes{0x00, 0x00, 0x00, 0xC0, 0x01, 0x00, 0x00, 0x00}));
}

ProcessorState unusualState()
{
    ProcessorState state;
    state.inputGain = 0.3f;
    state.hasSettings = true;
    for (int c = 0; c < 2; ++c) {
        for (int b = 0; b < 4; ++b) {
            auto& band = state.bands[c][b];
            band.on = (b + c) % 2 == 0;
            band.shape = (b + c) % 3;
            const float k = static_cast<float>(1 + b + 4 * c);
            band.freqHz = 100.0f * k + 0.1f;
            band.q = 0.05f * k;
            band.gain = -0.03f * k;
            band.width = 0.11f * k;
            band.freqNorm = 0.07f * k;
            band.qNorm = 0.05f * k;
            band.gainNorm = 0.02f * k;
            band.widthNorm = 0.055f * k;
        }
        state.channelGain[c] = 1.7f + c;
    }
    state.channelEnabled[1] = 0;
    state.lowCutOn = false;
    state.linked = false;
    state.midSide = true;
    return state;
}

TEST(StateCodec, FullSettingsRoundTrip)
{
    const ProcessorState state = unusualState();
    const Bytes bytes = encodeState(state);
    ProcessorState back;
    ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), back));
    EXPECT_EQ(encodeState(back), bytes);
    EXPECT_TRUE(back.hasSettings);
    EXPECT_EQ(back.bands[1][2].freqHz, state.bands[1][2].freqHz);
    EXPECT_EQ(back.bands[0][3].shape, state.bands[0][3].shape);
    EXPECT_EQ(back.channelEnabled[1], 0);
    EXPECT_TRUE(back.midSide);
    EXPECT_FALSE(back.lowCutOn);
}

TEST(StateCodec, ShortOrCorruptStreamsAreRejectedAndChangeNothing)
{
    const Bytes good = encodeState(unusualState());
    const Bytes original = encodeState(ProcessorState{});
    auto rejected = [&](const Bytes& bytes) {
        ProcessorState state;
        const bool ok = decodeState(bytes.data(), bytes.size(), state);
        return !ok && encodeState(state) == original && !state.hasSettings;
    };
    for (size_t n = 0; n < good.size(); ++n) {
        if (n == 8) continue; // a head alone is an older, valid state
        EXPECT_TRUE(rejected(Bytes(good.begin(), good.begin() + static_cast<long>(n)))) << n;
    }
    Bytes badTag = good;
    badTag[8] ^= 0xFF;
    EXPECT_TRUE(rejected(badTag));
    Bytes badVersion = good;
    std::memset(&badVersion[12], 0, 4);
    EXPECT_TRUE(rejected(badVersion));
    Bytes badShape = good;
    badShape[8 + 12 + 1] = 7; // shape of the first band
    EXPECT_TRUE(rejected(badShape));

    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (float bad : {nan, inf, -inf}) {
        Bytes head = {0, 0, 0, 0, 0, 0, 0, 0};
        std::memcpy(head.data(), &bad, 4);
        EXPECT_TRUE(rejected(head));
        Bytes inBlock = good;
        std::memcpy(&inBlock[inBlock.size() - 4], &bad, 4); // the last channel gain
        EXPECT_TRUE(rejected(inBlock));
    }
}

TEST(StateCodec, LaterVersionsMayAppendToTheBlock)
{
    Bytes bytes = encodeState(unusualState());
    bytes[12] = 2; // version
    uint32_t payload;
    std::memcpy(&payload, &bytes[16], 4);
    payload += 4;
    std::memcpy(&bytes[16], &payload, 4);
    bytes.insert(bytes.end(), {1, 2, 3, 4});
    ProcessorState state;
    ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), state));
    EXPECT_EQ(state.bands[1][3].gain, unusualState().bands[1][3].gain);
}

} // namespace
} // namespace vosk
