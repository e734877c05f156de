// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's gestures, which the controller takes through an interface of our own
// and passes on to the host's component handler.
#include "hosting/componenthandler.h"
#include "source/controller.h"
#include "source/parameterids.h"
#include "tests/support/plugin_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vosk {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// What reached the host, one line per call.
std::vector<std::string> calls(const RecordingComponentHandler& handler)
{
    static const char* const kNames[] = {"begin", "perform", "end"};
    std::vector<std::string> lines;
    for (const ParameterEdit& e : handler.edits) {
        char line[64];
        std::snprintf(line, sizeof(line), "%s %u %g", kNames[e.kind], e.id,
                      e.kind == ParameterEdit::Perform ? e.value : -1.0);
        lines.emplace_back(line);
    }
    return lines;
}

class Edits : public ::testing::Test
{
protected:
    IPtr<FUnknown> context = test::makeHostContext();
    IPtr<UIDescriptionController> controller = owned(new UIDescriptionController());
    RecordingComponentHandler handler;

    FUnknownPtr<IParameterEdits> edits{static_cast<IEditController*>(controller.get())};

    void SetUp() override
    {
        ASSERT_TRUE(edits) << "the editor finds no way to the host";
        ASSERT_EQ(controller->initialize(context), kResultOk);
    }
    void TearDown() override { controller->terminate(); }
};

TEST_F(Edits, ReachTheHostOnlyForParameters)
{
    ASSERT_EQ(controller->setComponentHandler(&handler), kResultOk);

    EXPECT_EQ(edits->beginEdit(kAbout), kResultFalse);
    EXPECT_EQ(edits->performEdit(kAbout, 1.0), kResultFalse);
    EXPECT_EQ(edits->endEdit(kAbout), kResultFalse);
    EXPECT_EQ(edits->performEdit(kOutGain, 1.0), kResultFalse);
    EXPECT_TRUE(calls(handler).empty());

    EXPECT_EQ(edits->beginEdit(kBypass), kResultOk);
    EXPECT_EQ(edits->performEdit(kBypass, 1.0), kResultOk);
    EXPECT_EQ(edits->endEdit(kBypass), kResultOk);
    EXPECT_EQ(edits->performEdit(kFftSizeMenu, 0.5), kResultOk);
    EXPECT_EQ(calls(handler),
              (std::vector<std::string>{"begin 0 -1", "perform 0 1", "end 0 -1", "perform 79 0.5"}));
}

TEST_F(Edits, AreRefusedWithoutAHandler)
{
    EXPECT_EQ(edits->beginEdit(kBypass), kResultFalse);
    EXPECT_EQ(edits->performEdit(kBypass, 1.0), kResultFalse);
    EXPECT_EQ(edits->endEdit(kBypass), kResultFalse);
}

TEST_F(Edits, StopReachingTheHostAfterTerminate)
{
    ASSERT_EQ(controller->setComponentHandler(&handler), kResultOk);
    ASSERT_EQ(controller->terminate(), kResultOk);
    EXPECT_EQ(edits->performEdit(kBypass, 0.0), kResultFalse);
    EXPECT_TRUE(calls(handler).empty());
    // A new initialisation starts without the old handler.
    ASSERT_EQ(controller->initialize(context), kResultOk);
    EXPECT_EQ(edits->performEdit(kBypass, 0.0), kResultFalse);
    EXPECT_TRUE(calls(handler).empty());
}

} // namespace
} // namespace vosk
