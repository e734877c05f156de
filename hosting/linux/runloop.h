// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host's user-interface run loop on Linux, offered to plug-in views through
// their IPlugFrame: file descriptors watched with poll() and repeating timers,
// all dispatched on the thread that runs the loop.

#include "common/refcounted.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vosk {

// FUnknown: answers IRunLoop and FUnknown; deletes itself on the last release.
class RunLoop : public RefCounted<Steinberg::Linux::IRunLoop>
{
public:
    using Clock = std::chrono::steady_clock;

    RunLoop();
    virtual ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // IRunLoop. A handler may watch several descriptors and own several timers;
    // unregistering it drops all of them. The loop holds a reference to every
    // registered handler until it is unregistered.
    Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                       Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    // Waits at most maxWait for a watched descriptor to become readable or a
    // timer to fall due, then calls every handler that is ready (each at most
    // once). Returns the number of handler calls made.
    int runOnce(std::chrono::milliseconds maxWait);
    // Runs until quit() is called (from a handler) or nothing is registered.
    void run();
    void quit() { quitRequested = true; }

    std::size_t eventHandlerCount() const { return watches.size(); }
    std::size_t timerCount() const { return timers.size(); }

private:
    struct Watch
    {
        Steinberg::Linux::IEventHandler* handler;
        int fd;
        std::uint64_t serial;
    };
    struct Timer
    {
        Steinberg::Linux::ITimerHandler* handler;
        Clock::duration interval;
        Clock::time_point due;
        std::uint64_t serial;
    };
    bool watching(std::uint64_t serial) const;

    std::vector<Watch> watches;
    std::vector<Timer> timers;
    std::uint64_t nextSerial = 1;
    bool quitRequested = false;
};

} // namespace vosk
