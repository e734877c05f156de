// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "statecodec.h"

#include "source/dsp/settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

namespace {

// The settings block follows the 8-byte head: tag, version, payload size, payload.
constexpr uint8_t kSettingsTag[4] = {'V', 'O', 'S', 'K'};
constexpr size_t kBandSize = 1 + 4 + 8 * 4;
constexpr size_t kPayloadSizeV1 = 2 * 4 * kBandSize + 4 + 2 * 4 + 2 * 4;
// Appended since: the transform length.
constexpr size_t kPayloadSizeWithFftSize = kPayloadSizeV1 + 4;
// Version 2: the clip lamps and the held values of its time, all but the phase's.
constexpr int kHeldValuesV2 = kNumHeldValues - 1;
static_assert(kHeldValueTags[kHeldValuesV2] == kPhase, "the phase is the one held value appended since");
constexpr size_t kPayloadSizeV2 = kPayloadSizeWithFftSize + 2 + 4 * kHeldValuesV2;
// Version 3: the phase's held value. Written only where it is not the default, so
// that a state in linear phase keeps the bytes it always had.
constexpr size_t kPayloadSizeV3 = kPayloadSizeV2 + 4;
constexpr uint32_t kVersionWithHeldValues = 2;
constexpr uint32_t kVersionWithPhase = 3;
constexpr size_t kPhasePlace = static_cast<size_t>(kHeldValuesV2);
// Later versions may append to the payload, within reason.
constexpr size_t kMaxPayloadSize = 1 << 16;

class Writer
{
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t v) { out_.push_back(v); }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }

private:
    std::vector<uint8_t>& out_;
};

class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    void skip(size_t n) { take(n); }
    uint8_t u8()
    {
        if (!take(1)) return 0;
        return data_[pos_ - 1];
    }
    uint32_t u32()
    {
        if (!take(4)) return 0;
        const uint8_t* p = data_ + pos_ - 4;
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32()
    {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        if (!std::isfinite(v)) ok_ = false; // a stored non-finite value is corrupt data
        return v;
    }

private:
    bool take(size_t n)
    {
        if (!ok_ || size_ - pos_ < n) {
            ok_ = false;
            return false;
        }
        pos_ += n;
        return true;
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

bool readSwitch(Reader& in, bool& value)
{
    const uint8_t byte = in.u8();
    value = byte != 0;
    return byte <= 1;
}

bool isNormalised(float v)
{
    return v >= 0.0f && v <= 1.0f;
}

bool isLinearGain(float v)
{
    return v >= 0.0f && v <= kMaxLinearGain;
}

// Equal within rounding, relative to the larger magnitude.
bool roundsTo(float value, float expected)
{
    return std::fabs(value - expected) <= 1e-5f * std::max({1.0f, std::fabs(value), std::fabs(expected)});
}

// A band that was never moved keeps the width it started with and a normalised
// width that this width does not follow from.
bool isInitialWidth(float width, float widthNorm)
{
    return width >= widthFromNorm(0.0f) && width <= widthFromNorm(1.0f) &&
           roundsTo(widthNorm, initialWidthNorm(width));
}

// What the intake can leave in a band: normalised values in 0..1 and the physical
// values that follow from them.
bool isPlausible(const ProcessorState::Band& band)
{
    return band.shape >= ShapeHighCut && band.shape <= ShapeBell && isNormalised(band.freqNorm) &&
           isNormalised(band.qNorm) && isNormalised(band.gainNorm) && isNormalised(band.widthNorm) &&
           roundsTo(band.freqHz, frequencyFromNorm(band.freqNorm)) && roundsTo(band.q, band.qNorm) &&
           roundsTo(band.gain, bandGainFromNorm(band.gainNorm)) &&
           (roundsTo(band.width, widthFromNorm(band.widthNorm)) ||
            isInitialWidth(band.width, band.widthNorm));
}

// The held values that set what the state plays, from the parameters' defaults: a value
// that would play otherwise is replaced by the one that sets it; the types take the left
// bands' shapes (a type value sets both channels' shapes).
std::array<float, kNumHeldValues> heldValuesOf(const ProcessorState& state)
{
    std::array<float, kNumHeldValues> held = defaultHeldValues();
    const auto hold = [&](uint32_t id, bool playsAsHeld, double value) {
        float& slot = held[static_cast<size_t>(heldValueIndex(id))];
        if (!playsAsHeld) slot = static_cast<float>(value);
    };
    const auto holdSwitch = [&](uint32_t id, bool on) {
        hold(id, switchIsOn(id, held[static_cast<size_t>(heldValueIndex(id))]) == on, switchValue(id, on));
    };
    holdSwitch(kBypass, state.bypass);
    holdSwitch(kOnLoCut, state.lowCutOn);
    holdSwitch(kOnHiCut, state.highCutOn);
    holdSwitch(kLink, state.linked);
    holdSwitch(kMidSide, state.midSide);
    holdSwitch(kMuteMid, state.channelEnabled[0] != 0);
    holdSwitch(kMuteSide, state.channelEnabled[1] != 0);
    for (int channel = 0; channel < 2; ++channel) {
        for (int band = 1; band <= 4; ++band) {
            const ProcessorState::Band& settings = state.bands[channel][band - 1];
            holdSwitch(bandTag(kOn1R, band, channel), settings.on);
            const uint32_t shapeTag = bandTag(kShape1R, band, channel);
            hold(shapeTag,
                 shapeFromListValue(held[static_cast<size_t>(heldValueIndex(shapeTag))]) == settings.shape,
                 listValueOfShape(settings.shape));
        }
    }
    hold(kFftSizeMenu,
         fftSizeFromListValue(held[static_cast<size_t>(heldValueIndex(kFftSizeMenu))]) == state.fftSize,
         listValueOfFftSize(state.fftSize));
    for (int band = 1; band <= 4; ++band) {
        const uint32_t typeTag = kType1 + static_cast<uint32_t>(band - 1);
        const int32_t shape = state.bands[0][band - 1].shape;
        hold(typeTag, shapeFromTypeValue(held[static_cast<size_t>(heldValueIndex(typeTag))]) == shape,
             typeValueOfShape(shape));
    }
    return held;
}

} // namespace

size_t settingsPayloadSize(const uint8_t* header)
{
    if (!header || std::memcmp(header, kSettingsTag, sizeof(kSettingsTag)) != 0) return 0;
    Reader in(header + sizeof(kSettingsTag), kSettingsHeaderSize - sizeof(kSettingsTag));
    const uint32_t version = in.u32();
    const uint32_t payloadSize = in.u32();
    if (version < 1 || payloadSize < kPayloadSizeV1 || payloadSize > kMaxPayloadSize) return 0;
    return payloadSize;
}

std::vector<uint8_t> encodeState(const ProcessorState& state)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(kStateHeadSize + kSettingsHeaderSize + kPayloadSizeV3);
    Writer out(bytes);
    out.f32(state.inputGain);
    out.i32(state.bypass ? 1 : 0);
    if (!state.hasSettings) return bytes;

    const std::array<float, kNumHeldValues> held =
        state.hasHeldValues ? state.heldValues : heldValuesOf(state);
    const bool phaseHeld = held[kPhasePlace] != defaultHeldValues()[kPhasePlace];
    for (uint8_t b : kSettingsTag) out.u8(b);
    out.u32(phaseHeld ? kVersionWithPhase : kVersionWithHeldValues);
    out.u32(static_cast<uint32_t>(phaseHeld ? kPayloadSizeV3 : kPayloadSizeV2));
    for (const auto& channel : state.bands) {
        for (const auto& band : channel) {
            out.u8(band.on ? 1 : 0);
            out.i32(band.shape);
            for (float v : {band.freqHz, band.q, band.gain, band.width, band.freqNorm, band.qNorm,
                            band.gainNorm, band.widthNorm}) {
                out.f32(v);
            }
        }
    }
    out.u8(state.lowCutOn ? 1 : 0);
    out.u8(state.highCutOn ? 1 : 0);
    out.u8(state.linked ? 1 : 0);
    out.u8(state.midSide ? 1 : 0);
    for (int32_t enabled : state.channelEnabled) out.i32(enabled);
    for (float gain : state.channelGain) out.f32(gain);
    out.i32(state.fftSize);
    for (bool lit : state.clip) out.u8(lit ? 1 : 0);
    for (int i = 0; i < (phaseHeld ? kNumHeldValues : kHeldValuesV2); ++i)
        out.f32(held[static_cast<size_t>(i)]);
    return bytes;
}

