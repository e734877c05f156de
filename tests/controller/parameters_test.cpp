// The parameter classes and the number texts, tested on the objects themselves.
#include "catalogue.h"
#include "numbertext.h"
#include "parameterids.h"
#include "parameters.h"
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

TEST(FreqParameter, ShowsWholeHertzOnThreeDecades)
{
    IPtr<FreqParameter> p = owned(new FreqParameter(ParameterInfo::kCanAutomate, kFreq1L, title("Freq1L")));
    EXPECT_EQ(show(*p, 0.0), "20");
    EXPECT_EQ(show(*p, 0.0001), "20");
    EXPECT_EQ(show(*p, 0.5), "632");
    EXPECT_EQ(show(*p, 1.0), "20000");
    EXPECT_EQ(show(*p, p->getInfo().defaultNormalizedValue), "664");
    EXPECT_EQ(show(*p, p->getNormalized()), "1002");
}

TEST(FreqParameter, DefaultAndStartValueDiffer)
{
    IPtr<FreqParameter> p = owned(new FreqParameter(ParameterInfo::kCanAutomate, kFreq1L, title("Freq1L")));
    EXPECT_EQ(p->getInfo().defaultNormalizedValue, 0.5070000290870667);
    EXPECT_EQ(p->getNormalized(), 0.5666700005531311);
    EXPECT_EQ(narrow(p->getInfo().units), "Hz");
    EXPECT_EQ(p->getInfo().stepCount, 0);
    EXPECT_EQ(p->getInfo().flags, ParameterInfo::kCanAutomate);
}

TEST(FreqParameter, ReadsHertzWithinTwentyToTwentyThousand)
{
    IPtr<FreqParameter> p = owned(new FreqParameter(0, kFreq1L, title("Freq1L")));
    EXPECT_EQ(read(*p, "10"), 0.0);
    EXPECT_EQ(read(*p, "25000"), 1.0);
    EXPECT_NEAR(read(*p, "1000"), 0.566323, 1e-6);
    EXPECT_EQ(show(*p, read(*p, "664")), "664");
    EXPECT_EQ(show(*p, read(*p, "1002 Hz")), "1002");
    EXPECT_EQ(read(*p, "inf"), 123.0);
    EXPECT_EQ(read(*p, "nan"), 123.0);
}

TEST(GainParameter, ShowsDecibelsOfThePiecewiseAmplitude)
{
    IPtr<GainParameter> p = owned(new GainParameter(ParameterInfo::kCanAutomate, kGain1L, title("Gain1L")));
    EXPECT_EQ(show(*p, 0.0), "-6.0");
    EXPECT_EQ(show(*p, 0.5), "0.0");
    EXPECT_EQ(show(*p, 0.4999), "-0.0");
    EXPECT_EQ(show(*p, 1.0), "6.0");
    EXPECT_EQ(show(*p, 0.75), "3.5");
    EXPECT_EQ(show(*p, 0.25), "-2.5");
    EXPECT_EQ(p->getNormalized(), 0.5);
    EXPECT_EQ(p->getInfo().defaultNormalizedValue, 0.5);
    EXPECT_EQ(narrow(p->getInfo().units), "dB");
}

TEST(GainParameter, ReadsDecibelsWithinSixEitherWay)
{
    IPtr<GainParameter> p = owned(new GainParameter(ParameterInfo::kCanAutomate, kGain1L, title("Gain1L")));
    EXPECT_NEAR(read(*p, "3"), 0.70627, 1e-5);
    EXPECT_NEAR(read(*p, "-3"), 0.20795, 1e-5);
    const double high = read(*p, "10");
    EXPECT_NEAR(high, 0.99763, 1e-5);
    EXPECT_EQ(show(*p, high), "6.0");
    const double low = read(*p, "-10");
    EXPECT_NEAR(low, 0.0011872, 1e-7);
    EXPECT_EQ(show(*p, low), "-6.0");
    EXPECT_EQ(read(*p, "0"), 0.5);
    EXPECT_EQ(show(*p, read(*p, "-0.0")), "0.0");
    // The positive branch runs in single precision: its result is a float halved.
    const double positive = read(*p, "1.5");
    EXPECT_EQ(positive, double(static_cast<float>(positive * 2.0)) / 2.0);
}

TEST(InGainParameter, ShowsDecibelsOfFourTimesTheValue)
{
    IPtr<InGainParameter> p =
        owned(new InGainParameter(ParameterInfo::kCanAutomate, kInGain, title("InputGain")));
    EXPECT_EQ(show(*p, 0.0), "-oo");
    EXPECT_EQ(show(*p, 0.0001), "-oo");
    EXPECT_EQ(show(*p, 0.00011), "-67.1");
    EXPECT_EQ(show(*p, 0.25), "0.0");
    EXPECT_EQ(show(*p, 1.0), "12.0");
    EXPECT_EQ(p->getNormalized(), 0.25);
    EXPECT_EQ(p->getInfo().defaultNormalizedValue, 0.25);
}

