#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/threads/clock.h"

namespace quorvex {

// A clock that stands still until a test moves it. Timed waits on it end only when
// Advance reaches their deadline, so time-outs, timers and flashes fire deterministically.
// All operations may be called from any thread.
class ManualClock final : public Clock {
public:
    ManualClock() = default;

    TimePoint Now() const override;
    bool Sleep(Waiter& waiter, std::optional<TimePoint> deadline) override;

    // Moves time forward and ends every timed wait whose deadline is now reached.
    void Advance(Duration step);

    // Blocks until at least `count` threads are in a timed wait on this clock, so that a
    // test advances time only once the waits it means to end have begun.
    void WaitForSleepers(std::size_t count);

    // Blocks until `total` timed waits have begun on this clock since it was made, so that
    // a test ends a thread's waits one by one without mistaking a wait that is just ending
    // for the next.
    void WaitForTimedWaits(std::size_t total);
    // The same for at most `limit` of real time; false when fewer began, so that a test can
    // report a thread that never waits as it should instead of hanging.
    bool WaitForTimedWaits(std::size_t total, std::chrono::milliseconds limit);

    // The earliest deadline of the timed waits under way, if any.
    std::optional<TimePoint> NextDeadline() const;

    // Waits, for at most `limit` of real time, until at least `count` threads wait on this
    // clock without a time limit: asleep until something wakes them, however far time
    // moves. False when fewer do, so that a test can report a thread that keeps a timer
    // instead of hanging.
    bool WaitForUntimedSleepers(std::size_t count, std::chrono::milliseconds limit);

private:
    struct Sleeper {
        Waiter* waiter;
        TimePoint deadline;
    };

    mutable std::mutex mutex;
    std::condition_variable sleepersChanged;
    TimePoint now{};
    std::vector<Sleeper*> sleepers;
    std::size_t timedWaits = 0;
    std::size_t untimedSleepers = 0;
};

}  // namespace quorvex
