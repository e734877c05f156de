// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrumcapture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

int32_t SpectrumCapture::frameLengthFor(double sampleRate)
{
    int32_t length = 1024;
    while (length < 16384 && length < 0.08 * sampleRate) length *= 2;
    return length;
}

void SpectrumCapture::prepare(double sampleRate)
{
    sampleRate_ = sampleRate;
    length_ = frameLengthFor(sampleRate);
    const size_t length = static_cast<size_t>(length_);
    for (std::vector<float>& ring : rings_) ring.assign(length, 0.0f);
    for (std::vector<float>& slot : slots_) slot.assign(length * kNumSignals, 0.0f);
    position_ = 0;
    filled_ = 0;
    blockSamples_ = 0;
    capturing_ = false;
    back_ = 0;
    front_ = 1;
    middle_.store(2, std::memory_order_relaxed);
}

void SpectrumCapture::setWanted(bool wanted)
{
    requested_.store(false, std::memory_order_relaxed);
    if (wanted) takeFrame();
    wanted_.store(wanted, std::memory_order_relaxed);
}

void SpectrumCapture::write(int signal, const float* samples, int32_t count)
{
    float* ring = rings_[signal].data();
    const int32_t first = std::min(count, length_ - position_);
    if (samples) {
        std::memcpy(ring + position_, samples, sizeof(float) * static_cast<size_t>(first));
        std::memcpy(ring, samples + first, sizeof(float) * static_cast<size_t>(count - first));
    } else {
        std::fill(ring + position_, ring + position_ + first, 0.0f);
        std::fill(ring, ring + (count - first), 0.0f);
    }
}

void SpectrumCapture::takeInput(const float* const* channels, int32_t numChannels, uint64_t silenceFlags,
                                int32_t numSamples)
{
    blockSamples_ = 0;
    const bool wanted = wanted_.load(std::memory_order_relaxed);
    if (!wanted || !isPrepared() || numSamples <= 0) {
        capturing_ = wanted && capturing_;
        return;
    }
    if (!capturing_) {
        // What played before the panel opened is no part of its frames.
        position_ = 0;
        filled_ = 0;
        capturing_ = true;
    }
    // A block longer than a frame leaves only its end in it.
    blockSamples_ = std::min(numSamples, length_);
    const int32_t skip = numSamples - blockSamples_;
    const auto channel = [&](int c) -> const float* {
        if (!channels || c >= numChannels || !channels[c] || ((silenceFlags >> c) & 1u)) return nullptr;
        return channels[c] + skip;
    };
    write(kInputLeft, channel(0), blockSamples_);
    write(kInputRight, channel(numChannels > 1 ? 1 : 0), blockSamples_);
}

void SpectrumCapture::takeOutput(const float* const* channels, int32_t numChannels, int32_t numSamples)
{
    if (blockSamples_ == 0) return;
    const int32_t skip = numSamples - blockSamples_;
    const auto channel = [&](int c) -> const float* {
        if (!channels || c >= numChannels || !channels[c]) return nullptr;
        return channels[c] + skip;
    };
    write(kOutputLeft, channel(0), blockSamples_);
    write(kOutputRight, channel(numChannels > 1 ? 1 : 0), blockSamples_);
    position_ = (position_ + blockSamples_) % length_;
    filled_ = std::min(filled_ + blockSamples_, length_);
    blockSamples_ = 0;
    // Only whole frames: a frame still holding older music would show the seam as a click.
    if (filled_ == length_ && requested_.load(std::memory_order_relaxed) &&
        requested_.exchange(false, std::memory_order_relaxed))
        handOver();
}

void SpectrumCapture::handOver()
{
    // Oldest sample first: the ring from the write position on, then its start.
    float* slot = slots_[back_].data();
    const size_t length = static_cast<size_t>(length_);
    const size_t newest = static_cast<size_t>(position_);
    for (int s = 0; s < kNumSignals; ++s) {
        const float* ring = rings_[s].data();
        float* to = slot + static_cast<size_t>(s) * length;
        std::memcpy(to, ring + newest, sizeof(float) * (length - newest));
        std::memcpy(to + (length - newest), ring, sizeof(float) * newest);
    }
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

const float* SpectrumCapture::takeFrame()
{
    if (!isPrepared() || !(middle_.load(std::memory_order_relaxed) & kFresh)) return nullptr;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & ~kFresh;
    return slots_[front_].data();
}

} // namespace vosk
