// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
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

constexpr ParamID kRegistrationOrder[kCatalogueSize] = {
    kBypass,  kLink,    kMidSide, kLpeak,   kRpeak,      kInGain,      kLgain,   kRgain,   kFreq1R,
    kFreq2R,  kFreq3R,  kFreq4R,  kFreq1L,  kFreq2L,     kFreq3L,      kFreq4L,  kQ1R,     kQ2R,
    kQ3R,     kQ4R,     kQ1L,     kQ2L,     kQ3L,        kQ4L,         kOnLoCut, kOn1R,    kOn2R,
    kOn3R,    kOn4R,    kOn1L,    kOn2L,    kOn3L,       kOn4L,        kOnHiCut, kMuteMid, kMuteSide,
    kBW1R,    kBW2R,    kBW3R,    kBW4R,    kBW1L,       kBW2L,        kBW3L,    kBW4L,    kType1,
    kType2,   kType3,   kType4,   kType5,   kType6,      kGain1R,      kGain2R,  kGain3R,  kGain4R,
    kGain1L,  kGain2L,  kGain3L,  kGain4L,  VuMeterLeft, VUMeterRight, kShape1R, kShape2R, kShape3R,
    kShape4R, kShape1L, kShape2L, kShape3L, kShape4L,    kFftSizeMenu, kPhase,
};

} // namespace

const std::array<CatalogueEntry, kCatalogueSize> kCatalogue = [] {
    std::array<CatalogueEntry, kCatalogueSize> entries{};
    for (int i = 0; i < kCatalogueSize; ++i) entries[i] = kParameters[kRegistrationOrder[i]];
    return entries;
}();

Steinberg::Vst::Parameter* createParameter(const CatalogueEntry& entry)
{
    String128 title;
    writeAscii(entry.title, title);

    switch (entry.kind) {
    case ParameterKind::TagOnly:
        return nullptr;
    case ParameterKind::Plain:
        return new (std::nothrow) PlainParameter(title, entry.id, nullptr, entry.defaultValue,
                                                 entry.stepCount, entry.flags, actsBelowHalf(entry.id));
    case ParameterKind::List: {
        auto* parameter = new (std::nothrow) ListParameter(title, entry.id, entry.flags);
        if (!parameter) return nullptr;
        for (int i = 0; i <= entry.stepCount; ++i) {
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
        return new (std::nothrow) BWParameter(title, entry.id, nullptr, double(kMinWidth), 2.0, 0.5,
                                              entry.stepCount, entry.flags, 0);
    case ParameterKind::Precision:
        return new (std::nothrow) PrecisionParameter(title, entry.id);
    }
    return nullptr;
}

} // namespace vosk
