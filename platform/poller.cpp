#include "platform/poller.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

namespace quorvex {
namespace {

constexpr std::size_t kMaxDescriptors = 15;

}  // namespace

Poller::Poller() : wakeDescriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Poller::~Poller()
{
    if (wakeDescriptor >= 0)
        ::close(wakeDescriptor);
}

void Poller::Wake()
{
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) already means a pending wake-up, so the result is not needed.
    while (::write(wakeDescriptor, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

std::size_t Poller::Wait(std::span<const int> descriptors, std::span<bool> ready,
                         std::optional<std::chrono::milliseconds> timeout)
{
    std::array<pollfd, kMaxDescriptors + 1> fds{};
    const std::size_t count = std::min<std::size_t>({descriptors.size(), ready.size(), kMaxDescriptors});
    fds[0] = {wakeDescriptor, POLLIN, 0};
    for (std::size_t i = 0; i < count; ++i)
        fds[i + 1] = {descriptors[i], POLLIN, 0};
    const int limit = timeout ? static_cast<int>(std::min<std::chrono::milliseconds::rep>(
                                    std::max<std::chrono::milliseconds::rep>(timeout->count(), 0), 1 << 30))
                              : -1;
    int result;
    do {
        result = ::poll(fds.data(), count + 1, limit);
    } while (result < 0 && errno == EINTR);
    for (std::size_t i = 0; i < ready.size(); ++i)
        ready[i] = false;
    if (result <= 0)
        return 0;
    if (fds[0].revents != 0) {
        std::uint64_t value;
        // Draining the counter; an empty one (EAGAIN) means another Wait took it already.
        while (::read(wakeDescriptor, &value, sizeof value) < 0 && errno == EINTR) {
        }
    }
    std::size_t marked = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (fds[i + 1].revents != 0) {
            ready[i] = true;
            ++marked;
        }
    }
    return marked;
}

}  // namespace quorvex
