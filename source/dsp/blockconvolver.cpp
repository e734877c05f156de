#include "blockconvolver.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk {

namespace {

void zero(std::vector<float>& v)
{
    std::fill(v.begin(), v.end(), 0.0f);
}

// Turns a pair of left/right signals into mid/side or back: the matrix is its own inverse.
void convertPair(float* a, float* b, int32_t count)
{
    constexpr float g = BlockConvolver::kMatrixGain;
    for (int32_t i = 0; i < count; ++i) {
        const float x = a[i];
        const float y = b[i];
        a[i] = (x + y) * g;
        b[i] = (x - y) * g;
    }
}

} // namespace

void BlockConvolver::allocate(TransformSize size)
{
    n_ = size.n;
    half_ = size.half();
    const auto n = static_cast<size_t>(n_);
    const auto half = static_cast<size_t>(half_);
    for (int c = 0; c < kNumChannels; ++c) {
        inBlock_[c].assign(n, 0.0f);
        spectrum_[c].assign(n, 0.0f);
        outBlock_[c].assign(half, 0.0f);
        overlapTail_[c].assign(half, 0.0f);
        nextTail_[c].assign(half, 0.0f);
    }
    product_.assign(n, 0.0f);
    timeResult_.assign(n, 0.0f);
    // Raised-cosine weights: the old and the new output always sum to one, and the
    // change has no corner to splatter from.
    fadeIn_.resize(half);
    for (int32_t i = 0; i < half_; ++i) {
        const double s = std::sin(0.5 * kPi * (i + 0.5) / half_);
        fadeIn_[static_cast<size_t>(i)] = static_cast<float>(s * s);
    }
    blockPos_ = 0;
    outputMidSide_ = false;
    fadePending_ = false;
}

void BlockConvolver::exchange(int channel, const float* x, float* y, int32_t count)
{
    // The input is taken before the output overwrites it (x may be y).
    const size_t bytes = sizeof(float) * static_cast<size_t>(count);
    std::memmove(inBlock_[channel].data() + blockPos_, x, bytes);
    std::memmove(y, outBlock_[channel].data() + blockPos_, bytes);
}

void BlockConvolver::skipSilence(int32_t count)
{
    for (auto& block : inBlock_)
        std::memset(block.data() + blockPos_, 0, sizeof(float) * static_cast<size_t>(count));
    blockPos_ += count;
}

const float* BlockConvolver::previousSpectrum(int channel, bool fromMidSide, bool toMidSide)
{
    if (fromMidSide == toMidSide) return spectrum_[channel].data();
    return convertedSpectrum(channel);
}

void BlockConvolver::prepareTail(int channel, const HopResponses& responses, const ffft::FFTReal<float>& fft)
{
    const float* previous = previousSpectrum(channel, responses.previousMidSide, responses.nextMidSide);
    multiplySpectra(product_.data(), previous, responses.next[channel], n_);
    fft.inverse_transform(product_.data(), timeResult_.data());
    fft.rescale_by_length(timeResult_.data());
    std::memcpy(nextTail_[channel].data(), timeResult_.data() + half_, sizeof(float) * static_cast<size_t>(half_));
}

void BlockConvolver::filterSteady(int channel, const float* kernel, const ffft::FFTReal<float>& fft)
{
    multiplySpectra(product_.data(), spectrum_[channel].data(), kernel, n_);
    fft.inverse_transform(product_.data(), timeResult_.data());
    fft.rescale_by_length(timeResult_.data());
    float* __restrict out = outBlock_[channel].data();
    float* __restrict tail = overlapTail_[channel].data();
    const float* __restrict result = timeResult_.data();
    for (int32_t i = 0; i < half_; ++i) {
        out[i] = tail[i] + result[i];
        tail[i] = result[half_ + i];
    }
}

void BlockConvolver::completeHop(const HopResponses& responses, int channels, const ffft::FFTReal<float>& fft)
{
    // The previous hop's spectra have served (prepareTail): the latest takes their place.
    channels = std::clamp(channels, 0, kNumChannels);
    for (int c = 0; c < channels; ++c) fft.forward_transform(spectrum_[c].data(), inBlock_[c].data());

    bool fade = false;
    for (int c = 0; c < channels; ++c) fade = fade || (responses.fade && responses.changes(c));
    const bool domainChanges = fade && responses.domainChanges() && channels == kNumChannels;

    // The previous output path: this hop filtered as the previous one was, in its domain.
    for (int c = 0; c < channels; ++c) {
        if (!fade || !responses.changes(c)) {
            filterSteady(c, responses.next[c], fft);
            continue;
        }
        const float* spectrum = domainChanges ? convertedSpectrum(c) : spectrum_[c].data();
        multiplySpectra(product_.data(), spectrum, responses.previous[c], n_);
        fft.inverse_transform(product_.data(), timeResult_.data());
        fft.rescale_by_length(timeResult_.data());
        float* out = outBlock_[c].data();
        const float* tail = overlapTail_[c].data();
        for (int32_t i = 0; i < half_; ++i) out[i] = tail[i] + timeResult_[i];
    }
    outputMidSide_ = responses.nextMidSide;
    blockPos_ = 0;
    if (fade) {
        fading_ = responses;
        fadingChannels_ = channels;
        fadePending_ = true;
    }
}

void BlockConvolver::finishFade(const ffft::FFTReal<float>& fft)
{
    if (!fadePending_) return;
    fadePending_ = false;
    const HopResponses& responses = fading_;
    const int channels = fadingChannels_;
    const bool domainChanges = responses.domainChanges() && channels == kNumChannels;

    // The next output path, which goes on after this hop.
    for (int c = 0; c < channels; ++c) {
        if (!responses.changes(c)) continue;
        multiplySpectra(product_.data(), spectrum_[c].data(), responses.next[c], n_);
        fft.inverse_transform(product_.data(), timeResult_.data());
        fft.rescale_by_length(timeResult_.data());
        float* next = nextTail_[c].data();
        float* tail = overlapTail_[c].data();
        for (int32_t i = 0; i < half_; ++i) {
            next[i] += timeResult_[i];
            tail[i] = timeResult_[half_ + i];
        }
    }
    if (domainChanges) {
        // Both paths meet in left/right.
        if (responses.previousMidSide) convertPair(outBlock_[0].data(), outBlock_[1].data(), half_);
        if (responses.nextMidSide) convertPair(nextTail_[0].data(), nextTail_[1].data(), half_);
        outputMidSide_ = false;
    } else {
        outputMidSide_ = responses.nextMidSide;
    }
    const float* w = fadeIn_.data();
    for (int c = 0; c < channels; ++c) {
        if (!responses.changes(c)) continue;
        float* out = outBlock_[c].data();
        const float* next = nextTail_[c].data();
        for (int32_t i = 0; i < half_; ++i) out[i] += w[i] * (next[i] - out[i]);
    }
}

void BlockConvolver::completeSilentHop(const HopResponses& responses)
{
    for (auto& spectrum : spectrum_) zero(spectrum);
    outputMidSide_ = responses.nextMidSide;
    blockPos_ = 0;
}

const float* BlockConvolver::convertedSpectrum(int channel)
{
    // The matrix is linear: applied bin by bin it converts the spectra as it would
    // the samples. The result lives in timeResult_ until the next transform.
    const float* a = spectrum_[0].data();
    const float* b = spectrum_[1].data();
    float* out = timeResult_.data();
    const float sign = channel == 0 ? 1.0f : -1.0f;
    for (int32_t k = 0; k < n_; ++k) out[k] = (a[k] + sign * b[k]) * kMatrixGain;
    return out;
}

} // namespace vosk
