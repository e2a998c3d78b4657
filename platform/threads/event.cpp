#include "platform/threads/event.h"

#include <array>
#include <cassert>

#include "platform/threads/waiter.h"

namespace quorvex {

Event::Event(ResetMode mode, Clock& clock) : clock(clock), mode(mode)
{
}

Event::~Event()
{
    assert(waiters == nullptr && "an event was destroyed while a thread waited on it");
}

void Event::Set()
{
    if (Signal())
        WakeWaiters();
}

bool Event::Signal()
{
    // Sequentially consistent, as Register's count and TryTake's look are: either this sees
    // the waiter registered, or the waiter's look after registering sees the event set.
    signalled.store(true, std::memory_order_seq_cst);
    return registered.load(std::memory_order_seq_cst) != 0;
}

void Event::WakeWaiters()
{
    // Every waiter is woken, also for an automatic-reset event: each then competes in
    // TryTake, and only one of them takes the signal. The futex calls come after the lock
    // is left, so that a woken waiter does not wake only to wait for it to unregister.
    std::array<Waiter::Sleeper, kMaxWokenAfterLock> sleepers{};
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex);
        for (Registration* entry = waiters; entry != nullptr; entry = entry->next) {
            if (const Waiter::Sleeper sleeper = entry->waiter->StartWake()) {
                if (count < sleepers.size())
                    sleepers[count++] = sleeper;
                else
                    Waiter::FinishWake(sleeper);
            }
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        Waiter::FinishWake(sleepers[i]);
}

void Event::Reset()
{
    signalled.store(false, std::memory_order_seq_cst);
}

bool Event::IsSet() const
{
    return signalled.load(std::memory_order_seq_cst);
}

void Event::Wait()
{
    Event* self = this;
    WaitAny({&self, 1});
}

bool Event::WaitFor(Clock::Duration limit)
{
    Event* self = this;
    return WaitAny({&self, 1}, limit).has_value();
}

std::optional<std::size_t> Event::WaitAny(std::span<Event* const> events,
                                          std::optional<Clock::Duration> limit)
{
    if (events.empty() || events.size() > kMaxWaitAny)
        return std::nullopt;

    // An event already set is taken without registering: the common case of a busy relay.
    for (std::size_t i = 0; i < events.size(); ++i)
        if (events[i]->TryTake())
            return i;

    Clock& clock = events.front()->clock;
    std::optional<Clock::TimePoint> deadline;
    if (limit)
        deadline = clock.Now() + *limit;

    // Registering before the first look means a Set that comes after the look still
    // wakes this thread.
    Waiter waiter;
    std::array<Registration, kMaxWaitAny> entries;
    for (std::size_t i = 0; i < events.size(); ++i) {
        entries[i].waiter = &waiter;
        events[i]->Register(entries[i]);
    }

    std::optional<std::size_t> taken;
    for (;;) {
        for (std::size_t i = 0; i < events.size() && !taken; ++i)
            if (events[i]->TryTake())
                taken = i;
        if (taken || (deadline && clock.Now() >= *deadline))
            break;
        clock.Sleep(waiter, deadline);
    }

    for (std::size_t i = 0; i < events.size(); ++i)
        events[i]->Unregister(entries[i]);
    return taken;
}

void Event::Register(Registration& entry)
{
    std::lock_guard lock(mutex);
    entry.prev = nullptr;
    entry.next = waiters;
    if (waiters != nullptr)
        waiters->prev = &entry;
    waiters = &entry;
    registered.fetch_add(1, std::memory_order_seq_cst);
}

void Event::Unregister(Registration& entry)
{
    std::lock_guard lock(mutex);
    if (entry.prev != nullptr)
        entry.prev->next = entry.next;
    else
        waiters = entry.next;
    if (entry.next != nullptr)
        entry.next->prev = entry.prev;
    registered.fetch_sub(1, std::memory_order_relaxed);
}

bool Event::TryTake()
{
    if (mode == ResetMode::Manual)
        return signalled.load(std::memory_order_seq_cst);
    bool set = true;
    return signalled.compare_exchange_strong(set, false, std::memory_order_seq_cst);
}

}  // namespace quorvex
