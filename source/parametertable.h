// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Every control tag of the plug-in and, for the tags that are host parameters, all
// that the host and the user see of them, with the mappings between normalised and
// physical values. Plain C++: the controller's catalogue, the signal path's intake,
// the command line and the editor-description generator all read it.
#pragma once

#include "source/dsp/filtersection.h"
#include "source/dsp/responsedesign.h"
#include "source/parameterids.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace vosk {

enum class ParameterKind : uint8_t {
    TagOnly,    // a control tag of the editor with no parameter behind it
    Plain,      // a switch (one step) or a bare number
    List,       // stepCount + 1 texts
    Frequency,  // band frequency
    BandGain,   // band gain
    LinearGain, // input and master gains
    Width,      // band width
    Precision,  // band Q
};

// The flags the host sees; the values are those of the VST 3 parameter flags.
constexpr int32_t kAutomatable = 1 << 0;
constexpr int32_t kReadOnly = 1 << 1;
constexpr int32_t kListFlag = 1 << 3;
constexpr int32_t kBypassFlag = 1 << 16;

// The shape and FftSize lists have three entries each.
constexpr int kListEntries = 3;

struct ParameterEntry
{
    uint32_t id;
    const char* tagName;
    const char* title; // null for a control tag only
    ParameterKind kind;
    int32_t stepCount;
    double defaultValue; // normalised
    int32_t flags;
    const char* const* entries; // lists: stepCount + 1 texts; otherwise null
};

// --- the lists -----------------------------------------------------------------------

// The band shape lists show their entries in this order, at the values 0, 0.5 and 1.
inline constexpr const char* kShapeEntries[kListEntries] = {"Bell", "Low Cut", "High Cut"};
inline constexpr const char* kFftSizeEntries[kListEntries] = {"16384", "32768", "65536"};
inline constexpr int32_t kFftSizes[kListEntries] = {16384, 32768, 65536};

// The transform length the FftSize list's value selects, the entry a host shows for it.
constexpr int32_t fftSizeFromListValue(double value)
{
    const double scaled = value * kListEntries;
    return kFftSizes[scaled >= 2.0 ? 2 : scaled >= 1.0 ? 1 : 0];
}

// The FftSize list's value for a transform length; -1 for a length it does not offer.
constexpr double listValueOfFftSize(int32_t size)
{
    return size == kFftSizes[0] ? 0.0 : size == kFftSizes[1] ? 0.5 : size == kFftSizes[2] ? 1.0 : -1.0;
}

// The phase the Phase list's value selects: its second entry from one half on, as a
// host shows it.
inline constexpr const char* kPhaseEntries[] = {"Linear", "Minimum"};

constexpr Phase phaseFromListValue(double value)
{
    return value >= 0.5 ? Phase::Minimum : Phase::Linear;
}

constexpr double listValueOfPhase(Phase phase)
{
    return phase == Phase::Minimum ? 1.0 : 0.0;
}

// The shape a shape list's value selects: only the entries' own values select the cuts.
constexpr SectionShape shapeFromListValue(double value)
{
    return value == 0.5 ? ShapeLowCut : value == 1.0 ? ShapeHighCut : ShapeBell;
}

// The shape list's value that selects `shape`.
constexpr double listValueOfShape(int32_t shape)
{
    return shape == ShapeHighCut ? 1.0 : shape == ShapeLowCut ? 0.5 : 0.0;
}

// The type parameters split their range in three: low cut, bell, high cut.
constexpr SectionShape shapeFromTypeValue(double value)
{
    return value <= 0.2 ? ShapeLowCut : value <= 0.8 ? ShapeBell : ShapeHighCut;
}

// --- normalised and physical values ----------------------------------------------------------
// The signal path holds single-precision values; the texts compute in double from the
// single-precision normalised value. Where a mapping serves both, `Real` is the precision
// of the result and each side keeps its own rounding.

