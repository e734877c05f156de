// The editor's edit calls on the controller (they are not part of any host interface,
// so the controller class is driven directly, with a host context and handler).
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

// Records what reaches the host through the component handler.
class RecordingHandler : public IComponentHandler
{
public:
    std::vector<std::string> calls;

    tresult PLUGIN_API beginEdit(ParamID id) override { return record("begin", id); }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
    {
        return record("perform", id, value);
    }
    tresult PLUGIN_API endEdit(ParamID id) override { return record("end", id); }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }

    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        QUERY_INTERFACE(queried, obj, FUnknown::iid, IComponentHandler)
        QUERY_INTERFACE(queried, obj, IComponentHandler::iid, IComponentHandler)
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; } // lives on the test's stack
    uint32 PLUGIN_API release() override { return 1; }

private:
    tresult record(const char* what, ParamID id, double value = -1)
    {
        char line[64];
        std::snprintf(line, sizeof(line), "%s %u %g", what, id, value);
        calls.emplace_back(line);
        return kResultOk;
    }
};

class Edits : public ::testing::Test
{
protected:
    IPtr<FUnknown> context = test::makeHostContext();
    IPtr<UIDescriptionController> controller = owned(new UIDescriptionController());
    RecordingHandler handler;

    void SetUp() override { ASSERT_EQ(controller->initialize(context), kResultOk); }
    void TearDown() override { controller->terminate(); }
};

TEST_F(Edits, ReachTheHostOnlyForParameters)
{
    ASSERT_EQ(controller->setComponentHandler(&handler), kResultOk);

    EXPECT_EQ(controller->beginEdit(kAbout), kResultFalse);
    EXPECT_EQ(controller->performEdit(kAbout, 1.0), kResultFalse);
    EXPECT_EQ(controller->endEdit(kAbout), kResultFalse);
    EXPECT_EQ(controller->performEdit(kOutGain, 1.0), kResultFalse);
    EXPECT_TRUE(handler.calls.empty());

    EXPECT_EQ(controller->beginEdit(kBypass), kResultOk);
    EXPECT_EQ(controller->performEdit(kBypass, 1.0), kResultOk);
    EXPECT_EQ(controller->endEdit(kBypass), kResultOk);
    EXPECT_EQ(controller->performEdit(kFftSizeMenu, 0.5), kResultOk);
    EXPECT_EQ(handler.calls,
              (std::vector<std::string>{"begin 0 -1", "perform 0 1", "end 0 -1", "perform 79 0.5"}));
}

TEST_F(Edits, AreRefusedWithoutAHandler)
{
    EXPECT_EQ(controller->beginEdit(kBypass), kResultFalse);
    EXPECT_EQ(controller->performEdit(kBypass, 1.0), kResultFalse);
    EXPECT_EQ(controller->endEdit(kBypass), kResultFalse);
}

TEST_F(Edits, StopReachingTheHostAfterTerminate)
{
    ASSERT_EQ(controller->setComponentHandler(&handler), kResultOk);
    ASSERT_EQ(controller->terminate(), kResultOk);
    EXPECT_EQ(controller->performEdit(kBypass, 0.0), kResultFalse);
    EXPECT_TRUE(handler.calls.empty());
    // A new initialisation starts without the old handler.
    ASSERT_EQ(controller->initialize(context), kResultOk);
    EXPECT_EQ(controller->performEdit(kBypass, 0.0), kResultFalse);
    EXPECT_TRUE(handler.calls.empty());
}

} // namespace
} // namespace vosk
