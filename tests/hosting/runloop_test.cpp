// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "hosting/linux/runloop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace Steinberg;
using namespace std::chrono_literals;

namespace {

// Counts references so the tests can see what the loop holds.
template <typename Interface> class Counted : public Interface
{
public:
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++refs); }
    uint32 PLUGIN_API release() override
    {
        const int left = --refs;
        if (left == 0 && onLastRelease) onLastRelease();
        return static_cast<uint32>(left);
    }
    int refs = 1;
    std::function<void()> onLastRelease;
};

struct FdHandler final : Counted<Linux::IEventHandler>
{
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override
    {
        seen.push_back(fd);
        char byte;
        if (drain) (void)!read(fd, &byte, 1);
        if (action) action();
    }
    std::vector<int> seen;
    bool drain = true;
    std::function<void()> action;
};

struct TimerHandler final : Counted<Linux::ITimerHandler>
{
    void PLUGIN_API onTimer() override
    {
        ticks.push_back(vosk::RunLoop::Clock::now());
        if (action) action();
    }
    std::vector<vosk::RunLoop::Clock::time_point> ticks;
    std::function<void()> action;
};

struct Pipe
{
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe()
    {
        if (fds[0] >= 0) close(fds[0]);
        if (fds[1] >= 0) close(fds[1]);
    }
    void poke() { ASSERT_EQ(write(fds[1], "x", 1), 1); }
    int fds[2] = {-1, -1};
    int in() const { return fds[0]; }
};

TEST(RunLoop, CallsAnEventHandlerOnlyWhenItsDescriptorIsReadable)
{
    FdHandler handler; // outlives the loop, which releases it
    Pipe quiet, busy;
    vosk::RunLoop loop;
    ASSERT_EQ(loop.registerEventHandler(&handler, quiet.in()), kResultTrue);
    ASSERT_EQ(loop.registerEventHandler(&handler, busy.in()), kResultTrue);
    EXPECT_EQ(loop.eventHandlerCount(), 2u);

    EXPECT_EQ(loop.runOnce(0ms), 0);
    EXPECT_TRUE(handler.seen.empty());

    busy.poke();
    EXPECT_EQ(loop.runOnce(1000ms), 1);
    EXPECT_EQ(handler.seen, std::vector<int>{busy.in()});

    // Drained: nothing more to report.
    EXPECT_EQ(loop.runOnce(0ms), 0);
    quiet.poke();
    busy.poke();
    EXPECT_EQ(loop.runOnce(1000ms), 2);
    EXPECT_EQ(handler.seen.size(), 3u);
}

TEST(RunLoop, RejectsBadRegistrationsAndUnknownHandlers)
{
    FdHandler fdHandler;
    TimerHandler timer;
    Pipe p;
    vosk::RunLoop loop;
    EXPECT_EQ(loop.registerEventHandler(nullptr, p.in()), kInvalidArgument);
    EXPECT_EQ(loop.registerEventHandler(&fdHandler, -1), kInvalidArgument);
    EXPECT_EQ(loop.registerTimer(nullptr, 10), kInvalidArgument);
    EXPECT_EQ(loop.registerTimer(&timer, 0), kInvalidArgument);
    EXPECT_EQ(loop.unregisterEventHandler(&fdHandler), kResultFalse);
    EXPECT_EQ(loop.unregisterTimer(&timer), kResultFalse);
    EXPECT_EQ(loop.unregisterEventHandler(nullptr), kInvalidArgument);
    EXPECT_EQ(loop.unregisterTimer(nullptr), kInvalidArgument);

    ASSERT_EQ(loop.registerEventHandler(&fdHandler, p.in()), kResultTrue);
    EXPECT_EQ(loop.registerEventHandler(&fdHandler, p.in()), kResultFalse);
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_EQ(fdHandler.refs, 2);
    EXPECT_EQ(timer.refs, 1);
}

