#include "platform/waiter.h"

namespace quorvex {

void Waiter::Wake()
{
    std::lock_guard lock(mutex);
    woken = true;
    wakeUp.notify_one();
}

void Waiter::Sleep()
{
    std::unique_lock lock(mutex);
    wakeUp.wait(lock, [this] { return woken; });
    woken = false;
}

}  // namespace quorvex
