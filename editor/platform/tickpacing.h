// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps an editor window's drawing from taking over the host's thread. The tick
// moves the meters and the spectrum, and what it changes is painted; where a
// paint takes as long as the tick's interval (a slow software renderer, a huge
// scale), ticking on schedule would leave the host's own windows no time. So
// after a paint of d milliseconds the next tick waits until d more have passed
// (a quarter second at most, for the odd very slow paint): paints then take
// about half the thread at most, and the editor slows down instead of the host.
#pragma once

#include <algorithm>
#include <chrono>

namespace vosk::ui {

class TickPacing
{
public:
    using Clock = std::chrono::steady_clock;

    void painted(Clock::time_point start, Clock::time_point end)
    {
        resumeAt_ = end + std::min<Clock::duration>(end - start, std::chrono::milliseconds(250));
    }
    bool due(Clock::time_point now) const { return now >= resumeAt_; }

private:
    Clock::time_point resumeAt_{};
};

} // namespace vosk::ui
