// Overlap-add convolution of one channel with its response, in blocks of
// kFftSize/2 samples gathered one sample at a time.
#pragma once

#include "responsedesign.h"

#include "ffft/FFTReal.h"

#include <vector>

namespace vosk {

class BlockConvolver
{
public:
    void allocate(); // sizes and clears every buffer; the only place that clears history

    // y[i] is the output for input x[i]; x and y may be the same array.
    void process(const float* x, float* y, int32_t count, const float* kernelSpectrum,
                 const ffft::FFTReal<float>& fft);

    // Same as feeding `count` zeros, valid only while the whole history is zero.
    void skipSilence(int32_t count);

    int32_t blockPosition() const { return blockPos_; }

private:
    void completeBlock(const float* kernelSpectrum, const ffft::FFTReal<float>& fft);

    int32_t blockPos_ = 0;
    std::vector<float> inBlock_, workSpectrum_, outBlock_, timeResult_, overlapTail_;
};

} // namespace vosk
