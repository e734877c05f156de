#include "blockconvolver.h"

#include <algorithm>
#include <cstring>

namespace vosk {

void BlockConvolver::allocate()
{
    inBlock_.assign(kFftSize, 0.0f);
    workSpectrum_.assign(kFftSize, 0.0f);
    timeResult_.assign(kFftSize, 0.0f);
    outBlock_.assign(kHalfFft, 0.0f);
    overlapTail_.assign(kHalfFft, 0.0f);
    blockPos_ = 0;
}

void BlockConvolver::process(const float* x, float* y, int32_t count, const float* kernelSpectrum,
                             const ffft::FFTReal<float>& fft)
{
    while (count > 0) {
        const int32_t run = std::min(count, kHalfFft - blockPos_);
        // The input is taken before the output overwrites it (x may be y).
        const size_t bytes = sizeof(float) * static_cast<size_t>(run);
        std::memcpy(inBlock_.data() + blockPos_, x, bytes);
        std::memcpy(y, outBlock_.data() + blockPos_, bytes);
        blockPos_ += run;
        x += run;
        y += run;
        count -= run;
        if (blockPos_ == kHalfFft) completeBlock(kernelSpectrum, fft);
    }
}

void BlockConvolver::completeBlock(const float* kernelSpectrum, const ffft::FFTReal<float>& fft)
{
    fft.forward_transform(workSpectrum_.data(), inBlock_.data());
    multiplySpectrum(workSpectrum_.data(), kernelSpectrum);
    fft.inverse_transform(workSpectrum_.data(), timeResult_.data());
    fft.rescale_by_length(timeResult_.data());
    float* __restrict out = outBlock_.data();
    float* __restrict tail = overlapTail_.data();
    const float* __restrict result = timeResult_.data();
    for (int32_t i = 0; i < kHalfFft; ++i) {
        out[i] = tail[i] + result[i];
        tail[i] = result[kHalfFft + i];
    }
    blockPos_ = 0;
}

void BlockConvolver::skipSilence(int32_t count)
{
    // With a zero history only the gathered inputs would change: they become zeros.
    if (blockPos_ + count < kHalfFft) {
        std::memset(inBlock_.data() + blockPos_, 0, sizeof(float) * static_cast<size_t>(count));
        blockPos_ += count;
    } else {
        std::memset(inBlock_.data(), 0, sizeof(float) * kHalfFft);
        blockPos_ = (blockPos_ + count) % kHalfFft;
    }
}

} // namespace vosk
