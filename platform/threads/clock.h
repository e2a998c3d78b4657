#pragma once

#include <chrono>
#include <optional>

namespace quorvex {

class Waiter;

// The time that timed waits and timers run on. The program uses the system's monotonic
// clock; tests use a ManualClock and move time themselves, so that every time-out fires
// exactly when the test says so.
class Clock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;

    virtual TimePoint Now() const = 0;

    // Puts the calling thread to sleep on `waiter` until it is woken or, when a deadline
    // is given, until this clock reaches it. True when woken, false when the deadline
    // passed first.
    virtual bool Sleep(Waiter& waiter, std::optional<TimePoint> deadline) = 0;

    // The monotonic system clock, shared by the whole process.
    static Clock& System();
};

}  // namespace quorvex
