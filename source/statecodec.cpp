#include "statecodec.h"

#include <cmath>
#include <cstring>

namespace vosk {

namespace {

// The settings block follows the 8-byte head: tag, version, payload size, payload.
constexpr uint8_t kSettingsTag[4] = {'V', 'O', 'S', 'K'};
constexpr uint32_t kSettingsVersion = 1;
constexpr size_t kHeadSize = 8;
constexpr size_t kBlockHeaderSize = 12;
constexpr size_t kBandSize = 1 + 4 + 8 * 4;
constexpr size_t kPayloadSizeV1 = 2 * 4 * kBandSize + 4 + 2 * 4 + 2 * 4;

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
    size_t position() const { return pos_; }
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

} // namespace

std::vector<uint8_t> encodeState(const ProcessorState& state)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(kHeadSize + kBlockHeaderSize + kPayloadSizeV1);
    Writer out(bytes);
    out.f32(state.inputGain);
    out.i32(state.bypass ? 1 : 0);
    if (!state.hasSettings) return bytes;

    for (uint8_t b : kSettingsTag) out.u8(b);
    out.u32(kSettingsVersion);
    out.u32(static_cast<uint32_t>(kPayloadSizeV1));
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
    return bytes;
}

bool decodeState(const uint8_t* data, size_t size, ProcessorState& out)
{
    if (!data || size < kHeadSize) return false;
    ProcessorState state = out;
    Reader in(data, size);
    state.inputGain = in.f32();
    state.bypass = in.i32() > 0;
    if (!in.ok()) return false;
    state.hasSettings = size > kHeadSize;
    if (!state.hasSettings) {
        out = state;
        return true;
    }

    for (uint8_t b : kSettingsTag) {
        if (in.u8() != b) return false;
    }
    const uint32_t version = in.u32();
    const uint32_t payloadSize = in.u32();
    if (!in.ok() || version < 1 || payloadSize < kPayloadSizeV1 || payloadSize > size - in.position()) {
        return false;
    }
    // Later versions only append to the payload; what this version knows is read.
    bool valid = true;
    for (auto& channel : state.bands) {
        for (auto& band : channel) {
            valid = readSwitch(in, band.on) && valid;
            band.shape = in.i32();
            valid = valid && band.shape >= 0 && band.shape <= 2;
            for (float* v : {&band.freqHz, &band.q, &band.gain, &band.width, &band.freqNorm, &band.qNorm,
                             &band.gainNorm, &band.widthNorm}) {
                *v = in.f32();
            }
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
    for (float& gain : state.channelGain) gain = in.f32();
    if (!in.ok() || !valid) return false;
    out = state;
    return true;
}

} // namespace vosk