// Band frequency: 20 Hz ... 20 kHz on a logarithmic scale.
constexpr double kMinFrequencyHz = 20.0;
constexpr double kMaxFrequencyHz = 20000.0;

template <typename Real = float> Real frequencyFromNorm(float norm)
{
    return static_cast<Real>(2000.0 * std::pow(10.0, 3.0 * static_cast<double>(norm) - 2.0));
}

// The inverse, for frequencies limited to the range.
inline double normFromFrequency(double hz)
{
    hz = hz > kMaxFrequencyHz ? kMaxFrequencyHz : (hz < kMinFrequencyHz ? kMinFrequencyHz : hz);
    return (std::log10(hz / 2000.0) + 2.0) / 3.0;
}

// Band gain, the linear gain added to unity: below one half the value less one half,
// above it twice that (-0.5 ... +1, about -6 ... +6 dB).
constexpr double kMaxBandGainDb = 6.0;

template <typename Real> Real bandGainFromNorm(Real norm)
{
    return norm < Real(0.5) ? norm - Real(0.5) : Real(2) * (norm - Real(0.5));
}

// 20 log10 of an amplitude, the logarithm in single precision as the texts have it.
inline double amplitudeToDb(float amplitude)
{
    return 20.0 * static_cast<float>(std::log10(static_cast<double>(amplitude)));
}

// 10^(dB/20) in single precision, the way typed gains are converted.
inline float dbToAmplitude(double db)
{
    const float ln10 = static_cast<float>(2.302585092994045684);
    const float exponent = static_cast<float>(double(static_cast<float>(db)) * double(ln10) / 20.0);
    return static_cast<float>(std::exp(static_cast<double>(exponent)));
}

// The band gain's inverse, from decibels limited to the range.
inline double bandGainNormFromDb(double db)
{
    db = db > kMaxBandGainDb ? kMaxBandGainDb : (db < -kMaxBandGainDb ? -kMaxBandGainDb : db);
    return db <= 0.0 ? std::pow(10.0, db / 20.0) - 0.5 : 0.5 * dbToAmplitude(db);
}

// Input and master gains: linear, 4 x the value (up to +12 dB).
constexpr float kMaxLinearGain = 4.0f;
constexpr double kMaxLinearGainDb = 12.0;

template <typename Real> Real linearGainFromNorm(Real norm)
{
    return Real(kMaxLinearGain) * norm;
}

template <typename Real> Real normFromLinearGain(Real gain)
{
    return gain / Real(kMaxLinearGain);
}

// Band width. The normalised value v plays as a width of 2 v (never below 0.1) and is
// shown as 4 v: the figure on screen is twice the width played. A band's initial
// normalised value is the one that shows its initial width, so a band never moved
// plays twice what its value alone would give.
constexpr float kMinWidth = 0.1f;
constexpr float kPlayedWidthPerNorm = 2.0f;
constexpr float kShownWidthPerNorm = 2.0f * kPlayedWidthPerNorm;

constexpr float widthFromNorm(float norm)
{
    const float width = kPlayedWidthPerNorm * norm;
    return width < kMinWidth ? kMinWidth : width;
}

template <typename Real> constexpr Real normFromPlayedWidth(Real width)
{
    return width / Real(kPlayedWidthPerNorm);
}

template <typename Real> constexpr Real normFromShownWidth(Real width)
{
    return width / Real(kShownWidthPerNorm);
}

// Band Q: the normalised value itself, shown as ten times that.
constexpr double kShownQPerNorm = 10.0;

constexpr float qFromNorm(float norm)
{
    return norm;
}

// A switch is on above one half, or below it where it acts below one half.
constexpr bool switchIsOn(uint32_t id, double value)
{
    return actsBelowHalf(id) ? value < 0.5 : value > 0.5;
}

// The normalised value that sets a switch on or off.
constexpr double switchValue(uint32_t id, bool on)
{
    return on != actsBelowHalf(id) ? 1.0 : 0.0;
}

