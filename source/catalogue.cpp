#include "catalogue.h"

#include "numbertext.h"
#include "parameterids.h"
#include "parameters.h"

#include <new>

namespace vosk {

using Steinberg::Vst::ParameterInfo;

namespace {

constexpr int32 kNone = 0;
constexpr int32 kAuto = ParameterInfo::kCanAutomate;
constexpr int32 kReadOnly = ParameterInfo::kIsReadOnly;
constexpr int32 kBypassFlags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
constexpr int32 kListFlags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList;

const char* const kShapeEntries[kListEntries] = {"Bell", "Low Cut", "High Cut"};
const char* const kFftSizeEntries[kListEntries] = {"16384", "32768", "65536"};

// One maker per class; the units, steps and defaults of our own classes are those the
// classes fix.
constexpr CatalogueEntry plain(ParamID id, const char* title, int32 steps, double defaultValue, int32 flags)
{
    return {id, title, ParameterClass::Plain, "", steps, defaultValue, flags, nullptr};
}
constexpr CatalogueEntry list(ParamID id, const char* title, const char* const* entries)
{
    return {id, title, ParameterClass::List, "", kListEntries - 1, 0.0, kListFlags, entries};
}
constexpr CatalogueEntry inGain(ParamID id, const char* title, int32 flags)
{
    return {id, title, ParameterClass::InGain, "dB", 0, 0.25, flags, nullptr};
}
constexpr CatalogueEntry freq(ParamID id, const char* title)
{
    return {id, title, ParameterClass::Freq, "Hz", 0, double(0.507f), kAuto, nullptr};
}
constexpr CatalogueEntry gain(ParamID id, const char* title)
{
    return {id, title, ParameterClass::Gain, "dB", 0, 0.5, kAuto, nullptr};
}
constexpr CatalogueEntry precision(ParamID id, const char* title)
{
    return {id, title, ParameterClass::Precision, "", 0, 1.0, kAuto, nullptr};
}
constexpr CatalogueEntry width(ParamID id, const char* title)
{
    return {id, title, ParameterClass::BW, "", 100, 0.25, kAuto, nullptr};
}

} // namespace

const CatalogueEntry kCatalogue[kCatalogueSize] = {
    plain(kBypass, "BYPASS", 1, 0.0, kBypassFlags),
    plain(kLink, "cLink", 1, 0.0, kAuto),
    plain(kMidSide, "cMidSide", 1, 1.0, kAuto),
    plain(kLpeak, "LPeak", 1, 0.0, kAuto),
    plain(kRpeak, "RPeak", 1, 0.0, kAuto),
    inGain(kInGain, "InputGain", kAuto),
    inGain(kLgain, "LeftMasterGain", kNone),
    inGain(kRgain, "RightMasterGain", kNone),
    freq(kFreq1R, "Freq1R"),
    freq(kFreq2R, "Freq2R"),
    freq(kFreq3R, "Freq3R"),
    freq(kFreq4R, "Freq4R"),
    freq(kFreq1L, "Freq1L"),
    freq(kFreq2L, "Freq2L"),
    freq(kFreq3L, "Freq3L"),
    freq(kFreq4L, "Freq4L"),
    precision(kQ1R, "P1R"),
    precision(kQ2R, "P2R"),
    precision(kQ3R, "P3R"),
    precision(kQ4R, "P4R"),
    precision(kQ1L, "P1L"),
    precision(kQ2L, "P2L"),
    precision(kQ3L, "P3L"),
    precision(kQ4L, "P4L"),
    plain(kOnLoCut, "ON/OFFLoCut", 1, 1.0, kAuto),
    plain(kOn1R, "ON/OFF1R", 0, 1.0, kAuto),
    plain(kOn2R, "ON/OFF2R", 0, 1.0, kAuto),
    plain(kOn3R, "ON/OFF3R", 0, 1.0, kAuto),
    plain(kOn4R, "ON/OFF4R", 0, 1.0, kAuto),
    plain(kOn1L, "ON/OFF1L", 0, 1.0, kAuto),
    plain(kOn2L, "ON/OFF2L", 0, 1.0, kAuto),
    plain(kOn3L, "ON/OFF3L", 0, 1.0, kAuto),
    plain(kOn4L, "ON/OFF4L", 0, 1.0, kAuto),
    plain(kOnHiCut, "ON/OFFHiCut", 0, 1.0, kAuto),
    plain(kMuteMid, "MuteMid", 0, 1.0, kAuto),
    plain(kMuteSide, "MuteSide", 0, 1.0, kAuto),
    width(kBW1R, "BW1R"),
    width(kBW2R, "BW2R"),
    width(kBW3R, "BW3R"),
    width(kBW4R, "BW4R"),
    width(kBW1L, "BW1L"),
    width(kBW2L, "BW2L"),
    width(kBW3L, "BW3L"),
    width(kBW4L, "BW4L"),
    plain(kType1, "Type1", 0, 0.0, kAuto),
    plain(kType2, "Type2", 0, 0.0, kAuto),
    plain(kType3, "Type3", 0, 0.0, kAuto),
    plain(kType4, "Type4", 0, 0.0, kAuto),
    plain(kType5, "Type5", 0, 0.0, kAuto),
    plain(kType6, "Type6", 0, 0.0, kAuto),
    gain(kGain1R, "Gain1R"),
    gain(kGain2R, "Gain2R"),
    gain(kGain3R, "Gain3R"),
    gain(kGain4R, "Gain4R"),
    gain(kGain1L, "Gain1L"),
    gain(kGain2L, "Gain2L"),
    gain(kGain3L, "Gain3L"),
    gain(kGain4L, "Gain4L"),
    plain(VuMeterLeft, "VU_L", 0, 0.0, kReadOnly),
    plain(VUMeterRight, "VU_R", 0, 0.0, kReadOnly),
    list(kShape1R, "kShape1", kShapeEntries),
    list(kShape2R, "kShape2", kShapeEntries),
    list(kShape3R, "kShape3", kShapeEntries),
    list(kShape4R, "kShape4", kShapeEntries),
    list(kShape1L, "kShape5", kShapeEntries),
    list(kShape2L, "kShape6", kShapeEntries),
    list(kShape3L, "kShape7", kShapeEntries),
    list(kShape4L, "kShape8", kShapeEntries),
    list(kFftSizeMenu, "FftSize", kFftSizeEntries),
};

Steinberg::Vst::Parameter* createParameter(const CatalogueEntry& entry)
{
    String128 title;
    writeAscii(entry.title, title);
    String128 units;
    writeAscii(entry.units, units);
    const TChar* noUnits = nullptr;

    switch (entry.parameterClass) {
    case ParameterClass::Plain:
        return new (std::nothrow)
            PlainParameter(title, entry.id, units[0] ? units : noUnits, entry.defaultValue, entry.stepCount,
                           entry.flags, actsBelowHalf(entry.id));
    case ParameterClass::List: {
        auto* parameter = new (std::nothrow) ListParameter(title, entry.id, entry.flags);
        if (!parameter) return nullptr;
        for (int i = 0; i < kListEntries; ++i) {
            String128 text;
            writeAscii(entry.entries[i], text);
            parameter->appendString(text);
        }
        return parameter;
    }
    case ParameterClass::Freq:
        return new (std::nothrow) FreqParameter(entry.flags, entry.id, title);
    case ParameterClass::Gain:
        return new (std::nothrow) GainParameter(entry.flags, entry.id, title);
    case ParameterClass::InGain:
        return new (std::nothrow) InGainParameter(entry.flags, entry.id, title);
    case ParameterClass::BW:
        // Range arguments as the band widths have always been declared; the class
        // keeps only title, tag and flags.
        return new (std::nothrow)
            BWParameter(title, entry.id, noUnits, double(0.1f), 2.0, 0.5, 100, entry.flags, 0);
    case ParameterClass::Precision:
        return new (std::nothrow) PrecisionParameter(title, entry.id);
    }
    return nullptr;
}

} // namespace vosk
