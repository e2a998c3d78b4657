#include "platform/system/posix.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system/system_call.h"

namespace quorvex {
namespace {

template <class Call>
SystemResult Retry(Call call)
{
    const long value = RetryInterrupted(call);
    if (value >= 0)
        return {value, 0};
    return {value, errno};
}

}  // namespace

SystemResult Posix::Open(const char* path, int flags, unsigned mode)
{
    return Retry([&] { return ::open(path, flags, static_cast<mode_t>(mode)); });
}

SystemResult Posix::MakeDirectory(const char* path, unsigned mode)
{
    return Retry([&] { return static_cast<long>(::mkdir(path, static_cast<mode_t>(mode))); });
}

SystemResult Posix::MakeFifo(const char* path, unsigned mode)
{
    return Retry([&] { return static_cast<long>(::mkfifo(path, static_cast<mode_t>(mode))); });
}

SystemResult Posix::Rename(const char* from, const char* to)
{
    return Retry([&] { return static_cast<long>(::rename(from, to)); });
}

SystemResult Posix::Unlink(const char* path)
{
    return Retry([&] { return static_cast<long>(::unlink(path)); });
}

SystemResult Posix::Truncate(int fd, long length)
{
    return Retry([&] { return static_cast<long>(::ftruncate(fd, static_cast<off_t>(length))); });
}

SystemResult Posix::ReadLink(const char* path, char* buffer, std::size_t size)
{
    return Retry([&] { return static_cast<long>(::readlink(path, buffer, size)); });
}

SystemResult Posix::IsRegularFile(int fd)
{
    struct stat status {};
    const SystemResult result = Retry([&] { return static_cast<long>(::fstat(fd, &status)); });
    if (!result.Ok())
        return result;
    return {S_ISREG(status.st_mode) ? 1 : 0, 0};
}

SystemResult Posix::PollAll(std::span<PollEntry> entries, int timeoutMs)
{
    // pollfd and PollEntry are laid out alike, but copying keeps that out of the contract.
    constexpr std::size_t kMost = 16;
    if (entries.size() > kMost)
        return {-1, EINVAL};
    pollfd fds[kMost];
    for (std::size_t i = 0; i < entries.size(); ++i)
        fds[i] = {entries[i].fd, entries[i].events, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = ::poll(fds, entries.size(), timeoutMs);
        if (ready >= 0) {
            for (std::size_t i = 0; i < entries.size(); ++i)
                entries[i].revents = fds[i].revents;
            return {ready, 0};
        }
        if (errno != EINTR)
            return {-1, errno};
        if (timeoutMs >= 0)
            timeoutMs = MillisecondsLeft(deadline);
    }
}

SystemResult Posix::Close(int fd)
{
    // close() must not be retried on Linux: the descriptor is gone even when it reports
    // EINTR, and a retry could close a descriptor another thread has just been given.
    if (::close(fd) == 0 || errno == EINTR)
        return {};
    return {-1, errno};
}

SystemResult Posix::Read(int fd, void* buffer, std::size_t count)
{
    return Retry([&] { return static_cast<long>(::read(fd, buffer, count)); });
}

SystemResult Posix::Write(int fd, const void* buffer, std::size_t count)
{
    return Retry([&] { return static_cast<long>(::write(fd, buffer, count)); });
}

SystemResult Posix::Ioctl(int fd, unsigned long request, void* argument)
{
    return Retry([&] { return static_cast<long>(::ioctl(fd, request, argument)); });
}

SystemResult Posix::Flock(int fd, int operation)
{
    return Retry([&] { return static_cast<long>(::flock(fd, operation)); });
}

SystemResult Posix::EventFd()
{
    return Retry([] { return static_cast<long>(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); });
}

SystemResult Posix::SignalEventFd(int fd)
{
    const std::uint64_t one = 1;
    return Write(fd, &one, sizeof one);
}

SystemResult Posix::DrainEventFd(int fd)
{
    std::uint64_t count = 0;
    return Read(fd, &count, sizeof count);
}

int Posix::MillisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool Posix::ProcessExists(int pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

SystemResult Posix::Poll(int fd, short events, int wakeFd, int timeoutMs, short& fdRevents,
                         short& wakeRevents)
{
    PollEntry entries[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const SystemResult ready = PollAll({entries, wakeFd >= 0 ? 2u : 1u}, timeoutMs);
    fdRevents = entries[0].revents;
    wakeRevents = entries[1].revents;
    return ready;
}

}  // namespace quorvex
