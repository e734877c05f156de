// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Parameter identifiers shared by processor, controller and editor.
// The numbers are also the control tags of the editor description; never renumber.
#pragma once

#include <cstdint>

namespace vosk {

enum ParameterId : uint32_t {
    kBypass = 0,
    kOnLoCut = 1,
    kOn1R = 2, kOn2R = 3, kOn3R = 4, kOn4R = 5,
    kOn1L = 6, kOn2L = 7, kOn3L = 8, kOn4L = 9,
    kOnHiCut = 10,
    kInGain = 11,
    kOutGain = 12,       // control tag only, no parameter
    VuMeterLeft = 13,
    VUMeterRight = 14,
    kLeftRight = 15,     // control tag only
    kLink = 16,
    kMidSide = 17,
    kMuteMid = 18,
    kMuteSide = 19,
    kFreq1R = 20, kFreq2R = 21, kFreq3R = 22, kFreq4R = 23,
    kFreq1L = 24, kFreq2L = 25, kFreq3L = 26, kFreq4L = 27,
    kGain1R = 28, kGain2R = 29, kGain3R = 30, kGain4R = 31,
    kGain1L = 32, kGain2L = 33, kGain3L = 34, kGain4L = 35,
    kQ1R = 36, kQ2R = 37, kQ3R = 38, kQ4R = 39,
    kQ1L = 40, kQ2L = 41, kQ3L = 42, kQ4L = 43,
    kBW1R = 44, kBW2R = 45, kBW3R = 46, kBW4R = 47,
    kBW1L = 48, kBW2L = 49, kBW3L = 50, kBW4L = 51,
    kCh1 = 52, kCh2 = 53, kCh3 = 54, kCh4 = 55, kCh5 = 56, kCh6 = 57,  // control tags only
    kType1 = 58, kType2 = 59, kType3 = 60, kType4 = 61, kType5 = 62, kType6 = 63,
    kType7 = 64, kType8 = 65,  // control tags only
    kLpeak = 66,
    kRpeak = 67,
    kLgain = 68,
    kRgain = 69,
    kAbout = 70,         // editor-only tag: the about button and its splash
    kShape1R = 71, kShape2R = 72, kShape3R = 73, kShape4R = 74,
    kShape1L = 75, kShape2L = 76, kShape3L = 77, kShape4L = 78,
    kFftSizeMenu = 79,
    kCurvePanel = 80,    // editor-only tag: the curve panel's button and the panel
    kPhase = 81,
};

constexpr uint32_t kNumControlTags = 82;

// The link and mid/side switches act while their normalised value is below one half,
// every other switch while it is above. Projects and automation store these values,
// so the senses stay; what the user sees follows them.
constexpr bool actsBelowHalf(uint32_t id)
{
    return id == kLink || id == kMidSide;
}

// The controller tells the processor a transform length chosen (attribute "Size")
// ahead of the restart it asks the host for, so that the restart finds it there.
inline constexpr const char* kFftSizeMessage = "FftSize";
inline constexpr const char* kFftSizeAttribute = "Size";
// The same for a phase chosen (attribute "Phase", 1 for minimum phase).
inline constexpr const char* kPhaseMessage = "Phase";
inline constexpr const char* kPhaseAttribute = "Phase";

// The processor tells the controller the sample rate (attribute "Rate", a float)
// and transform length ("Size") it plays with at each setup, for the editor's curve.
inline constexpr const char* kProcessingSetupMessage = "ProcessingSetup";
inline constexpr const char* kSampleRateAttribute = "Rate";

// Band-parameter groups list the four R tags first, then the four L tags.
// band is 1..4, channel 0 is L (left/mid), 1 is R (right/side).
constexpr uint32_t bandTag(uint32_t firstOfGroup, int band, int channel)
{
    return firstOfGroup + static_cast<uint32_t>(band - 1) + (channel == 0 ? 4u : 0u);
}

}  // namespace vosk
