#include "platform/threads/waiter.h"

namespace quorvex {

void Waiter::Wake()
{
    {
        std::lock_guard lock(mutex);
        woken = true;
    }
    // Notified after unlocking, so that the sleeper does not wake only to block on the mutex
    // still held here. The waiter cannot go away meanwhile: every caller wakes it while
    // holding the lock under which the waiter must unregister before it returns.
    wakeUp.notify_one();
}

void Waiter::Sleep()
{
    std::unique_lock lock(mutex);
    wakeUp.wait(lock, [this] { return woken; });
    woken = false;
}

}  // namespace quorvex
