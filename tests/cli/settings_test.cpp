// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line settings resolved against the real controller: titles, tag
// names, display texts, close matches and refusals.
#include "cli/settings.h"

#include "source/parameterids.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vosk;

namespace {

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string loadError;
        plugin = HostedPlugin::load(VOSK_BUNDLE_PATH, loadError);
        ASSERT_TRUE(plugin) << loadError;
    }

    bool resolve(std::vector<SettingRequest> requests)
    {
        error.clear();
        return resolveSettings(*plugin, requests, resolved, error);
    }

    std::unique_ptr<HostedPlugin> plugin;
    std::vector<ResolvedSetting> resolved;
    std::string error;
};

TEST_F(Settings, TitlesAndDisplayTextsGiveTheControllersValue)
{
    ASSERT_TRUE(resolve({{false, "Gain1L", "3"}, {false, "Freq1L", "1000"}, {false, "InputGain", "0"}}))
        << error;
    ASSERT_EQ(resolved.size(), 3u);
    EXPECT_EQ(resolved[0].id, kGain1L);
    EXPECT_NEAR(resolved[0].normalized, 0.70627, 1e-5);
    EXPECT_EQ(resolved[0].description.rfind("Gain1L = 3.0 dB", 0), 0u) << resolved[0].description;
    EXPECT_EQ(resolved[1].id, kFreq1L);
    EXPECT_NEAR(resolved[1].normalized, (std::log10(1000.0 / 2000.0) + 2) / 3, 1e-9);
    EXPECT_EQ(resolved[2].id, kInGain);
    EXPECT_DOUBLE_EQ(resolved[2].normalized, 0.25);
}

TEST_F(Settings, TagNamesReachTheBandTheyName)
{
    // The shape lists are titled kShape1..kShape8; the tag says which band.
    ASSERT_TRUE(
        resolve({{false, "kShape1L", "Low Cut"}, {false, "kShape5", "High Cut"}, {false, "kgain2r", "-2"}}))
        << error;
    EXPECT_EQ(resolved[0].id, kShape1L);
    EXPECT_DOUBLE_EQ(resolved[0].normalized, 0.5);
    EXPECT_EQ(resolved[1].id, kShape1L);
    EXPECT_DOUBLE_EQ(resolved[1].normalized, 1.0);
    EXPECT_EQ(resolved[2].id, kGain2R);
}

TEST_F(Settings, SwitchesAcceptTheirStepTexts)
{
    ASSERT_TRUE(resolve({{false, "BYPASS", "on"}, {false, "ON/OFFLoCut", "Off"}, {false, "cLink", "1"}}))
        << error;
    EXPECT_DOUBLE_EQ(resolved[0].normalized, 1.0);
    EXPECT_DOUBLE_EQ(resolved[1].normalized, 0.0);
    EXPECT_DOUBLE_EQ(resolved[2].normalized, 1.0);
}

TEST_F(Settings, NormalisedValuesByIdentifier)
{
    ASSERT_TRUE(resolve({{true, "32", "0.75"}, {true, "Freq2R", "0"}})) << error;
    EXPECT_EQ(resolved[0].id, kGain1L);
    EXPECT_DOUBLE_EQ(resolved[0].normalized, 0.75);
    EXPECT_EQ(resolved[1].id, kFreq2R);
    EXPECT_FALSE(resolve({{true, "32", "1.5"}}));
    EXPECT_NE(error.find("between 0 and 1"), std::string::npos) << error;
    EXPECT_FALSE(resolve({{true, "32", "0,5"}}));
    EXPECT_FALSE(resolve({{true, "32", "nan"}}));
    EXPECT_FALSE(resolve({{true, "12", "0.5"}})); // a control tag without a parameter
    EXPECT_NE(error.find("identifier 12"), std::string::npos) << error;
}