// --- the table -------------------------------------------------------------------------------

// Each kind's default and steps, as the host sees them.
constexpr double kFrequencyDefault = double(0.507f);
constexpr double kBandGainDefault = 0.5;
constexpr double kLinearGainDefault = 0.25;
constexpr double kWidthDefault = 0.25;
constexpr int32_t kWidthSteps = 100;
constexpr double kPrecisionDefault = 1.0;

namespace table {

constexpr ParameterEntry tagOnly(uint32_t id, const char* name)
{
    return {id, name, nullptr, ParameterKind::TagOnly, 0, 0.0, 0, nullptr};
}
constexpr ParameterEntry plain(uint32_t id, const char* name, const char* title, int32_t steps,
                               double defaultValue, int32_t flags = kAutomatable)
{
    return {id, name, title, ParameterKind::Plain, steps, defaultValue, flags, nullptr};
}
template <size_t N>
constexpr ParameterEntry list(uint32_t id, const char* name, const char* title,
                              const char* const (&entries)[N])
{
    constexpr int32_t steps = static_cast<int32_t>(N) - 1;
    return {id, name, title, ParameterKind::List, steps, 0.0, kAutomatable | kListFlag, entries};
}
constexpr ParameterEntry linearGain(uint32_t id, const char* name, const char* title, int32_t flags)
{
    return {id, name, title, ParameterKind::LinearGain, 0, kLinearGainDefault, flags, nullptr};
}
constexpr ParameterEntry frequency(uint32_t id, const char* name, const char* title)
{
    return {id, name, title, ParameterKind::Frequency, 0, kFrequencyDefault, kAutomatable, nullptr};
}
constexpr ParameterEntry bandGain(uint32_t id, const char* name, const char* title)
{
    return {id, name, title, ParameterKind::BandGain, 0, kBandGainDefault, kAutomatable, nullptr};
}
constexpr ParameterEntry precision(uint32_t id, const char* name, const char* title)
{
    return {id, name, title, ParameterKind::Precision, 0, kPrecisionDefault, kAutomatable, nullptr};
}
constexpr ParameterEntry width(uint32_t id, const char* name, const char* title)
{
    return {id, name, title, ParameterKind::Width, kWidthSteps, kWidthDefault, kAutomatable, nullptr};
}

} // namespace table

