// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "runloop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

using namespace Steinberg;
using namespace Steinberg::Linux;

namespace vosk {

RunLoop::RunLoop() = default;

RunLoop::~RunLoop()
{
    for (auto& w : watches) w.handler->release();
    for (auto& t : timers) t.handler->release();
}

tresult PLUGIN_API RunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd)
{
    if (!handler || fd < 0) return kInvalidArgument;
    for (const auto& w : watches)
        if (w.handler == handler && w.fd == fd) return kResultFalse;
    handler->addRef();
    watches.push_back({handler, fd, nextSerial++});
    return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(IEventHandler* handler)
{
    if (!handler) return kInvalidArgument;
    auto gone = std::stable_partition(watches.begin(), watches.end(),
                                      [handler](const Watch& w) { return w.handler != handler; });
    if (gone == watches.end()) return kResultFalse;
    const auto count = watches.end() - gone;
    watches.erase(gone, watches.end());
    // Released after erasing: the last release may run the handler's destructor,
    // which may call back into this loop.
    for (auto i = 0; i < count; ++i) handler->release();
    return kResultTrue;
}

tresult PLUGIN_API RunLoop::registerTimer(ITimerHandler* handler, TimerInterval milliseconds)
{
    if (!handler || milliseconds == 0) return kInvalidArgument;
    handler->addRef();
    const auto interval = std::chrono::milliseconds(milliseconds);
    timers.push_back({handler, interval, Clock::now() + interval, nextSerial++});
    return kResultTrue;
}

tresult PLUGIN_API RunLoop::unregisterTimer(ITimerHandler* handler)
{
    if (!handler) return kInvalidArgument;
    auto gone = std::stable_partition(timers.begin(), timers.end(),
                                      [handler](const Timer& t) { return t.handler != handler; });
    if (gone == timers.end()) return kResultFalse;
    const auto count = timers.end() - gone;
    timers.erase(gone, timers.end());
    for (auto i = 0; i < count; ++i) handler->release();
    return kResultTrue;
}

bool RunLoop::watching(std::uint64_t serial) const
{
    return std::any_of(watches.begin(), watches.end(),
                       [serial](const Watch& w) { return w.serial == serial; });
}

int RunLoop::runOnce(std::chrono::milliseconds maxWait)
{
    auto wait = std::max(maxWait, std::chrono::milliseconds(0));
    const auto start = Clock::now();
    for (const auto& t : timers) {
        const auto untilDue = std::chrono::ceil<std::chrono::milliseconds>(t.due - start);
        wait = std::max(std::chrono::milliseconds(0), std::min(wait, untilDue));
    }

    // Handlers may register and unregister anything while they run, so work on a
    // snapshot and skip entries that have gone by the time their turn comes.
    const std::vector<Watch> polled = watches;
    std::vector<pollfd> fds;
    fds.reserve(polled.size());
    for (const auto& w : polled) fds.push_back({w.fd, POLLIN, 0});
    int ready = ::poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    if (ready < 0 && errno != EINTR) ready = 0;

    int calls = 0;
    for (std::size_t i = 0; ready > 0 && i < fds.size(); ++i) {
        const auto& w = polled[i];
        if (fds[i].revents & POLLNVAL) {
            // A closed descriptor would wake every poll at once from now on.
            auto it = std::find_if(watches.begin(), watches.end(),
                                   [&w](const Watch& x) { return x.serial == w.serial; });
            if (it != watches.end()) {
                watches.erase(it);
                w.handler->release();
            }
            continue;
        }
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)) || !watching(w.serial)) continue;
        w.handler->addRef();
        w.handler->onFDIsSet(w.fd);
        w.handler->release();
        ++calls;
    }

    const auto now = Clock::now();
    std::vector<std::uint64_t> due;
    for (const auto& t : timers)
        if (t.due <= now) due.push_back(t.serial);
    for (auto serial : due) {
        auto it = std::find_if(timers.begin(), timers.end(),
                               [serial](const Timer& t) { return t.serial == serial; });
        if (it == timers.end()) continue;
        // Keeps a steady rate; a loop that fell a whole interval behind skips the
        // missed ticks instead of firing them in a burst.
        it->due += it->interval;
        if (it->due <= now) it->due = now + it->interval;
        auto* handler = it->handler;
        handler->addRef();
        handler->onTimer();
        handler->release();
        ++calls;
    }
    return calls;
}

void RunLoop::run()
{
    quitRequested = false;
    while (!quitRequested && (!watches.empty() || !timers.empty())) runOnce(std::chrono::seconds(1));
}

} // namespace vosk
