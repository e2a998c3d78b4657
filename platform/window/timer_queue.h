#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/threads/clock.h"

namespace quorvex {

// The timers of one UI thread, by window and id. A timer fires once per period at most:
// a loop that falls behind gets one WM_TIMER, not a burst. UI thread only.
class TimerQueue {
public:
    struct Timer {
        std::uint32_t window = 0;
        std::uintptr_t id = 0;
        Clock::Duration period{};
        Clock::TimePoint due{};
    };

    // Starts a timer, or restarts one with the same window and id with the new period.
    void Set(std::uint32_t window, std::uintptr_t id, Clock::Duration period, Clock::TimePoint now);
    bool Kill(std::uint32_t window, std::uintptr_t id);
    void KillAll(std::uint32_t window);

    // The earliest deadline; nothing when no timer runs.
    std::optional<Clock::TimePoint> NextDue() const;

    // The timer that is due at `now` with the earliest deadline (the first started among
    // equals), already moved on to its next deadline.
    std::optional<Timer> TakeDue(Clock::TimePoint now);

    std::size_t Count() const { return timers.size(); }

private:
    std::vector<Timer> timers;
};

}  // namespace quorvex
