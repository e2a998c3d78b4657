#include "platform/threads/poller.h"

#include <poll.h>

#include <algorithm>
#include <array>

#include "platform/system/posix.h"
#include "platform/threads/blocking_wait.h"

namespace quorvex {
namespace {

constexpr std::size_t kMaxDescriptors = 15;

}  // namespace

Poller::Poller()
{
    const SystemResult created = Posix::EventFd();
    wakeDescriptor = created.Ok() ? static_cast<int>(created.value) : -1;
}

Poller::~Poller()
{
    if (wakeDescriptor >= 0)
        (void)Posix::Close(wakeDescriptor);  // an eventfd holds nothing to lose
}

void Poller::Wake()
{
    // A full counter (EAGAIN) already means a pending wake-up, so the result is not needed.
    (void)Posix::SignalEventFd(wakeDescriptor);
}

std::size_t Poller::Wait(std::span<const int> descriptors, std::span<bool> ready,
                         std::optional<std::chrono::milliseconds> timeout, BlockingWait* blocking)
{
    std::array<PollEntry, kMaxDescriptors + 1> entries{};
    const std::size_t count =
        std::min<std::size_t>({descriptors.size(), ready.size(), kMaxDescriptors});
    entries[0] = {wakeDescriptor, POLLIN, 0};
    for (std::size_t i = 0; i < count; ++i)
        entries[i + 1] = {descriptors[i], POLLIN, 0};
    const int limit = timeout ? static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
                                    timeout->count(), 0, 1 << 30))
                              : -1;
    int waitMs = limit;
    if (blocking) {
        std::array<int, kMaxDescriptors + 1> watched{};
        for (std::size_t i = 0; i < count + 1; ++i)
            watched[i] = entries[i].fd;
        blocking->Block({watched.data(), count + 1}, timeout);
        waitMs = 0;
    }
    const SystemResult result = Posix::PollAll({entries.data(), count + 1}, waitMs);
    std::fill(ready.begin(), ready.end(), false);
    if (!result.Ok() || result.value == 0)
        return 0;
    if (entries[0].revents != 0) {
        // An empty counter (EAGAIN) means another Wait took the wake-up already.
        (void)Posix::DrainEventFd(wakeDescriptor);
    }
    std::size_t marked = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (entries[i + 1].revents != 0) {
            ready[i] = true;
            ++marked;
        }
    }
    return marked;
}

}  // namespace quorvex
