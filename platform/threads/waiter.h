#pragma once

#include <condition_variable>
#include <mutex>

namespace quorvex {

// One thread's place to sleep while it waits for events or for a clock's deadline.
// Whoever ends the wait calls Wake; Wake is safe from any thread, and a Wake that comes
// before the sleep is not lost. A Waiter lives on the stack of the waiting thread, and
// every party that may wake it must have forgotten it before it goes away.
class Waiter {
public:
    Waiter() = default;
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;

    void Wake();

    // Sleeps until woken, then consumes the wake-up. Waits on a condition variable the
    // clock implementation drives; only clocks call these two.
    void Sleep();
    template <class TimePoint>
    bool SleepUntil(const TimePoint& deadline);  // false when the deadline passed first

private:
    std::mutex mutex;
    std::condition_variable wakeUp;
    bool woken = false;
};

template <class TimePoint>
bool Waiter::SleepUntil(const TimePoint& deadline)
{
    std::unique_lock lock(mutex);
    if (!wakeUp.wait_until(lock, deadline, [this] { return woken; }))
        return false;
    woken = false;
    return true;
}

}  // namespace quorvex