bool decodeState(const uint8_t* data, size_t size, ProcessorState& out)
{
    if (!data || size < kStateHeadSize) return false;
    ProcessorState state = out;
    Reader in(data, size);
    state.inputGain = in.f32();
    state.bypass = in.i32() > 0;
    if (!in.ok() || !isLinearGain(state.inputGain)) return false;
    state.hasSettings = size > kStateHeadSize;
    state.fftSize = kFftSizes[0]; // what every state without it was played with
    if (!state.hasSettings) {
        out = state;
        return true;
    }

    if (size < kStateHeadSize + kSettingsHeaderSize) return false;
    const size_t payloadSize = settingsPayloadSize(data + kStateHeadSize);
    if (payloadSize == 0 || payloadSize > size - kStateHeadSize - kSettingsHeaderSize) return false;
    in.skip(kSettingsHeaderSize);
    // Later versions only append to the payload; what this version knows is read.
    bool valid = true;
    for (auto& channel : state.bands) {
        for (auto& band : channel) {
            valid = readSwitch(in, band.on) && valid;
            band.shape = in.i32();
            for (float* v : {&band.freqHz, &band.q, &band.gain, &band.width, &band.freqNorm, &band.qNorm,
                             &band.gainNorm, &band.widthNorm}) {
                *v = in.f32();
            }
            valid = valid && isPlausible(band);
        }
    }
    valid = readSwitch(in, state.lowCutOn) && valid;
    valid = readSwitch(in, state.highCutOn) && valid;
    valid = readSwitch(in, state.linked) && valid;
    valid = readSwitch(in, state.midSide) && valid;
    for (int32_t& enabled : state.channelEnabled) {
        enabled = in.i32();
        valid = valid && (enabled == 0 || enabled == 1);
    }
    for (float& gain : state.channelGain) {
        gain = in.f32();
        valid = valid && isLinearGain(gain);
    }
    if (payloadSize >= kPayloadSizeWithFftSize) {
        state.fftSize = in.i32();
        valid = valid && listValueOfFftSize(state.fftSize) >= 0.0;
    }
    state.hasHeldValues = payloadSize >= kPayloadSizeV2;
    if (state.hasHeldValues) {
        for (bool& lit : state.clip) valid = readSwitch(in, lit) && valid;
        // States without the phase's value played in linear phase.
        state.heldValues = defaultHeldValues();
        const int stored = payloadSize >= kPayloadSizeV3 ? kNumHeldValues : kHeldValuesV2;
        for (int i = 0; i < stored; ++i) {
            float& held = state.heldValues[static_cast<size_t>(i)];
            held = in.f32();
            valid = valid && isNormalised(held);
        }
    } else {
        for (bool& lit : state.clip) lit = false;
        state.heldValues = heldValuesOf(state);
    }
    if (!in.ok() || !valid) return false;
    out = state;
    return true;
}

} // namespace vosk
