#include "platform/threads/waiter.h"

#include <cerrno>

#include "platform/system/posix.h"

namespace quorvex {

void Waiter::Wake()
{
    if (const Sleeper sleeper = StartWake())
        FinishWake(sleeper);
}

Waiter::Sleeper Waiter::StartWake()
{
    // The waiter cannot go away meanwhile: every caller wakes it while holding the lock under
    // which the waiter must unregister before it returns.
    return state.exchange(kWoken, std::memory_order_release) == kAsleep ? &state : nullptr;
}

void Waiter::FinishWake(Sleeper sleeper)
{
    // The kernel takes the address as a key only: once the waiter has gone it wakes nobody,
    // or a sleep elsewhere that looks again; a word no longer mapped fails harmlessly.
    (void)Posix::FutexWake(*sleeper, 1);
}

void Waiter::Sleep()
{
    (void)SleepUntil(nullptr);
}

bool Waiter::SleepUntil(std::chrono::steady_clock::time_point deadline)
{
    return SleepUntil(&deadline);
}

bool Waiter::SleepUntil(const std::chrono::steady_clock::time_point* deadline)
{
    for (;;) {
        std::uint32_t seen = state.load(std::memory_order_acquire);
        if (seen == kWoken) {
            state.store(kIdle, std::memory_order_relaxed);
            return true;
        }
        if (seen == kIdle && !state.compare_exchange_weak(seen, kAsleep, std::memory_order_acquire))
            continue;
        const SystemResult slept = Posix::FutexWait(state, kAsleep, deadline);
        if (!slept.Ok() && slept.error == ETIMEDOUT) {
            std::uint32_t asleep = kAsleep;
            if (state.compare_exchange_strong(asleep, kIdle, std::memory_order_acquire))
                return false;
            // Woken just as the time ran out: the wake-up wins.
            state.store(kIdle, std::memory_order_relaxed);
            return true;
        }
    }
}

}  // namespace quorvex
