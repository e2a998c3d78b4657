#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

#include "platform/threads/clock.h"

namespace quorvex {

class Waiter;

// A signal that threads wait for: set, reset, and waited on alone or together with others.
// A manual-reset event stays set until Reset; an automatic-reset event lets exactly one
// wait through per Set and is reset by that wait. Set and Reset may be called from any
// thread, also while others wait. No thread may wait on an event, nor be inside Set, when it
// is destroyed: a waiter can return while the Set that released it is still finishing, so
// whoever destroys an event first ends the threads that set it (joins them).
class Event {
public:
    enum class ResetMode { Manual, Automatic };

    // The most events one WaitAny takes.
    static constexpr std::size_t kMaxWaitAny = 8;

    // Timed waits on the event run on `clock`.
    explicit Event(ResetMode mode, Clock& clock = Clock::System());
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // Set in two steps, for a caller that sets the event under a lock of its own: Signal
    // sets it and says whether anyone waits; WakeWaiters, called after that lock is left,
    // wakes them, so that they do not wake only to wait for the caller's lock.
    bool Signal();
    void WakeWaiters();
    bool IsSet() const;

    void Wait();
    bool WaitFor(Clock::Duration limit);  // false when the time ran out

    // Waits until any of `events` is set and returns its index; when several are set, the
    // lowest index wins. Returns nothing when `limit` ran out first, or when `events` is
    // empty or longer than kMaxWaitAny. Time runs on the first event's clock.
    static std::optional<std::size_t> WaitAny(std::span<Event* const> events,
                                              std::optional<Clock::Duration> limit = std::nullopt);

private:
    // Waiters whose futex calls WakeWaiters makes after leaving its lock; more are woken
    // under it.
    static constexpr std::size_t kMaxWokenAfterLock = 4;

    // A waiting thread's entry in the list of each event it waits on; lives on its stack.
    struct Registration {
        Waiter* waiter = nullptr;
        Registration* prev = nullptr;
        Registration* next = nullptr;
    };

    void Register(Registration& entry);
    void Unregister(Registration& entry);
    bool TryTake();

    // Set, Reset and a look at a set event touch only the atomics; the lock guards the list
    // of waiters, and Set takes it only when someone is registered.
    std::atomic<bool> signalled{false};
    std::atomic<std::uint32_t> registered{0};
    std::mutex mutex;
    Clock& clock;
    const ResetMode mode;
    Registration* waiters = nullptr;
};

}  // namespace quorvex
