// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Every refusal of `vosk render` exits non-zero, says why, and writes nothing.
#include "clirunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

using namespace vosk::test;

namespace {

Audio sine(int channels, int frames, int rate = 44100, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16)
{
    Audio a;
    a.rate = rate;
    a.channels = channels;
    a.format = format;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            a.samples.push_back(0.25f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / rate + c)));
    return a;
}

class RenderRefusal : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(scratch.path().empty());
        ASSERT_TRUE(writeAudio(scratch.file("in.wav"), sine(2, 4000)));
        before = scratch.entries();
    }

    // Runs the command and checks the common promise: failure, the message,
    // and not one new or changed file in the folder.
    void expectRefused(const std::vector<std::string>& args, const std::string& message)
    {
        const std::string inBefore = readText(scratch.file("in.wav"));
        const RunResult r = runVosk(args, scratch);
        EXPECT_NE(r.status, 0) << r.out;
        EXPECT_NE(r.err.find(message), std::string::npos) << "stderr: " << r.err;
        EXPECT_EQ(scratch.entries(), before);
        EXPECT_EQ(readText(scratch.file("in.wav")), inBefore);
    }

    ScratchDir scratch;
    std::vector<std::string> before;
};

TEST_F(RenderRefusal, MissingOrUnreadableInput)
{
    expectRefused({"render", "absent.wav", "out.wav"}, "cannot read absent.wav");
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), sine(2, 10)));
    FILE* f = fopen(scratch.file("noise.wav").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("this is not audio", f);
    fclose(f);
    before = scratch.entries();
    expectRefused({"render", "noise.wav", "out.wav"}, "cannot read noise.wav");
}

TEST_F(RenderRefusal, OutputThatIsTheInput)
{
    expectRefused({"render", "in.wav", "in.wav"}, "is the input file");
    expectRefused({"render", "in.wav", "./in.wav"}, "is the input file");
    ASSERT_EQ(link(scratch.file("in.wav").c_str(), scratch.file("same.wav").c_str()), 0);
    before = scratch.entries();
    expectRefused({"render", "in.wav", "same.wav"}, "is the input file");
}

TEST_F(RenderRefusal, UnknownTitleNamesCloseMatches)
{
    expectRefused({"render", "in.wav", "out.wav", "--set", "Nonsense=3"}, "unknown parameter \"Nonsense\"");
    expectRefused({"render", "in.wav", "out.wav", "--set-norm", "4000=0.5"},
                  "no parameter has the identifier 4000");
}

TEST_F(RenderRefusal, MalformedSettingsAndOptions)
{
    expectRefused({"render", "in.wav", "out.wav", "--set", "novalue"}, "expects NAME=VALUE");
    expectRefused({"render", "in.wav", "out.wav", "--set", "Gain1L=loud"},
                  "cannot read \"loud\" as a value of Gain1L");
    expectRefused({"render", "in.wav", "out.wav", "--set-norm", "Gain1L=2"}, "between 0 and 1");
    expectRefused({"render", "in.wav", "out.wav", "--set", "VU_L=0.3"}, "read-only");
    expectRefused({"render", "in.wav", "out.wav", "--block", "0"}, "--block");
    expectRefused({"render", "in.wav", "out.wav", "--block", "12x"}, "--block");
    expectRefused({"render", "in.wav"}, "usage");
    expectRefused({"render", "in.wav", "out.wav", "--frobnicate"}, "unknown option --frobnicate");
    expectRefused({"render", "in.wav", "out.wav", "--listen", "solo:5L"}, "--listen expects solo:BAND");
    expectRefused({"render", "in.wav", "out.wav", "--listen", "louder"}, "--listen expects solo:BAND");
    expectRefused({"render", "-", "out.wav", "--listen", "compare"}, "reads the input twice");
    expectRefused({"info", "--listen", "delta"}, "takes no --listen");
}

TEST_F(RenderRefusal, MoreThanTwoChannels)
{
    ASSERT_TRUE(writeAudio(scratch.file("in.wav"), sine(3, 1000)));
    expectRefused({"render", "in.wav", "out.wav"}, "has 3 channels");
}

