// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter classes and the number texts, tested on the objects themselves.
#include "source/catalogue.h"
#include "source/numbertext.h"
#include "source/parameterids.h"
#include "source/parameters.h"
#include "texts.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace vosk {
namespace {

using Steinberg::IPtr;
using Steinberg::Vst::Parameter;
using Steinberg::Vst::ParameterInfo;
using test::narrow;
using test::wide;

std::string show(const Parameter& parameter, double value)
{
    String128 text{};
    parameter.toString(value, text);
    return narrow(text);
}

// Reads text; returns the value, or the sentinel 123 when the text was refused.
double read(const Parameter& parameter, const std::string& text)
{
    double value = 123.0;
    const bool ok = parameter.fromString(wide(text).c_str(), value);
    EXPECT_EQ(ok, value != 123.0) << "fromString(\"" << text << "\") reported " << ok;
    return value;
}

const String128& title(const char* ascii)
{
    static String128 text;
    writeAscii(ascii, text);
    return text;
}

// --- reading typed numbers ---------------------------------------------------------------

double number(const std::string& text)
{
    double value = 123.0;
    return readNumber(wide(text).c_str(), value) ? value : 123.0;
}

TEST(ReadNumber, ReadsTheFirstNumberWhereverItStarts)
{
    EXPECT_EQ(number("664"), 664.0);
    EXPECT_EQ(number("1,5"), 1.5);
    EXPECT_EQ(number("x12"), 12.0);
    EXPECT_EQ(number("12 dB"), 12.0);
    EXPECT_EQ(number("  -3.25e1xyz"), -32.5);
    EXPECT_EQ(number("gain: +.5"), 0.5);
    EXPECT_EQ(number("- 3"), 3.0);     // a sign followed by a space starts no number
    EXPECT_EQ(number("1,000,5"), 1.0); // only the first comma is a decimal point
    EXPECT_EQ(number("0x10"), 16.0);
    EXPECT_EQ(number("e5"), 5.0);
    EXPECT_TRUE(std::signbit(number("-0.0")));
}

TEST(ReadNumber, RefusesTextsWithoutAFiniteNumber)
{
    for (const char* text : {"", "abc", "-oo", ".", "-.", "nan", "-nan", "NaN(1)", "inf", "-Infinity",
                             "x inf 3", "1e999", "-1e400"})
        EXPECT_EQ(number(text), 123.0) << text;
    double untouched = 7.0;
    EXPECT_FALSE(readNumber(nullptr, untouched));
    EXPECT_EQ(untouched, 7.0);
}

TEST(ReadNumber, TooSmallNumbersReadAsZero)
{
    EXPECT_EQ(number("1e-400"), 0.0);
    EXPECT_EQ(number("0.0000000000000000000000000000000000000000000000000000000000000000000000000000000"
                     "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
                     "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
                     "00000000000000000000000000000000000000000000000000000000000000000000000000000000"
                     "000000000001"),
              0.0);
    EXPECT_EQ(number("1e-310"), 1e-310); // subnormal, still representable
}

TEST(WriteFixed, FormatsLikeTheCLibraryInTheCLocale)
{
    String128 text;
    writeFixed(-0.0009, 1, text);
    EXPECT_EQ(narrow(text), "-0.0");
    writeFixed(663.8, 0, text);
    EXPECT_EQ(narrow(text), "664");
    writeFixed(1.0, 4, text);
    EXPECT_EQ(narrow(text), "1.0000");
    writeFixed(1e300, 4, text); // far outside any parameter's range: cut, still terminated
    EXPECT_EQ(narrow(text).size(), 127u);
}

// --- the classes ----------------------------------------------------------------------

TEST(GainParameter, ReadsPositiveGainsInSinglePrecision)
{
    IPtr<GainParameter> p = owned(new GainParameter(ParameterInfo::kCanAutomate, kGain1L, title("Gain1L")));
    // The result is a float halved; the negative branch runs in double.
    const double positive = read(*p, "1.5");
    EXPECT_EQ(positive, double(static_cast<float>(positive * 2.0)) / 2.0);
    EXPECT_NEAR(positive, 0.5 * std::pow(10.0, 1.5 / 20.0), 1e-7);
    EXPECT_EQ(read(*p, "-1.5"), std::pow(10.0, -1.5 / 20.0) - 0.5);
}

TEST(BWParameter, KeepsOnlyTitleTagAndFlagsOfItsRangeArguments)
{
    IPtr<BWParameter> p = owned(new BWParameter(title("BW1L"), kBW1L, nullptr, double(0.1f), 2.0, 0.5, 100,
                                                ParameterInfo::kCanAutomate, 0));
    const ParameterInfo& info = p->getInfo();
    EXPECT_EQ(info.stepCount, 100);
    EXPECT_EQ(info.defaultNormalizedValue, 0.25);
    EXPECT_EQ(p->getNormalized(), 0.25);
    EXPECT_EQ(p->getPrecision(), 2);
    // Other range arguments change nothing.
    IPtr<BWParameter> other = owned(
        new BWParameter(title("BW1L"), kBW1L, title("Hz"), 5.0, 9.0, 7.0, 3, ParameterInfo::kCanAutomate, 4));
    EXPECT_EQ(other->getInfo().stepCount, 100);
    EXPECT_EQ(other->getInfo().defaultNormalizedValue, 0.25);
    EXPECT_EQ(other->getInfo().unitId, 0);
    EXPECT_EQ(narrow(other->getInfo().units), "");
    // The plain value stays the normalised one, not a step index.
    EXPECT_EQ(p->toPlain(0.37), 0.37);
    EXPECT_EQ(p->toNormalized(0.37), 0.37);
}

TEST(ParameterClasses, ReportTheirRunTimeIdentity)
{
    IPtr<Parameter> plainOnes[] = {
        owned(new FreqParameter(1, kFreq1L, title("F"))), owned(new GainParameter(1, kGain1L, title("G"))),
        owned(new InGainParameter(1, kInGain, title("I"))), owned(new PrecisionParameter(title("P"), kQ1L)),
        owned(new PlainParameter(title("B"), kBypass, nullptr, 0.0, 1, 1))};
    for (auto& p : plainOnes) {
        EXPECT_STREQ(p->isA(), "Parameter");
        EXPECT_FALSE(p->isTypeOf("RangeParameter"));
    }
    IPtr<Parameter> width = owned(new BWParameter(title("W"), kBW1L, nullptr, 0.1, 2.0, 0.5, 100, 1, 0));
    EXPECT_STREQ(width->isA(), "RangeParameter");
    EXPECT_TRUE(width->isTypeOf("RangeParameter", false));
    EXPECT_FALSE(width->isTypeOf("Parameter", false));
    EXPECT_TRUE(width->isTypeOf("Parameter", true));
    EXPECT_TRUE(width->isTypeOf("FObject", true));
    IPtr<Parameter> list = owned(new ListParameter(title("L"), kShape1L, 9));
    EXPECT_STREQ(list->isA(), "StringListParameter");
}

TEST(ListParameter, ShowsTheEntryOfTheValueAndNeverThrows)
{
    IPtr<Parameter> shape = owned(createParameter(kCatalogue[60]));
    ASSERT_EQ(shape->getInfo().id, kShape1R);
    EXPECT_EQ(show(*shape, 0.0), "Bell");
    EXPECT_EQ(show(*shape, 0.33), "Bell");
    EXPECT_EQ(show(*shape, 0.34), "Low Cut");
    EXPECT_EQ(show(*shape, 0.5), "Low Cut");
    EXPECT_EQ(show(*shape, 1.0), "High Cut");
    EXPECT_EQ(show(*shape, -0.5), "Bell");
    EXPECT_EQ(show(*shape, 7.0), "High Cut");
    EXPECT_EQ(show(*shape, std::numeric_limits<double>::quiet_NaN()), "Bell");
    EXPECT_EQ(read(*shape, "Low Cut"), 0.5);
    EXPECT_EQ(read(*shape, "High Cut"), 1.0);
    EXPECT_EQ(read(*shape, "low cut"), 123.0);
    EXPECT_EQ(shape->toPlain(0.5), 1.0);
}

// --- the process locale -----------------------------------------------------------------

class UnderCommaLocale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!test::setCommaLocale()) GTEST_SKIP() << "no German locale is installed";
        char probe[16];
        std::snprintf(probe, sizeof(probe), "%.1f", 0.5);
        ASSERT_STREQ(probe, "0,5") << "the locale should write a decimal comma";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(UnderCommaLocale, TextsKeepTheDecimalPoint)
{
    for (const CatalogueEntry& entry : kCatalogue) {
        IPtr<Parameter> p = owned(createParameter(entry));
        const std::string text = show(*p, 0.437);
        EXPECT_EQ(text.find(','), std::string::npos) << entry.title << " shows " << text;
    }
    IPtr<GainParameter> gain = owned(new GainParameter(1, kGain1L, title("Gain1L")));
    EXPECT_EQ(show(*gain, 0.5), "0.0");
    IPtr<PlainParameter> number = owned(new PlainParameter(title("MuteMid"), kMuteMid, nullptr, 1.0, 0, 1));
    EXPECT_EQ(show(*number, 1.0), "1.0000");
}

TEST_F(UnderCommaLocale, TypedPointsAndCommasBothReadAsDecimals)
{
    IPtr<PrecisionParameter> q = owned(new PrecisionParameter(title("P1L"), kQ1L));
    EXPECT_EQ(read(*q, "1.5"), 0.15);
    EXPECT_EQ(read(*q, "1,5"), 0.15);
    IPtr<PlainParameter> number = owned(new PlainParameter(title("Type1"), kType1, nullptr, 0.0, 0, 1));
    EXPECT_EQ(read(*number, "0.75"), 0.75);
}

// --- the catalogue ------------------------------------------------------------------------

} // namespace
} // namespace vosk
