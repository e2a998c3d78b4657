#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace quorvex {

// One thread's place to sleep while it waits for events or for a clock's deadline.
// Whoever ends the wait calls Wake; Wake is safe from any thread, and a Wake that comes
// before the sleep is not lost (several before one sleep count as one). A Waiter lives on
// the stack of the waiting thread, and every party that may wake it must have forgotten it
// before it goes away.
//
// A wake-up is one atomic exchange, plus one futex call only when the waiter is asleep.
class Waiter {
public:
    Waiter() = default;
    Waiter(const Waiter&) = delete;
    Waiter& operator=(const Waiter&) = delete;

    void Wake();

    // Wake in two steps, for a caller that holds the lock that keeps this waiter alive:
    // StartWake marks it woken and, when it sleeps, returns what to hand to FinishWake once
    // the lock is left. A FinishWake that comes after the waiter has gone is harmless: a
    // sleep that is woken for nothing looks again and sleeps on.
    using Sleeper = const std::atomic<std::uint32_t>*;
    Sleeper StartWake();
    static void FinishWake(Sleeper sleeper);

    // Sleeps until woken, then consumes the wake-up. Only clocks call these two.
    void Sleep();
    bool SleepUntil(std::chrono::steady_clock::time_point deadline);  // false: deadline first

private:
    static constexpr std::uint32_t kIdle = 0;
    static constexpr std::uint32_t kWoken = 1;
    static constexpr std::uint32_t kAsleep = 2;

    bool SleepUntil(const std::chrono::steady_clock::time_point* deadline);

    std::atomic<std::uint32_t> state{kIdle};
};

}  // namespace quorvex