TEST_F(RenderRefusal, MissingPresetOrPlugin)
{
    expectRefused({"render", "in.wav", "out.wav", "--preset", "absent.vstpreset"}, "absent.vstpreset");
    FILE* f = fopen(scratch.file("bad.vstpreset").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("VST3 but not really a preset at all, just text", f);
    fclose(f);
    before = scratch.entries();
    expectRefused({"render", "in.wav", "out.wav", "--preset", "bad.vstpreset"}, "not a VST 3 preset");
    // The shipped preset with its processor chunk's offset pointing far away.
    std::string damaged = readText(VOSK_SOURCE_DIR "/resource/presets/GentleMaster.vstpreset");
    ASSERT_GT(damaged.size(), 0x193u);
    damaged[0x193] = static_cast<char>(damaged[0x193] | 0x80);
    f = fopen(scratch.file("bad.vstpreset").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(damaged.data(), 1, damaged.size(), f);
    fclose(f);
    expectRefused({"render", "in.wav", "out.wav", "--preset", "bad.vstpreset"},
                  "bad.vstpreset: damaged preset");
    expectRefused({"render", "in.wav", "out.wav", "--preset", "."}, ". is a folder");
    expectRefused({"render", "in.wav", "out.wav", "--plugin", "nowhere.vst3"}, "nowhere.vst3");
}

TEST_F(RenderRefusal, AnyOutputThatCannotBeWrittenStopsTheWholeCommand)
{
    expectRefused({"render", "in.wav", "no/such/folder/out.wav"}, "the folder no/such/folder does not exist");
    expectRefused({"render", "in.wav", "out.wav", "--save-preset", "missing/x.vstpreset"}, "missing");
    expectRefused({"response", "--png", "r.png", "--csv", "missing/r.csv"}, "missing");
    ASSERT_EQ(mkdir(scratch.file("folder.wav").c_str(), 0755), 0);
    before = scratch.entries();
    expectRefused({"render", "in.wav", "folder.wav"}, "folder.wav is a folder");
    rmdir(scratch.file("folder.wav").c_str());
    before = scratch.entries();
    // A device that takes nothing, as a full disk: the bytes held back for
    // large writes fail at the end, and the render with them.
    if (access("/dev/full", W_OK) == 0)
        expectRefused({"render", "in.wav", "/dev/full", "--format", "wav"}, "cannot write /dev/full: No space left");
}

// Values are read whole, in the parameter's units, within its range.
TEST_F(RenderRefusal, ValuesThatAreNotWhollyReadableOrOutOfRange)
{
    const struct
    {
        const char* setting;
        const char* message;
    } cases[] = {
        {"Freq1L=1000abc", "cannot read \"1000abc\" as a value of Freq1L, which takes 20 to 20000 Hz"},
        {"Freq1L=1kdB", "cannot read"},
        {"Freq1L=999999", "999999 Hz is outside the range of Freq1L, 20 to 20000 Hz"},
        {"Freq1L=10Hz", "outside the range"},
        {"Gain1L=100", "100 dB is outside the range of Gain1L, -6.0 to 6.0 dB"},
        {"Gain1L=3k", "cannot read"},
        {"kShape1L=Shelf", "\"Shelf\" is not one of Bell, Low Cut, High Cut"},
    };
    for (const auto& c : cases) expectRefused({"render", "in.wav", "out.wav", "--set", c.setting}, c.message);
}

TEST_F(RenderRefusal, OutputFormatsThatCannotBeChosen)
{
    expectRefused({"render", "in.wav", "out.xyz"}, "out.xyz: no known audio format has this extension");
    expectRefused({"render", "in.wav", "out"}, "--format");
    expectRefused({"render", "in.wav", "out.wav", "--format", "mod"}, "--format mod is not a known format");
    expectRefused({"render", "in.wav", "out.wav", "--bits", "12"}, "--bits expects 16, 24, 32 or float");
    expectRefused({"render", "in.wav", "out.flac", "--bits", "float"},
                  "flac cannot hold floating-point samples");
    expectRefused({"render", "in.wav", "out.ogg", "--bits", "16"}, "--bits does not apply to ogg");
    expectRefused({"response", "--png", "r.svg"}, "--png writes a PNG picture");
}

TEST_F(RenderRefusal, ExistingOutputSurvivesARefusal)
{
    FILE* f = fopen(scratch.file("out.wav").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("keep me", f);
    fclose(f);
    before = scratch.entries();
    expectRefused({"render", "in.wav", "out.wav", "--set", "Nonsense=1"}, "unknown parameter");
    EXPECT_EQ(readText(scratch.file("out.wav")), "keep me");
}

} // namespace
