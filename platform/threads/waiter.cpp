#include "platform/threads/waiter.h"

#include <cerrno>

#include "platform/system/posix.h"

namespace quorvex {

void Waiter::Wake()
{
    // The waiter cannot go away meanwhile: every caller wakes it while holding the lock under
    // which the waiter must unregister before it returns.
    if (state.exchange(kWoken, std::memory_order_release) == kAsleep)
        (void)Posix::FutexWake(state, 1);  // cannot fail on a valid word
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
