#include "source/catalogue.h"

#include "source/numbertext.h"
#include "source/parameters.h"

#include <new>

namespace vosk {

using Steinberg::Vst::ParameterInfo;

static_assert(kAutomatable == ParameterInfo::kCanAutomate && kReadOnly == ParameterInfo::kIsReadOnly &&
                  kListFlag == ParameterInfo::kIsList && kBypassFlag == ParameterInfo::kIsBypass,
              "the table's flags are the host's");

namespace {

constexpr CatalogueEntry registered(uint32_t id)
{
    return kParameters[id];
}

} // namespace

const CatalogueEntry kCatalogue[kCatalogueSize] = {
    registered(kBypass),
    registered(kLink),
    registered(kMidSide),
    registered(kLpeak),
    registered(kRpeak),
    registered(kInGain),
    registered(kLgain),
    registered(kRgain),
    registered(kFreq1R),
    registered(kFreq2R),
    registered(kFreq3R),
    registered(kFreq4R),
    registered(kFreq1L),
    registered(kFreq2L),
    registered(kFreq3L),
    registered(kFreq4L),
    registered(kQ1R),
    registered(kQ2R),
    registered(kQ3R),
    registered(kQ4R),
    registered(kQ1L),
    registered(kQ2L),
    registered(kQ3L),
    registered(kQ4L),
    registered(kOnLoCut),
    registered(kOn1R),
    registered(kOn2R),
    registered(kOn3R),
    registered(kOn4R),
    registered(kOn1L),
    registered(kOn2L),
    registered(kOn3L),
    registered(kOn4L),
    registered(kOnHiCut),
    registered(kMuteMid),
    registered(kMuteSide),
    registered(kBW1R),
    registered(kBW2R),
    registered(kBW3R),
    registered(kBW4R),
    registered(kBW1L),
    registered(kBW2L),
    registered(kBW3L),
    registered(kBW4L),
    registered(kType1),
    registered(kType2),
    registered(kType3),
    registered(kType4),
    registered(kType5),
    registered(kType6),
    registered(kGain1R),
    registered(kGain2R),
    registered(kGain3R),
    registered(kGain4R),
    registered(kGain1L),
    registered(kGain2L),
    registered(kGain3L),
    registered(kGain4L),
    registered(VuMeterLeft),
    registered(VUMeterRight),
    registered(kShape1R),
    registered(kShape2R),
    registered(kShape3R),
    registered(kShape4R),
    registered(kShape1L),
    registered(kShape2L),
    registered(kShape3L),
    registered(kShape4L),
    registered(kFftSizeMenu),
};

Steinberg::Vst::Parameter* createParameter(const CatalogueEntry& entry)
{
    String128 title;
    writeAscii(entry.title, title);

    switch (entry.kind) {
    case ParameterKind::TagOnly:
        return nullptr;
    case ParameterKind::Plain:
        return new (std::nothrow) PlainParameter(title, entry.id, nullptr, entry.defaultValue, entry.stepCount,
                                                 entry.flags, actsBelowHalf(entry.id));
    case ParameterKind::List: {
        auto* parameter = new (std::nothrow) ListParameter(title, entry.id, entry.flags);
        if (!parameter) return nullptr;
        for (int i = 0; i < kListEntries; ++i) {
            String128 text;
            writeAscii(entry.entries[i], text);
            parameter->appendString(text);
        }
        return parameter;
    }
    case ParameterKind::Frequency:
        return new (std::nothrow) FreqParameter(entry.flags, entry.id, title);
    case ParameterKind::BandGain:
        return new (std::nothrow) GainParameter(entry.flags, entry.id, title);
    case ParameterKind::LinearGain:
        return new (std::nothrow) InGainParameter(entry.flags, entry.id, title);
    case ParameterKind::Width:
        // Range arguments as the band widths have always been declared; the class
        // keeps only title, tag and flags.
        return new (std::nothrow)
            BWParameter(title, entry.id, nullptr, double(kMinWidth), 2.0, 0.5, entry.stepCount, entry.flags, 0);
    case ParameterKind::Precision:
        return new (std::nothrow) PrecisionParameter(title, entry.id);
    }
    return nullptr;
}

} // namespace vosk
