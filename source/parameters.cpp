// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "source/parameters.h"

#include "source/numbertext.h"
#include "source/parametertable.h"

namespace vosk {

using Steinberg::Vst::kRootUnitId;
using Steinberg::Vst::Parameter;

namespace {

const TChar kHertz[] = {'H', 'z', 0};
const TChar kDecibel[] = {'d', 'B', 0};

// The gain conversions run partly in single precision; single() marks where.
float single(double x)
{
    return static_cast<float>(x);
}

// An ASCII comparison that ignores letter case, for the texts of switches.
bool equalsIgnoringCase(const TChar* text, const char* ascii)
{
    auto lower = [](int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    for (; *ascii; ++text, ++ascii)
        if (lower(*text) != lower(static_cast<unsigned char>(*ascii))) return false;
    return *text == 0;
}

} // namespace

// --- PlainParameter --------------------------------------------------------------------

PlainParameter::PlainParameter(const TChar* title, ParamID tag, const TChar* units, ParamValue defaultValue,
                               int32 stepCount, int32 flags, bool onBelowHalf)
    : Parameter(title, tag, units, defaultValue, stepCount, flags, kRootUnitId), onBelowHalf_(onBelowHalf)
{
}

void PlainParameter::toString(ParamValue normValue, String128 string) const
{
    if (info.stepCount == 1) {
        const bool on = onBelowHalf_ ? normValue < 0.5 : normValue > 0.5;
        writeAscii(on ? "On" : "Off", string);
    } else {
        writeFixed(normValue, precision, string);
    }
}

bool PlainParameter::fromString(const TChar* string, ParamValue& normValue) const
{
    if (info.stepCount == 1 && string) {
        for (bool on : {true, false}) {
            if (equalsIgnoringCase(string, on ? "On" : "Off")) {
                normValue = on != onBelowHalf_ ? 1.0 : 0.0;
                return true;
            }
        }
    }
    return readNumber(string, normValue);
}

// --- ListParameter ---------------------------------------------------------------------

ListParameter::ListParameter(const TChar* title, ParamID tag, int32 flags)
    : StringListParameter(title, tag, nullptr, flags, kRootUnitId)
{
}

void ListParameter::toString(ParamValue normValue, String128 string) const
{
    if (strings.empty()) {
        string[0] = 0;
        return;
    }
    // Written so that NaN lands on the first entry too.
    const ParamValue limited = normValue > 1.0 ? 1.0 : (normValue >= 0.0 ? normValue : 0.0);
    StringListParameter::toString(limited, string);
}

// --- FreqParameter ---------------------------------------------------------------------

FreqParameter::FreqParameter(int32 flags, ParamID tag, const TChar* title)
    : Parameter(title, tag, kHertz, kFrequencyDefault, 0, flags, kRootUnitId)
{
    // Knobs open above the reported default on purpose: the two differ.
    setNormalized(double(0.56667f));
}

void FreqParameter::toString(ParamValue normValue, String128 string) const
{
    writeFixed(frequencyFromNorm<double>(single(normValue)), 0, string);
}

bool FreqParameter::fromString(const TChar* string, ParamValue& normValue) const
{
    double hz = 0;
    if (!readNumber(string, hz)) return false;
    normValue = normFromFrequency(hz);
    return true;
}

// --- GainParameter ---------------------------------------------------------------------

GainParameter::GainParameter(int32 flags, ParamID tag, const TChar* title)
    : Parameter(title, tag, kDecibel, kBandGainDefault, 0, flags, kRootUnitId)
{
}

void GainParameter::toString(ParamValue normValue, String128 string) const
{
    const float amplitude = single(1.0 + bandGainFromNorm(double(single(normValue))));
    writeFixed(amplitudeToDb(amplitude), 1, string);
}

bool GainParameter::fromString(const TChar* string, ParamValue& normValue) const
{
    double db = 0;
    if (!readNumber(string, db)) return false;
    normValue = bandGainNormFromDb(db);
    return true;
}

// --- InGainParameter -------------------------------------------------------------------

InGainParameter::InGainParameter(int32 flags, ParamID tag, const TChar* title)
    : Parameter(title, tag, kDecibel, kLinearGainDefault, 0, flags, kRootUnitId)
{
}

void InGainParameter::toString(ParamValue normValue, String128 string) const
{
    if (normValue <= 0.0001) {
        writeAscii("-oo", string);
        return;
    }
    writeFixed(amplitudeToDb(linearGainFromNorm(single(normValue))), 1, string);
}

bool InGainParameter::fromString(const TChar* string, ParamValue& normValue) const
{
    double db = 0;
    if (!readNumber(string, db)) return false;
    if (db > kMaxLinearGainDb) db = kMaxLinearGainDb; // no lower limit: very low figures show as "-oo"
    normValue = normFromLinearGain(double(dbToAmplitude(db)));
    return true;
}

// --- BWParameter -----------------------------------------------------------------------

BWParameter::BWParameter(const TChar* title, ParamID tag, const TChar* /*units*/, ParamValue /*minPlain*/,
                         ParamValue /*maxPlain*/, ParamValue /*defaultValuePlain*/, int32 /*stepCount*/,
                         int32 flags, UnitID /*unitID*/)
    : RangeParameter(title, tag, nullptr, 0.0, 1.0, kWidthDefault, 0, flags, kRootUnitId)
{
    // Set after construction: the range base would turn a stepped default into a step index.
    info.stepCount = kWidthSteps;
    setPrecision(2);
}

void BWParameter::toString(ParamValue normValue, String128 string) const
{
    // Where the played width stops at its floor, the text shows the floor itself.
    writeFixed(normValue > 0.05 ? double(single(normValue)) * kShownWidthPerNorm : 0.1, 2, string);
}

bool BWParameter::fromString(const TChar* string, ParamValue& normValue) const
{
    double width = 0;
    if (!readNumber(string, width)) return false;
    if (width <= 0.1)
        normValue = 0.0;
    else if (width > 4.0)
        normValue = 1.0;
    else
        normValue = normFromShownWidth(width);
    return true;
}

ParamValue BWParameter::toPlain(ParamValue normValue) const
{
    return Parameter::toPlain(normValue);
}

ParamValue BWParameter::toNormalized(ParamValue plainValue) const
{
    return Parameter::toNormalized(plainValue);
}

// --- PrecisionParameter ----------------------------------------------------------------

PrecisionParameter::PrecisionParameter(const TChar* title, ParamID tag)
    : Parameter(title, tag, nullptr, kPrecisionDefault, 0, kAutomatable, kRootUnitId)
{
}

void PrecisionParameter::toString(ParamValue normValue, String128 string) const
{
    writeFixed(normValue * kShownQPerNorm, 1, string);
}

bool PrecisionParameter::fromString(const TChar* string, ParamValue& normValue) const
{
    double q = 0;
    if (!readNumber(string, q)) return false;
    normValue = q / kShownQPerNorm; // out-of-range results are clamped when applied
    return true;
}

} // namespace vosk
