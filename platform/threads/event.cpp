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
    std::lock_guard lock(mutex);
    signalled = true;
    // Every waiter is woken, also for an automatic-reset event: each then competes in
    // TryTake, and only one of them takes the signal.
    for (Registration* entry = waiters; entry != nullptr; entry = entry->next)
        entry->waiter->Wake();
}

void Event::Reset()
{
    std::lock_guard lock(mutex);
    signalled = false;
}

bool Event::IsSet() const
{
    std::lock_guard lock(mutex);
    return signalled;
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
}

bool Event::TryTake()
{
    std::lock_guard lock(mutex);
    if (!signalled)
        return false;
    if (mode == ResetMode::Automatic)
        signalled = false;
    return true;
}

}  // namespace quorvex
