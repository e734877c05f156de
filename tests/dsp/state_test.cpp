// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The persistent state: its bytes and its validation.
#include "source/dsp/settings.h"
#include "source/statecodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
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
    const Bytes large = {0x00, 0x00, 0x80, 0x40, 0x07, 0x00, 0x00, 0x00}; // the largest gain, 4.0
    ASSERT_TRUE(decodeState(large.data(), large.size(), state));
    EXPECT_EQ(state.inputGain, 4.0f);
    EXPECT_TRUE(state.bypass);
    EXPECT_EQ(encodeState(state), (Bytes{0x00, 0x00, 0x80, 0x40, 0x01, 0x00, 0x00, 0x00}));
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
            band.freqNorm = 0.07f * k;
            band.qNorm = 0.05f * k;
            band.gainNorm = 0.11f * k;
            band.widthNorm = 0.055f * k;
            band.freqHz = frequencyFromNorm(band.freqNorm);
            band.q = band.qNorm;
            band.gain = bandGainFromNorm(band.gainNorm);
            band.width = widthFromNorm(band.widthNorm);
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

    Bytes badSwitch = good;
    badSwitch[8 + 12] = 2; // on switch of the first band
    EXPECT_TRUE(rejected(badSwitch));
}

// Any value that no sequence of parameter changes can leave in the settings is
// refused, however well formed the stream: played, it could give infinite output.
TEST(StateCodec, ValuesTheParametersCannotProduceAreRefused)
{
    using Spoil = std::function<void(ProcessorState&)>;
    using Band = ProcessorState::Band;
    const Bytes original = encodeState(ProcessorState{});
    auto refused = [&](const Spoil& spoil) {
        ProcessorState spoilt = unusualState();
        spoil(spoilt);
        const Bytes bytes = encodeState(spoilt);
        ProcessorState state;
        return !decodeState(bytes.data(), bytes.size(), state) && encodeState(state) == original;
    };
    auto band = [](ProcessorState& s) -> Band& { return s.bands[1][2]; };

    const std::pair<const char*, Spoil> cases[] = {
        {"input gain below 0", [](ProcessorState& s) { s.inputGain = -0.001f; }},
        {"input gain above 4", [](ProcessorState& s) { s.inputGain = 4.001f; }},
        {"channel gain below 0", [](ProcessorState& s) { s.channelGain[1] = -1.0f; }},
        {"channel gain above 4", [](ProcessorState& s) { s.channelGain[0] = 3.4e38f; }},
        {"channel enabled 2", [](ProcessorState& s) { s.channelEnabled[0] = 2; }},
        {"channel enabled -1", [](ProcessorState& s) { s.channelEnabled[1] = -1; }},
        {"shape 3", [&](ProcessorState& s) { band(s).shape = 3; }},
        {"shape -1", [&](ProcessorState& s) { band(s).shape = -1; }},
        // Out of range, together with the physical value that would follow.
        {"frequency above 1",
         [&](ProcessorState& s) { band(s).freqHz = frequencyFromNorm(band(s).freqNorm = 1.01f); }},
        {"frequency below 0",
         [&](ProcessorState& s) { band(s).freqHz = frequencyFromNorm(band(s).freqNorm = -0.01f); }},
        {"Q above 1", [&](ProcessorState& s) { band(s).q = band(s).qNorm = 1.01f; }},
        {"Q below 0", [&](ProcessorState& s) { band(s).q = band(s).qNorm = -0.01f; }},
        {"gain above 1",
         [&](ProcessorState& s) { band(s).gain = bandGainFromNorm(band(s).gainNorm = 1.01f); }},
        {"gain below 0",
         [&](ProcessorState& s) { band(s).gain = bandGainFromNorm(band(s).gainNorm = -0.01f); }},
        {"width above 1",
         [&](ProcessorState& s) { band(s).width = widthFromNorm(band(s).widthNorm = 1.01f); }},
        {"width below 0",
         [&](ProcessorState& s) { band(s).width = widthFromNorm(band(s).widthNorm = -0.01f); }},
        // Physical values that do not follow from their normalised ones.
        {"frequency in hertz", [&](ProcessorState& s) { band(s).freqHz *= 1.001f; }},
        {"Q", [&](ProcessorState& s) { band(s).q += 0.001f; }},
        {"gain", [&](ProcessorState& s) { band(s).gain = -3.4e38f; }},
        {"width", [&](ProcessorState& s) { band(s).width = -1e6f; }},
        {"initial width above 2",
         [&](ProcessorState& s) { band(s).width = 4.0f * (band(s).widthNorm = 1.0f); }},
    };
    for (const auto& [what, spoil] : cases) EXPECT_TRUE(refused(spoil)) << what;

    // Every float, in the head and in the block, refuses every non-finite value.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    std::vector<std::function<float&(ProcessorState&)>> fields = {
        [](ProcessorState& s) -> float& { return s.inputGain; },
        [](ProcessorState& s) -> float& { return s.channelGain[0]; },
        [](ProcessorState& s) -> float& { return s.channelGain[1]; },
    };
    for (float Band::*member : {&Band::freqHz, &Band::q, &Band::gain, &Band::width, &Band::freqNorm,
                                &Band::qNorm, &Band::gainNorm, &Band::widthNorm}) {
        for (int c = 0; c < 2; ++c)
            for (int b = 0; b < 4; ++b)
                fields.push_back([=](ProcessorState& s) -> float& { return s.bands[c][b].*member; });
    }
    for (size_t f = 0; f < fields.size(); ++f)
        for (float bad : {nan, inf, -inf})
            EXPECT_TRUE(refused([&](ProcessorState& s) { fields[f](s) = bad; }))
                << "field " << f << " at " << bad;
}

