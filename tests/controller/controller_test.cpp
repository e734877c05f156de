// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The edit controller as a host meets it: created by the factory of the built bundle
// and driven through its VST 3 interfaces.
#include "source/parameterids.h"
#include "bundle_controller.h"
#include "tests/support/plugin_host.h"
#include "texts.h"

#include "pluginterfaces/vst/ivsthostapplication.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using test::narrow;
using test::wide;

// What a host must find, written out from the published parameter list.
struct Expected
{
    ParamID id;
    std::string title;
    std::string units;
    int32 steps;
    double defaultValue;
    int32 flags;
    std::string shownAtDefault;
    double current;
    std::string shownAtCurrent;
};

std::vector<Expected> expectedCatalogue()
{
    const char* const bands[] = {"1R", "2R", "3R", "4R", "1L", "2L", "3L", "4L"};
    std::vector<Expected> all;
    auto add = [&all](ParamID id, std::string title, std::string units, int32 steps, double def, int32 flags,
                      std::string shown) {
        all.push_back({id, std::move(title), std::move(units), steps, def, flags, shown, def, shown});
    };
    add(0, "BYPASS", "", 1, 0.0, 65537, "Off");
    add(16, "cLink", "", 1, 0.0, 1, "On"); // both act below one half
    add(17, "cMidSide", "", 1, 1.0, 1, "Off");
    add(66, "LPeak", "", 1, 0.0, 1, "Off");
    add(67, "RPeak", "", 1, 0.0, 1, "Off");
    add(11, "InputGain", "dB", 0, 0.25, 1, "0.0");
    add(68, "LeftMasterGain", "dB", 0, 0.25, 0, "0.0");
    add(69, "RightMasterGain", "dB", 0, 0.25, 0, "0.0");
    for (int i = 0; i < 8; ++i) {
        add(20 + i, std::string("Freq") + bands[i], "Hz", 0, 0.5070000290870667, 1, "664");
        all.back().current = 0.5666700005531311;
        all.back().shownAtCurrent = "1002";
    }
    for (int i = 0; i < 8; ++i) add(36 + i, std::string("P") + bands[i], "", 0, 1.0, 1, "10.0");
    add(1, "ON/OFFLoCut", "", 1, 1.0, 1, "On");
    for (int i = 0; i < 8; ++i) add(2 + i, std::string("ON/OFF") + bands[i], "", 0, 1.0, 1, "1.0000");
    add(10, "ON/OFFHiCut", "", 0, 1.0, 1, "1.0000");
    add(18, "MuteMid", "", 0, 1.0, 1, "1.0000");
    add(19, "MuteSide", "", 0, 1.0, 1, "1.0000");
    for (int i = 0; i < 8; ++i) add(44 + i, std::string("BW") + bands[i], "", 100, 0.25, 1, "1.00");
    for (int k = 1; k <= 6; ++k) add(57 + k, "Type" + std::to_string(k), "", 0, 0.0, 1, "0.0000");
    for (int i = 0; i < 8; ++i) add(28 + i, std::string("Gain") + bands[i], "dB", 0, 0.5, 1, "0.0");
    add(13, "VU_L", "", 0, 0.0, 2, "0.0000");
    add(14, "VU_R", "", 0, 0.0, 2, "0.0000");
    for (int k = 0; k < 8; ++k) add(71 + k, "kShape" + std::to_string(k + 1), "", 2, 0.0, 9, "Bell");
    add(79, "FftSize", "", 2, 0.0, 9, "16384");
    add(81, "Phase", "", 1, 0.0, 9, "Linear");
    return all;
}

class Controller : public test::BundleController
{
protected:
    std::string text(ParamID id, double value)
    {
        String128 out{};
        out[0] = '#';
        EXPECT_EQ(controller->getParamStringByValue(id, value, out), kResultOk) << id;
        return narrow(out);
    }
    // The value read from a typed text, or 123 when the text was refused.
    double typed(ParamID id, const std::string& input)
    {
        auto in = wide(input);
        double value = 123.0;
        const tresult result = controller->getParamValueByString(id, in.data(), value);
        EXPECT_EQ(result == kResultOk, value != 123.0) << input;
        return value;
    }
    IPtr<IMessage> message(const char* id)
    {
        FUnknownPtr<IHostApplication> host(context);
        TUID iid;
        IMessage::iid.toTUID(iid);
        void* obj = nullptr;
        if (!host || host->createInstance(iid, iid, &obj) != kResultOk) return {};
        IPtr<IMessage> msg(static_cast<IMessage*>(obj), false);
        msg->setMessageID(id);
        return msg;
    }