TEST(InGainParameter, ReadsDecibelsUpToTwelveWithNoLowerLimit)
{
    IPtr<InGainParameter> p = owned(new InGainParameter(0, kLgain, title("LeftMasterGain")));
    EXPECT_NEAR(read(*p, "20"), 0.99527, 1e-5);
    EXPECT_EQ(read(*p, "0"), 0.25);
    const double quiet = read(*p, "-100");
    EXPECT_NEAR(quiet, 0.0000025, 1e-10);
    EXPECT_EQ(show(*p, quiet), "-oo");
    EXPECT_EQ(read(*p, "-oo"), 123.0); // its own text for silence is not a number
    EXPECT_EQ(show(*p, read(*p, "-67.1")), "-67.1");
    EXPECT_EQ(p->getInfo().flags, 0);
}

TEST(BWParameter, ShowsFourTimesTheValue)
{
    IPtr<BWParameter> p = owned(new BWParameter(title("BW1L"), kBW1L, nullptr, double(0.1f), 2.0, 0.5, 100,
                                                ParameterInfo::kCanAutomate, 0));
    for (double v : {0.0, 0.025, 0.05}) EXPECT_EQ(show(*p, v), "0.10") << v;
    EXPECT_EQ(show(*p, 0.06), "0.24");
    EXPECT_EQ(show(*p, 0.25), "1.00");
    EXPECT_EQ(show(*p, 1.0), "4.00");
}

TEST(BWParameter, ReadsWidthsAndKeepsOnlyTitleTagAndFlags)
{
    IPtr<BWParameter> p = owned(new BWParameter(title("BW1L"), kBW1L, nullptr, double(0.1f), 2.0, 0.5, 100,
                                                ParameterInfo::kCanAutomate, 0));
    EXPECT_EQ(read(*p, "0.1"), 0.0);
    EXPECT_EQ(read(*p, "0.15"), 0.0375);
    EXPECT_EQ(show(*p, 0.0375), "0.10");
    EXPECT_EQ(read(*p, "2"), 0.5);
    EXPECT_EQ(read(*p, "5"), 1.0);
    EXPECT_EQ(read(*p, "0.24"), 0.06);

    const ParameterInfo& info = p->getInfo();
    EXPECT_EQ(info.stepCount, 100);
    EXPECT_EQ(info.defaultNormalizedValue, 0.25);
    EXPECT_EQ(p->getNormalized(), 0.25);
    EXPECT_EQ(p->getPrecision(), 2);
    EXPECT_EQ(narrow(info.units), "");
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
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

TEST(PrecisionParameter, ShowsAndReadsTenTimesTheValue)
{
    IPtr<PrecisionParameter> p = owned(new PrecisionParameter(title("P1L"), kQ1L));
    EXPECT_EQ(show(*p, 1.0), "10.0");
    EXPECT_EQ(show(*p, 0.05), "0.5");
    const double v = read(*p, "15");
    EXPECT_EQ(v, 1.5);
    p->setNormalized(v);
    EXPECT_EQ(p->getNormalized(), 1.0);
    EXPECT_EQ(p->getInfo().flags, ParameterInfo::kCanAutomate);
    EXPECT_EQ(p->getInfo().defaultNormalizedValue, 1.0);
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

TEST(PlainParameter, ShowsOnOffForOneStepElseFourDecimals)
{
    IPtr<PlainParameter> onOff = owned(new PlainParameter(title("BYPASS"), kBypass, nullptr, 0.0, 1, 1));
    EXPECT_EQ(show(*onOff, 0.5), "Off");
    EXPECT_EQ(show(*onOff, 0.51), "On");
    IPtr<PlainParameter> number = owned(new PlainParameter(title("MuteMid"), kMuteMid, nullptr, 1.0, 0, 1));
    EXPECT_EQ(show(*number, 1.0), "1.0000");
    EXPECT_EQ(show(*number, 0.12345), "0.1235");
    EXPECT_EQ(read(*number, "0,25"), 0.25);
    EXPECT_EQ(read(*number, "on"), 123.0);
    EXPECT_EQ(read(*number, "inf"), 123.0);
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
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
            GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/install-deps generates it)";
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

TEST(Catalogue, EveryObjectMatchesItsRow)
{
    for (const CatalogueEntry& entry : kCatalogue) {
        IPtr<Parameter> p = owned(createParameter(entry));
        ASSERT_TRUE(p);
        const ParameterInfo& info = p->getInfo();
        EXPECT_EQ(info.id, entry.id);
        EXPECT_EQ(narrow(info.title), entry.title);
        EXPECT_EQ(narrow(info.shortTitle), "");
        EXPECT_EQ(narrow(info.units), entry.units) << entry.title;
        EXPECT_EQ(info.stepCount, entry.stepCount) << entry.title;
        EXPECT_EQ(info.defaultNormalizedValue, entry.defaultValue) << entry.title;
        EXPECT_EQ(info.flags, entry.flags) << entry.title;
        EXPECT_EQ(info.unitId, 0);
    }
}

TEST(Catalogue, IdentifiersAreDistinctAndNameParametersOnly)
{
    bool seen[kNumControlTags] = {};
    for (const CatalogueEntry& entry : kCatalogue) {
        ASSERT_LT(entry.id, kNumControlTags);
        EXPECT_FALSE(seen[entry.id]) << entry.title;
        seen[entry.id] = true;
    }
    for (uint32_t tagOnly : {12u, 15u, 52u, 53u, 54u, 55u, 56u, 57u, 64u, 65u, 70u})
        EXPECT_FALSE(seen[tagOnly]);
}

} // namespace
} // namespace vosk
