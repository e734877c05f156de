// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The music behind the curve panel's spectrum: the newest stretch of the input
// and the output, captured on the audio thread while a panel wants it and
// handed to the main thread without a lock or an allocation. Plain C++.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace vosk {

// The messages between controller and processor. The controller turns the
// capture on and off ("On": 1 or 0) and asks for a frame on every tick of its
// timer; the processor answers a request with the newest frame it has not sent
// yet, if any: the rate ("Rate") and kNumSignals stretches of one length
// ("Samples", 32-bit floats, oldest first), in the order of Signal.
inline constexpr const char* kSpectrumWantedMessage = "SpectrumWanted";
inline constexpr const char* kSpectrumWantedAttribute = "On";
inline constexpr const char* kSpectrumRequestMessage = "SpectrumRequest";
inline constexpr const char* kSpectrumFrameMessage = "SpectrumFrame";
inline constexpr const char* kSpectrumRateAttribute = "Rate";
inline constexpr const char* kSpectrumSamplesAttribute = "Samples";

class SpectrumCapture
{
public:
    enum Signal { kInputLeft, kInputRight, kOutputLeft, kOutputRight, kNumSignals };

    // About 85 ms at any rate, a power of two: 4096 samples at 44.1 and 48 kHz.
    static int32_t frameLengthFor(double sampleRate);

    // Where no audio runs: takes all the memory for the rate and forgets what was captured.
    void prepare(double sampleRate);
    bool isPrepared() const { return length_ > 0; }
    int32_t frameLength() const { return length_; }
    double sampleRate() const { return sampleRate_; }

    // From the main thread. While not wanted the audio thread does nothing; once
    // wanted again, nothing captured before is handed over.
    void setWanted(bool wanted);
    // The audio thread hands over a frame at the end of its next call.
    void request() { requested_.store(true, std::memory_order_relaxed); }

    // On the audio thread, around the signal path: the block's input before it
    // runs (the host may process in place), its output after. Both calls take
    // the same number of samples; null or silent channels count as zeros, a mono
    // channel as both sides.
    void takeInput(const float* const* channels, int32_t numChannels, uint64_t silenceFlags,
                   int32_t numSamples);
    void takeOutput(const float* const* channels, int32_t numChannels, int32_t numSamples);

    // On the main thread: the newest frame handed over since the last call, if
    // there is one, as kNumSignals * frameLength() samples; null otherwise.
    const float* takeFrame();

private:
    void write(int signal, const float* samples, int32_t count);
    void handOver();

    double sampleRate_ = 0.0;
    int32_t length_ = 0;
    std::atomic<bool> wanted_{false};
    std::atomic<bool> requested_{false};

    // The audio thread's own: the last frameLength() samples of each signal.
    std::vector<float> rings_[kNumSignals];
    int32_t position_ = 0;
    int32_t filled_ = 0;       // samples taken since capturing began, up to a frame
    int32_t blockSamples_ = 0; // taken from the block whose output is awaited
    bool capturing_ = false;

    // A triple buffer: the audio thread fills its slot and swaps it with the
    // middle one, marked fresh; the main thread swaps its slot with a fresh
    // middle one. Neither ever waits for the other.
    static constexpr int kFresh = 4;
    std::vector<float> slots_[3];
    int back_ = 0;  // audio thread
    int front_ = 1; // main thread
    std::atomic<int> middle_{2};
};

} // namespace vosk
