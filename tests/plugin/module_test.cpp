// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The module folder is the library's own file name cut after its last separator.
#include "source/platform/module.h"

#include <gtest/gtest.h>

using vosk::platform::folderOf;

TEST(ModuleFolder, CutsAfterTheLastSeparatorAndKeepsIt)
{
    EXPECT_EQ(folderOf("/home/a/.vst3/VOSK.vst3/Contents/x86_64-linux/VOSK.so", '/'),
              "/home/a/.vst3/VOSK.vst3/Contents/x86_64-linux/");
    EXPECT_EQ(folderOf("C:\\Program Files\\Common Files\\VST3\\VOSK.vst3", '\\'),
              "C:\\Program Files\\Common Files\\VST3\\");
    EXPECT_EQ(folderOf("/VOSK.so", '/'), "/");
    EXPECT_EQ(folderOf("VOSK.so", '/'), "");
    // The other platform's separator is an ordinary character.
    EXPECT_EQ(folderOf("C:\\dir\\a/b.dll", '\\'), "C:\\dir\\");
}

TEST(ModuleFolder, RecordsAndForgetsTheModule)
{
    int marker = 0;
    vosk::platform::setModule(&marker, "/x/");
    EXPECT_EQ(vosk::platform::moduleHandle(), &marker);
    EXPECT_EQ(vosk::platform::moduleFolder(), "/x/");
    vosk::platform::clearModule();
    EXPECT_EQ(vosk::platform::moduleHandle(), nullptr);
    EXPECT_EQ(vosk::platform::moduleFolder(), "");
}