TEST_F(Settings, UnknownNamesSuggestTheClosestTitles)
{
    EXPECT_FALSE(resolve({{false, "Gian1L", "3"}}));
    EXPECT_NE(error.find("unknown parameter \"Gian1L\""), std::string::npos) << error;
    EXPECT_NE(error.find("Gain1L"), std::string::npos) << error;
    EXPECT_FALSE(resolve({{false, "Frequency1L", "3"}}));
    EXPECT_NE(error.find("Freq1L"), std::string::npos) << error;
    EXPECT_FALSE(resolve({{false, "zzzzzzzzzzzz", "3"}}));
    EXPECT_NE(error.find("vosk info"), std::string::npos) << error;

    const auto matches = closeMatches(*plugin, "bypas");
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches.front(), "BYPASS");
}

TEST_F(Settings, RefusesUnreadableValuesAndReadOnlyParameters)
{
    EXPECT_FALSE(resolve({{false, "Gain1L", "loud"}}));
    EXPECT_NE(error.find("cannot read \"loud\""), std::string::npos) << error;
    EXPECT_NE(error.find("dB"), std::string::npos) << error;
    EXPECT_FALSE(resolve({{false, "kShape1L", "Shelf"}}));
    EXPECT_FALSE(resolve({{false, "VU_L", "0.5"}}));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    // A refusal anywhere refuses all: nothing half-resolved comes back.
    EXPECT_FALSE(resolve({{false, "Gain1L", "3"}, {false, "Gain2L", "?"}}));
}

TEST(Numbers, ParseWholeTextsOnly)
{
    double v = 0;
    long long n = 0;
    EXPECT_TRUE(parseNumber("0.25", v));
    EXPECT_EQ(v, 0.25);
    EXPECT_TRUE(parseNumber("+1e-3", v));
    EXPECT_EQ(v, 1e-3);
    EXPECT_FALSE(parseNumber("0.25x", v));
    EXPECT_FALSE(parseNumber("", v));
    EXPECT_FALSE(parseNumber("inf", v));
    EXPECT_TRUE(parseInteger("512", n));
    EXPECT_EQ(n, 512);
    EXPECT_FALSE(parseInteger("5.12", n));
    EXPECT_FALSE(parseInteger("", n));
    std::string key, value;
    EXPECT_TRUE(splitAssignment("kShape1L=Low Cut", key, value));
    EXPECT_EQ(key, "kShape1L");
    EXPECT_EQ(value, "Low Cut");
    EXPECT_TRUE(splitAssignment("Gain1L=", key, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(splitAssignment("=3", key, value));
}

} // namespace

namespace {

// The texts `vosk info` shows for a parameter's ends and default are texts
// --set takes back to the same value, for every parameter.
TEST_F(Settings, EveryShownTextReadsBackToItself)
{
    for (const auto& p : plugin->parameters()) {
        if (p.flags & Steinberg::Vst::ParameterInfo::kIsReadOnly) continue;
        for (double v : {0.0, p.defaultNormalized, 1.0}) {
            const std::string shown = plugin->textOf(p.id, v);
            double back = -1;
            ASSERT_TRUE(valueFromText(*plugin, p, shown, back, error))
                << p.title << " " << shown << ": " << error;
            EXPECT_EQ(plugin->textOf(p.id, back), shown) << p.title;
        }
        EXPECT_FALSE(acceptedValues(*plugin, p).empty());
    }
}

TEST_F(Settings, UnitsAndMultipliersGiveThePlainNumbersValue)
{
    const struct
    {
        const char *title, *text, *plain;
    } cases[] = {
        {"Freq1L", "1kHz", "1000"}, {"Freq1L", "1.5kHz", "1500"}, {"Freq1L", "2k", "2000"},
        {"Freq1L", "12K", "12000"}, {"Freq1L", "440 Hz", "440"},  {"Gain1L", "-2dB", "-2"},
        {"Gain1L", "+3 dB", "3"},   {"InputGain", "-oo", "-200"}, {"InputGain", "-20", "-20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.title) + "=" + c.text);
        const auto* p = findParameterByName(*plugin, c.title);
        ASSERT_NE(p, nullptr);
        double withUnit = -1, plain = -2;
        ASSERT_TRUE(valueFromText(*plugin, *p, c.text, withUnit, error)) << error;
        ASSERT_TRUE(valueFromText(*plugin, *p, c.plain, plain, error)) << error;
        EXPECT_EQ(plugin->textOf(p->id, withUnit), plugin->textOf(p->id, plain));
    }
}

} // namespace
