#include "platform/testing/manual_clock.h"

#include <algorithm>

#include "platform/threads/waiter.h"

namespace quorvex {

Clock::TimePoint ManualClock::Now() const
{
    std::lock_guard lock(mutex);
    return now;
}

bool ManualClock::Sleep(Waiter& waiter, std::optional<TimePoint> deadline)
{
    if (!deadline) {
        {
            std::lock_guard lock(mutex);
            ++untimedSleepers;
            sleepersChanged.notify_all();
        }
        waiter.Sleep();
        std::lock_guard lock(mutex);
        --untimedSleepers;
        sleepersChanged.notify_all();
        return true;
    }
    Sleeper self{&waiter, *deadline};
    {
        std::lock_guard lock(mutex);
        if (now >= self.deadline)
            return false;
        sleepers.push_back(&self);
        ++timedWaits;
        sleepersChanged.notify_all();
    }
    waiter.Sleep();
    std::lock_guard lock(mutex);
    sleepers.erase(std::find(sleepers.begin(), sleepers.end(), &self));
    sleepersChanged.notify_all();
    return now < self.deadline;
}

void ManualClock::Advance(Duration step)
{
    std::lock_guard lock(mutex);
    now += step;
    // A sleeper leaves the list only under this lock, so every one seen here is alive.
    for (Sleeper* sleeper : sleepers)
        if (now >= sleeper->deadline)
            sleeper->waiter->Wake();
}

void ManualClock::WaitForSleepers(std::size_t count)
{
    std::unique_lock lock(mutex);
    sleepersChanged.wait(lock, [&] { return sleepers.size() >= count; });
}

void ManualClock::WaitForTimedWaits(std::size_t total)
{
    std::unique_lock lock(mutex);
    sleepersChanged.wait(lock, [&] { return timedWaits >= total; });
}

bool ManualClock::WaitForTimedWaits(std::size_t total, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex);
    return sleepersChanged.wait_for(lock, limit, [&] { return timedWaits >= total; });
}

bool ManualClock::WaitForUntimedSleepers(std::size_t count, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex);
    return sleepersChanged.wait_for(lock, limit, [&] { return untimedSleepers >= count; });
}

std::optional<Clock::TimePoint> ManualClock::NextDeadline() const
{
    std::lock_guard lock(mutex);
    std::optional<TimePoint> next;
    for (const Sleeper* sleeper : sleepers)
        if (!next || sleeper->deadline < *next)
            next = sleeper->deadline;
    return next;
}

}  // namespace quorvex