// Indexed by identifier.
inline constexpr ParameterEntry kParameters[kNumControlTags] = {
    table::plain(kBypass, "kBypass", "BYPASS", 1, 0.0, kAutomatable | kBypassFlag),
    table::plain(kOnLoCut, "kOnLoCut", "ON/OFFLoCut", 1, 1.0),
    table::plain(kOn1R, "kOn1R", "ON/OFF1R", 0, 1.0),
    table::plain(kOn2R, "kOn2R", "ON/OFF2R", 0, 1.0),
    table::plain(kOn3R, "kOn3R", "ON/OFF3R", 0, 1.0),
    table::plain(kOn4R, "kOn4R", "ON/OFF4R", 0, 1.0),
    table::plain(kOn1L, "kOn1L", "ON/OFF1L", 0, 1.0),
    table::plain(kOn2L, "kOn2L", "ON/OFF2L", 0, 1.0),
    table::plain(kOn3L, "kOn3L", "ON/OFF3L", 0, 1.0),
    table::plain(kOn4L, "kOn4L", "ON/OFF4L", 0, 1.0),
    table::plain(kOnHiCut, "kOnHiCut", "ON/OFFHiCut", 0, 1.0),
    table::linearGain(kInGain, "kInGain", "InputGain", kAutomatable),
    table::tagOnly(kOutGain, "kOutGain"),
    table::plain(VuMeterLeft, "VuMeterLeft", "VU_L", 0, 0.0, kReadOnly),
    table::plain(VUMeterRight, "VUMeterRight", "VU_R", 0, 0.0, kReadOnly),
    table::tagOnly(kLeftRight, "kLeftRight"),
    table::plain(kLink, "kLink", "cLink", 1, 0.0),
    table::plain(kMidSide, "kMidSide", "cMidSide", 1, 1.0),
    table::plain(kMuteMid, "kMuteMid", "MuteMid", 0, 1.0),
    table::plain(kMuteSide, "kMuteSide", "MuteSide", 0, 1.0),
    table::frequency(kFreq1R, "kFreq1R", "Freq1R"),
    table::frequency(kFreq2R, "kFreq2R", "Freq2R"),
    table::frequency(kFreq3R, "kFreq3R", "Freq3R"),
    table::frequency(kFreq4R, "kFreq4R", "Freq4R"),
    table::frequency(kFreq1L, "kFreq1L", "Freq1L"),
    table::frequency(kFreq2L, "kFreq2L", "Freq2L"),
    table::frequency(kFreq3L, "kFreq3L", "Freq3L"),
    table::frequency(kFreq4L, "kFreq4L", "Freq4L"),
    table::bandGain(kGain1R, "kGain1R", "Gain1R"),
    table::bandGain(kGain2R, "kGain2R", "Gain2R"),
    table::bandGain(kGain3R, "kGain3R", "Gain3R"),
    table::bandGain(kGain4R, "kGain4R", "Gain4R"),
    table::bandGain(kGain1L, "kGain1L", "Gain1L"),
    table::bandGain(kGain2L, "kGain2L", "Gain2L"),
    table::bandGain(kGain3L, "kGain3L", "Gain3L"),
    table::bandGain(kGain4L, "kGain4L", "Gain4L"),
    table::precision(kQ1R, "kQ1R", "P1R"),
    table::precision(kQ2R, "kQ2R", "P2R"),
    table::precision(kQ3R, "kQ3R", "P3R"),
    table::precision(kQ4R, "kQ4R", "P4R"),
    table::precision(kQ1L, "kQ1L", "P1L"),
    table::precision(kQ2L, "kQ2L", "P2L"),
    table::precision(kQ3L, "kQ3L", "P3L"),
    table::precision(kQ4L, "kQ4L", "P4L"),
    table::width(kBW1R, "kBW1R", "BW1R"),
    table::width(kBW2R, "kBW2R", "BW2R"),
    table::width(kBW3R, "kBW3R", "BW3R"),
    table::width(kBW4R, "kBW4R", "BW4R"),
    table::width(kBW1L, "kBW1L", "BW1L"),
    table::width(kBW2L, "kBW2L", "BW2L"),
    table::width(kBW3L, "kBW3L", "BW3L"),
    table::width(kBW4L, "kBW4L", "BW4L"),
    table::tagOnly(kCh1, "kCh1"),
    table::tagOnly(kCh2, "kCh2"),
    table::tagOnly(kCh3, "kCh3"),
    table::tagOnly(kCh4, "kCh4"),
    table::tagOnly(kCh5, "kCh5"),
    table::tagOnly(kCh6, "kCh6"),
    table::plain(kType1, "kType1", "Type1", 0, 0.0),
    table::plain(kType2, "kType2", "Type2", 0, 0.0),
    table::plain(kType3, "kType3", "Type3", 0, 0.0),
    table::plain(kType4, "kType4", "Type4", 0, 0.0),
    table::plain(kType5, "kType5", "Type5", 0, 0.0),
    table::plain(kType6, "kType6", "Type6", 0, 0.0),
    table::tagOnly(kType7, "kType7"),
    table::tagOnly(kType8, "kType8"),
    table::plain(kLpeak, "kLpeak", "LPeak", 1, 0.0),
    table::plain(kRpeak, "kRpeak", "RPeak", 1, 0.0),
    table::linearGain(kLgain, "kLgain", "LeftMasterGain", 0),
    table::linearGain(kRgain, "kRgain", "RightMasterGain", 0),
    table::tagOnly(kAbout, "kAbout"),
    table::list(kShape1R, "kShape1R", "kShape1", kShapeEntries),
    table::list(kShape2R, "kShape2R", "kShape2", kShapeEntries),
    table::list(kShape3R, "kShape3R", "kShape3", kShapeEntries),
    table::list(kShape4R, "kShape4R", "kShape4", kShapeEntries),
    table::list(kShape1L, "kShape1L", "kShape5", kShapeEntries),
    table::list(kShape2L, "kShape2L", "kShape6", kShapeEntries),
    table::list(kShape3L, "kShape3L", "kShape7", kShapeEntries),
    table::list(kShape4L, "kShape4L", "kShape8", kShapeEntries),
    table::list(kFftSizeMenu, "kFftSizeMenu", "FftSize", kFftSizeEntries),
    table::tagOnly(kCurvePanel, "kCurvePanel"),
    table::list(kPhase, "kPhase", "Phase", kPhaseEntries),
};