// The phase is the one value appended since version 2: a state in linear phase, held
// at the list's first value, keeps version 2's bytes (462 of them), which is what
// earlier versions read and wrote; any other held value is appended and read back
// exactly, and a state without it reads as linear phase.
TEST(StateCodec, ThePhaseIsAppendedOnlyWhenItIsNotTheDefault)
{
    const size_t phase = static_cast<size_t>(heldValueIndex(kPhase));
    const struct
    {
        float held;
        uint8_t version;
        size_t size;
    } cases[] = {{0.0f, 2, 462}, {0.3f, 3, 466}, {1.0f, 3, 466}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.held);
        ProcessorState state = unusualState();
        state.hasHeldValues = true;
        state.heldValues[phase] = c.held;
        const Bytes bytes = encodeState(state);
        ASSERT_EQ(bytes.size(), c.size);
        EXPECT_EQ(bytes[12], c.version);
        ProcessorState back;
        ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), back));
        EXPECT_EQ(back.heldValues[phase], c.held);
        EXPECT_EQ(encodeState(back), bytes);

        // The same state as version 2 wrote it: without the value.
        Bytes older(bytes.begin(), bytes.begin() + 462);
        older[12] = 2;
        older[16] = static_cast<uint8_t>(462 - 20);
        older[17] = static_cast<uint8_t>((462 - 20) >> 8);
        ASSERT_TRUE(decodeState(older.data(), older.size(), back));
        EXPECT_EQ(back.heldValues[phase], 0.0f);
    }
}

TEST(StateCodec, LaterVersionsMayAppendToTheBlock)
{
    ProcessorState newest = unusualState();
    newest.hasHeldValues = true;
    newest.heldValues[static_cast<size_t>(heldValueIndex(kPhase))] = 1.0f;
    Bytes bytes = encodeState(newest);
    bytes[12] = 4; // version
    uint32_t payload;
    std::memcpy(&payload, &bytes[16], 4);
    payload += 4;
    std::memcpy(&bytes[16], &payload, 4);
    bytes.insert(bytes.end(), {1, 2, 3, 4});
    ProcessorState state;
    ASSERT_TRUE(decodeState(bytes.data(), bytes.size(), state));
    EXPECT_EQ(state.bands[1][3].gain, unusualState().bands[1][3].gain);
    EXPECT_EQ(state.heldValues[static_cast<size_t>(heldValueIndex(kPhase))], 1.0f);
}

} // namespace
} // namespace vosk