    std::vector<double> allValues()
    {
        std::vector<double> values;
        ParameterInfo info{};
        for (int32 i = 0; controller->getParameterInfo(i, info) == kResultOk; ++i)
            values.push_back(controller->getParamNormalized(info.id));
        return values;
    }
};

TEST_F(Controller, RegistersTheCatalogueInOrder)
{
    const std::vector<Expected> expected = expectedCatalogue();
    ASSERT_EQ(controller->getParameterCount(), 70);
    ASSERT_EQ(expected.size(), 70u);
    for (int32 i = 0; i < 70; ++i) {
        const Expected& e = expected[i];
        ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
        SCOPED_TRACE("index " + std::to_string(i) + " " + e.title);
        EXPECT_EQ(info.id, e.id);
        EXPECT_EQ(narrow(info.title), e.title);
        EXPECT_EQ(narrow(info.shortTitle), "");
        EXPECT_EQ(narrow(info.units), e.units);
        EXPECT_EQ(info.stepCount, e.steps);
        EXPECT_EQ(info.defaultNormalizedValue, e.defaultValue);
        EXPECT_EQ(info.unitId, 0);
        EXPECT_EQ(info.flags, e.flags);
        EXPECT_EQ(controller->getParamNormalized(e.id), e.current);
        EXPECT_EQ(text(e.id, info.defaultNormalizedValue), e.shownAtDefault);
        EXPECT_EQ(text(e.id, controller->getParamNormalized(e.id)), e.shownAtCurrent);
    }
    // An index past the end is refused, not thrown at the host.
    ParameterInfo info{};
    EXPECT_EQ(controller->getParameterInfo(70, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);
}

// Hosts and the command line type back what a switch shows, in any letter case.
TEST_F(Controller, SwitchesReadTheTextsTheyShow)
{
    for (ParamID id : {kBypass, kOnLoCut, kLpeak, kLink, kMidSide}) {
        for (double v : {0.0, 1.0}) {
            const std::string shown = text(id, v);
            EXPECT_EQ(typed(id, shown), v) << id << " " << shown;
        }
    }
    EXPECT_EQ(typed(kLink, "oN"), 0.0);
    EXPECT_EQ(typed(kBypass, "OFF"), 0.0);
}

TEST_F(Controller, TagsWithoutAParameterFindNothing)
{
    for (ParamID id : {12u, 15u, 52u, 53u, 54u, 55u, 56u, 57u, 64u, 65u, 70u, 80u, 82u, 100000u}) {
        SCOPED_TRACE(id);
        String128 out{};
        EXPECT_EQ(controller->getParamStringByValue(id, 0.5, out), kResultFalse);
        auto in = wide("0.5");
        double value = 7.0;
        EXPECT_EQ(controller->getParamValueByString(id, in.data(), value), kResultFalse);
        EXPECT_EQ(value, 7.0);
        EXPECT_EQ(controller->setParamNormalized(id, 0.5), kResultFalse);
        EXPECT_EQ(controller->getParamNormalized(id), 0.0);
    }
}

TEST_F(Controller, ShowsTheTextsOfEachScale)
{
    EXPECT_EQ(text(kFreq1L, 0.0), "20");
    EXPECT_EQ(text(kFreq2R, 0.5), "632");
    EXPECT_EQ(text(kFreq4L, 1.0), "20000");
    EXPECT_EQ(text(kGain1L, 0.0), "-6.0");
    EXPECT_EQ(text(kGain1L, 0.4999), "-0.0");
    EXPECT_EQ(text(kGain3R, 1.0), "6.0");
    EXPECT_EQ(text(kInGain, 0.0001), "-oo");
    EXPECT_EQ(text(kInGain, 0.00011), "-67.1");
    EXPECT_EQ(text(kLgain, 1.0), "12.0");
    EXPECT_EQ(text(kBW1L, 0.05), "0.10");
    EXPECT_EQ(text(kBW1L, 0.06), "0.24");
    EXPECT_EQ(text(kBW4R, 1.0), "4.00");
    EXPECT_EQ(text(kQ1L, 0.05), "0.5");
    EXPECT_EQ(text(kBypass, 0.51), "On");
    EXPECT_EQ(text(kMuteMid, 0.25), "0.2500");
}

TEST_F(Controller, ReadsTypedValues)
{
    EXPECT_EQ(typed(kFreq1L, "10"), 0.0);
    EXPECT_EQ(typed(kFreq1L, "25000"), 1.0);
    EXPECT_NEAR(typed(kFreq1L, "1000"), 0.566323, 1e-6);
    EXPECT_EQ(text(kFreq1L, typed(kFreq1L, "664")), "664");
    EXPECT_EQ(text(kFreq1L, typed(kFreq1L, "1002")), "1002");
    EXPECT_NEAR(typed(kGain1L, "3"), 0.70627, 1e-5);
    EXPECT_NEAR(typed(kGain1L, "-3"), 0.20795, 1e-5);
    EXPECT_NEAR(typed(kGain1L, "10"), 0.99763, 1e-5);
    EXPECT_NEAR(typed(kGain1L, "-10"), 0.0011872, 1e-7);
    EXPECT_EQ(text(kGain1L, typed(kGain1L, "-0.0")), "0.0");
    EXPECT_NEAR(typed(kInGain, "20"), 0.99527, 1e-5);
    EXPECT_EQ(typed(kInGain, "0"), 0.25);
    EXPECT_NEAR(typed(kInGain, "-100"), 0.0000025, 1e-10);
    EXPECT_EQ(typed(kInGain, "-oo"), 123.0);
    EXPECT_EQ(text(kInGain, typed(kInGain, "-67.1")), "-67.1");
    EXPECT_EQ(typed(kBW1L, "0.1"), 0.0);
    EXPECT_EQ(typed(kBW1L, "0.15"), 0.0375);
    EXPECT_EQ(typed(kBW1L, "0.24"), 0.06);
    EXPECT_EQ(typed(kBW1L, "2"), 0.5);
    EXPECT_EQ(typed(kBW1L, "5"), 1.0);
    EXPECT_EQ(typed(kQ1L, "15"), 1.5);
    EXPECT_EQ(typed(kQ1L, "1,5"), 0.15);
    EXPECT_EQ(typed(kQ1L, "x12"), 1.2);
    EXPECT_EQ(typed(kQ1L, "12 dB"), 1.2);
    EXPECT_EQ(typed(kMuteSide, "0,75"), 0.75);
    EXPECT_EQ(typed(kQ1L, "abc"), 123.0);
    EXPECT_EQ(typed(kQ1L, ""), 123.0);
}

TEST_F(Controller, RefusesNonFiniteNumbers)
{
    for (ParamID id : {kFreq1L, kGain1L, kInGain, kBW1L, kQ1L, kMuteMid})
        for (const char* input : {"nan", "inf", "-inf", "Infinity", "1e999"}) {
            SCOPED_TRACE(std::to_string(id) + " " + input);
            EXPECT_EQ(typed(id, input), 123.0);
        }
    // Nor is NaN taken as a value from the host.
    const double before = controller->getParamNormalized(kGain2L);
    EXPECT_NE(controller->setParamNormalized(kGain2L, std::numeric_limits<double>::quiet_NaN()), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(kGain2L), before);
}

TEST_F(Controller, ListsShowAndReadTheirEntries)
{
    EXPECT_EQ(text(kShape1L, 0.5), "Low Cut");
    EXPECT_EQ(text(kShape1L, 1.0), "High Cut");
    EXPECT_EQ(text(kFftSizeMenu, 0.5), "32768");
    EXPECT_EQ(text(kFftSizeMenu, 1.0), "65536");
    EXPECT_EQ(text(kPhase, 0.49), "Linear");
    EXPECT_EQ(text(kPhase, 0.5), "Minimum");
    EXPECT_EQ(text(kShape4R, -1.0), "Bell"); // out of range: no exception into the host
    EXPECT_EQ(typed(kShape2L, "High Cut"), 1.0);
    EXPECT_EQ(typed(kShape2L, "Low Cut"), 0.5);
    EXPECT_EQ(typed(kFftSizeMenu, "65536"), 1.0);
    EXPECT_EQ(typed(kFftSizeMenu, "4096"), 123.0);
    EXPECT_EQ(typed(kPhase, "Minimum"), 1.0);
    EXPECT_EQ(typed(kPhase, "Linear"), 0.0);
    EXPECT_EQ(controller->normalizedParamToPlain(kShape3L, 0.5), 1.0);
    EXPECT_EQ(controller->plainParamToNormalized(kShape3L, 2.0), 1.0);
    // Every other parameter's plain value is its normalised value.
    for (ParamID id : {kBW1R, kFreq1L, kGain1L, kInGain, kQ1L, kBypass})
        EXPECT_EQ(controller->normalizedParamToPlain(id, 0.37), 0.37) << id;
}

TEST_F(Controller, InitialisesOnceUntilTerminated)
{
    EXPECT_EQ(controller->initialize(context), kResultFalse);
    EXPECT_EQ(controller->getParameterCount(), 70);

    EXPECT_EQ(controller->setParamNormalized(kFreq1L, 0.1), kResultOk);
    EXPECT_EQ(controller->setParamNormalized(kShape1L, 1.0), kResultOk);
    EXPECT_EQ(controller->terminate(), kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 0);
    EXPECT_EQ(controller->getParamNormalized(kFreq1L), 0.0);

    ASSERT_EQ(controller->initialize(context), kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 70);
    EXPECT_EQ(controller->getParamNormalized(kFreq1L), 0.5666700005531311);
    EXPECT_EQ(controller->getParamNormalized(kShape1L), 0.0);
}

TEST_F(Controller, AnswersTextMessagesOnly)
{
    FUnknownPtr<IConnectionPoint> connection(controller);
    ASSERT_TRUE(connection);
    const std::vector<double> before = allValues();

    IPtr<IMessage> text = message("TextMessage");
    ASSERT_TRUE(text);
    text->getAttributes()->setString("Text", STR16("VOSK::setActive (true)"));
    EXPECT_EQ(connection->notify(text), kResultOk);

    EXPECT_EQ(connection->notify(message("TextMessage")), kResultFalse); // no "Text"
    IPtr<IMessage> binary = message("BinaryMessage");
    binary->getAttributes()->setBinary("MyData", "abc", 3);
    EXPECT_EQ(connection->notify(binary), kResultFalse);
    EXPECT_EQ(allValues(), before);
}

TEST_F(Controller, GivesTheStandardAnswers)
{
    EXPECT_TRUE(FUnknownPtr<IEditController2>(controller));
    EXPECT_TRUE(FUnknownPtr<IPluginBase>(controller));
    EXPECT_EQ(controller->createView("Editor"), nullptr);
    EXPECT_EQ(controller->createView("editor2"), nullptr);
    EXPECT_EQ(controller->createView(nullptr), nullptr);
    FUnknownPtr<IEditController2> second(controller);
    EXPECT_EQ(second->setKnobMode(kLinearMode), kResultOk);
    EXPECT_EQ(second->openHelp(false), kResultFalse);
    EXPECT_EQ(second->openAboutBox(false), kResultFalse);
    EXPECT_EQ(controller->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(controller->getState(nullptr), kInvalidArgument);
}

TEST_F(Controller, TextsIgnoreTheProcessLocale)
{
    if (!test::setCommaLocale()) GTEST_SKIP() << "no German locale is installed";
    char probe[16];
    std::snprintf(probe, sizeof(probe), "%.1f", 0.5);
    EXPECT_STREQ(probe, "0,5") << "the locale should write a decimal comma";

    EXPECT_EQ(text(kGain1L, 0.5), "0.0");
    EXPECT_EQ(text(kOn1L, 1.0), "1.0000");
    EXPECT_EQ(text(kBW1L, 0.25), "1.00");
    EXPECT_EQ(text(kInGain, 0.00011), "-67.1");
    EXPECT_EQ(typed(kQ1L, "1.5"), 0.15);
    EXPECT_EQ(typed(kType1, "0.5"), 0.5);
    std::setlocale(LC_ALL, "C");
}

} // namespace
} // namespace vosk