constexpr bool tableIsIndexedById()
{
    for (uint32_t i = 0; i < kNumControlTags; ++i)
        if (kParameters[i].id != i) return false;
    return true;
}
static_assert(tableIsIndexedById(), "every control tag has its row, at its own number");

constexpr bool isParameter(uint32_t id)
{
    return id < kNumControlTags && kParameters[id].kind != ParameterKind::TagOnly;
}

// --- values kept exactly ---------------------------------------------------------------------
// The parameters whose values the signal path reads through a threshold or a list's entries.
// It keeps the exact normalised value each was last set to, so that a saved project gives the
// host back what it set, not merely the side of the threshold the value fell on.
inline constexpr uint32_t kHeldValueTags[] = {
    kBypass,  kOnLoCut, kOnHiCut, kOn1R,    kOn2R,    kOn3R,        kOn4R,     kOn1L,
    kOn2L,    kOn3L,    kOn4L,    kLink,    kMidSide, kMuteMid,     kMuteSide, kType1,
    kType2,   kType3,   kType4,   kType5,   kType6,   kShape1R,     kShape2R,  kShape3R,
    kShape4R, kShape1L, kShape2L, kShape3L, kShape4L, kFftSizeMenu, kPhase,
};
constexpr int kNumHeldValues = static_cast<int>(sizeof(kHeldValueTags) / sizeof(kHeldValueTags[0]));

// Each identifier's place among the held values, -1 where it is not held: a table, as the
// intake asks for every point it applies.
constexpr std::array<int8_t, kNumControlTags> heldValuePlaces()
{
    std::array<int8_t, kNumControlTags> places{};
    for (auto& place : places) place = -1;
    for (int i = 0; i < kNumHeldValues; ++i) places[kHeldValueTags[i]] = static_cast<int8_t>(i);
    return places;
}
inline constexpr std::array<int8_t, kNumControlTags> kHeldValuePlaces = heldValuePlaces();

// The value's place among the held values; -1 for a parameter that is not held.
constexpr int heldValueIndex(uint32_t id)
{
    return id < kNumControlTags ? kHeldValuePlaces[id] : -1;
}

// What the held values are before a host sets any: the parameters' defaults.
constexpr std::array<float, kNumHeldValues> defaultHeldValues()
{
    std::array<float, kNumHeldValues> values{};
    for (int i = 0; i < kNumHeldValues; ++i)
        values[static_cast<size_t>(i)] = static_cast<float>(kParameters[kHeldValueTags[i]].defaultValue);
    return values;
}

// The type value that selects `shape`: the middle of the shape's third.
constexpr double typeValueOfShape(int32_t shape)
{
    return shape == ShapeLowCut ? 0.0 : shape == ShapeHighCut ? 1.0 : 0.5;
}

} // namespace vosk
