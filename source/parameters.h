// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The equaliser's parameter classes. Each keeps the SDK's identity mapping between
// plain and normalised values (0 ... 1); only the texts carry the physical scales.
// Every text is formatted and read independently of the process locale.
#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace vosk {

using Steinberg::int32;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;
using Steinberg::Vst::String128;
using Steinberg::Vst::TChar;
using Steinberg::Vst::UnitID;

// The SDK Parameter ("On"/"Off" for one step, else the number with four decimals),
// with a decimal point whatever the locale. A switch shows and reads "On" where it
// acts: above one half, or below it when `onBelowHalf`.
class PlainParameter : public Steinberg::Vst::Parameter
{
public:
    PlainParameter(const TChar* title, ParamID tag, const TChar* units, ParamValue defaultValue,
                   int32 stepCount, int32 flags, bool onBelowHalf = false);

    void toString(ParamValue normValue, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normValue) const override;

private:
    bool onBelowHalf_;
};

// The SDK StringListParameter; a value outside 0 ... 1 shows the nearest entry instead of
// throwing from the entry lookup.
class ListParameter : public Steinberg::Vst::StringListParameter
{
public:
    ListParameter(const TChar* title, ParamID tag, int32 flags);

    void toString(ParamValue normValue, String128 string) const override;
};

// Band frequency, 20 Hz ... 20 kHz on a logarithmic scale; shown in whole hertz.
class FreqParameter : public Steinberg::Vst::Parameter
{
public:
    FreqParameter(int32 flags, ParamID tag, const TChar* title);

    void toString(ParamValue normValue, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normValue) const override;
};

// Band gain, about -6 ... +6 dB.
class GainParameter : public Steinberg::Vst::Parameter
{
public:
    GainParameter(int32 flags, ParamID tag, const TChar* title);

    void toString(ParamValue normValue, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normValue) const override;
};

// Input and master gains: the amplitude 4 x value in dB, "-oo" near silence.
class InGainParameter : public Steinberg::Vst::Parameter
{
public:
    InGainParameter(int32 flags, ParamID tag, const TChar* title);

    void toString(ParamValue normValue, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normValue) const override;
};

// Band width, shown as 4 x value (0.10 ... 4.00), 101 steps. Takes a range parameter's
// arguments, of which only title, tag and flags count.
class BWParameter : public Steinberg::Vst::RangeParameter
{
public:
    BWParameter(const TChar* title, ParamID tag, const TChar* units, ParamValue minPlain, ParamValue maxPlain,
                ParamValue defaultValuePlain, int32 stepCount, int32 flags, UnitID unitID);

    void toString(ParamValue normValue, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normValue) const override;
    // The range base maps to steps; these parameters keep plain = normalised.
    ParamValue toPlain(ParamValue normValue) const override;
    ParamValue toNormalized(ParamValue plainValue) const override;
};

// Band Q, shown as 10 x value.
class PrecisionParameter : public Steinberg::Vst::Parameter
{
public:
    PrecisionParameter(const TChar* title, ParamID tag);

    void toString(ParamValue normValue, String128 string) const override;
    bool fromString(const TChar* string, ParamValue& normValue) const override;
};

} // namespace vosk
