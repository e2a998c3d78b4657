#include "platform/window/timer_queue.h"

#include <algorithm>

namespace quorvex {

void TimerQueue::Set(std::uint32_t window, std::uintptr_t id, Clock::Duration period,
                     Clock::TimePoint now)
{
    // A period of zero would fire on every turn of the loop and starve everything else.
    period = std::max<Clock::Duration>(period, std::chrono::milliseconds(1));
    const Timer timer{window, id, period, now + period};
    for (Timer& existing : timers) {
        if (existing.window == window && existing.id == id) {
            existing = timer;
            return;
        }
    }
    timers.push_back(timer);
}

bool TimerQueue::Kill(std::uint32_t window, std::uintptr_t id)
{
    const auto found = std::find_if(timers.begin(), timers.end(), [&](const Timer& t) {
        return t.window == window && t.id == id;
    });
    if (found == timers.end())
        return false;
    timers.erase(found);
    return true;
}

void TimerQueue::KillAll(std::uint32_t window)
{
    std::erase_if(timers, [&](const Timer& t) { return t.window == window; });
}

std::optional<Clock::TimePoint> TimerQueue::NextDue() const
{
    std::optional<Clock::TimePoint> next;
    for (const Timer& timer : timers)
        if (!next || timer.due < *next)
            next = timer.due;
    return next;
}

std::optional<TimerQueue::Timer> TimerQueue::TakeDue(Clock::TimePoint now)
{
    Timer* earliest = nullptr;
    for (Timer& timer : timers)
        if (timer.due <= now && (!earliest || timer.due < earliest->due))
            earliest = &timer;
    if (!earliest)
        return std::nullopt;
    const Timer fired = *earliest;
    earliest->due += earliest->period;
    // Missed periods are dropped rather than delivered in a burst.
    if (earliest->due <= now)
        earliest->due = now + earliest->period;
    return fired;
}

}  // namespace quorvex