TEST(RunLoop, HoldsAReferenceToEveryRegistrationUntilItIsDropped)
{
    FdHandler fdHandler;
    TimerHandler timer;
    Pipe a, b;
    {
        vosk::RunLoop loop;
        loop.registerEventHandler(&fdHandler, a.in());
        loop.registerEventHandler(&fdHandler, b.in());
        loop.registerTimer(&timer, 5);
        loop.registerTimer(&timer, 7);
        EXPECT_EQ(fdHandler.refs, 3);
        EXPECT_EQ(timer.refs, 3);

        // One call drops all of a handler's registrations.
        EXPECT_EQ(loop.unregisterTimer(&timer), kResultTrue);
        EXPECT_EQ(timer.refs, 1);
        EXPECT_EQ(loop.timerCount(), 0u);
        loop.registerTimer(&timer, 5);
    }
    // A loop that goes away releases what is still registered.
    EXPECT_EQ(fdHandler.refs, 1);
    EXPECT_EQ(timer.refs, 1);
}

TEST(RunLoop, FiresTimersRepeatedlyAtTheirIntervalUntilUnregistered)
{
    TimerHandler fast, slow;
    vosk::RunLoop loop;
    const auto start = vosk::RunLoop::Clock::now();
    loop.registerTimer(&fast, 10);
    loop.registerTimer(&slow, 1000000);
    EXPECT_EQ(loop.runOnce(0ms), 0); // nothing is due at once

    while (fast.ticks.size() < 3) ASSERT_LE(loop.runOnce(1000ms), 1);
    EXPECT_TRUE(slow.ticks.empty());
    // Never early: the k-th tick comes k intervals after registration at the soonest.
    EXPECT_GE(fast.ticks[0] - start, 10ms);
    EXPECT_GE(fast.ticks[1] - start, 20ms);
    EXPECT_GE(fast.ticks[2] - start, 30ms);

    loop.unregisterTimer(&fast);
    const auto before = fast.ticks.size();
    loop.runOnce(30ms);
    EXPECT_EQ(fast.ticks.size(), before);
}

TEST(RunLoop, ToleratesHandlersThatChangeRegistrationsWhileRunning)
{
    TimerHandler first, second;
    vosk::RunLoop loop;
    bool secondGone = false;
    // Both due in the same pass; the first one's call removes the second.
    first.action = [&] { secondGone = loop.unregisterTimer(&second) == kResultTrue; };
    loop.registerTimer(&first, 1);
    loop.registerTimer(&second, 1);
    usleep(5000);
    loop.runOnce(0ms);
    ASSERT_EQ(first.ticks.size(), 1u);
    EXPECT_TRUE(secondGone);
    EXPECT_TRUE(second.ticks.empty());

    // A heap handler that unregisters itself and so drops its last reference
    // during its own call stays alive until the call returns.
    auto* self = new FdHandler;
    bool deleted = false;
    self->onLastRelease = [&] {
        deleted = true;
        delete self;
    };
    Pipe p;
    loop.registerEventHandler(self, p.in());
    self->action = [&] {
        loop.unregisterEventHandler(self);
        self->release(); // the creator's reference
        EXPECT_FALSE(deleted);
    };
    p.poke();
    loop.runOnce(1000ms);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
}

TEST(RunLoop, DropsAWatchOnAClosedDescriptor)
{
    FdHandler handler;
    vosk::RunLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    loop.registerEventHandler(&handler, fds[0]);
    close(fds[0]);
    close(fds[1]);
    loop.runOnce(100ms);
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(handler.refs, 1);
}

TEST(RunLoop, RunReturnsOnQuitOrWhenNothingIsLeft)
{
    TimerHandler timer;
    vosk::RunLoop loop;
    loop.run(); // nothing registered: returns at once

    timer.action = [&] {
        if (timer.ticks.size() == 3) loop.quit();
    };
    loop.registerTimer(&timer, 2);
    loop.run();
    EXPECT_EQ(timer.ticks.size(), 3u);

    timer.action = [&] { loop.unregisterTimer(&timer); };
    loop.run();
    EXPECT_EQ(timer.ticks.size(), 4u);
    EXPECT_EQ(loop.timerCount(), 0u);
}

TEST(RunLoop, AnswersQueriesForItsInterfaceOnly)
{
    auto* loop = new vosk::RunLoop;
    void* obj = nullptr;
    ASSERT_EQ(loop->queryInterface(Linux::IRunLoop::iid, &obj), kResultOk);
    EXPECT_EQ(obj, static_cast<Linux::IRunLoop*>(loop));
    EXPECT_EQ(loop->release(), 1u);
    EXPECT_EQ(loop->queryInterface(Linux::IEventHandler::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(loop->release(), 0u); // deletes; the sanitiser build catches a leak otherwise
}

} // namespace
