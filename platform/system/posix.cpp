#include "platform/system/posix.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/futex.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
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

SystemResult Posix::MakeFifo(const char* path, unsigned mode)
{
    return Retry([&] { return static_cast<long>(::mkfifo(path, static_cast<mode_t>(mode))); });
}

SystemResult Posix::Truncate(int fd, long length)
{
    return Retry([&] { return static_cast<long>(::ftruncate(fd, static_cast<off_t>(length))); });
}

SystemResult Posix::ReadLink(const char* path, std::string& target)
{
    return ReadLinkAt(AT_FDCWD, path, target);
}

SystemResult Posix::OpenAt(int folder, const char* name, int flags, unsigned mode)
{
    return Retry([&] { return ::openat(folder, name, flags, static_cast<mode_t>(mode)); });
}

SystemResult Posix::MakeDirectoryAt(int folder, const char* name, unsigned mode)
{
    return Retry(
        [&] { return static_cast<long>(::mkdirat(folder, name, static_cast<mode_t>(mode))); });
}

SystemResult Posix::MakeFifoAt(int folder, const char* name, unsigned mode)
{
    return Retry(
        [&] { return static_cast<long>(::mkfifoat(folder, name, static_cast<mode_t>(mode))); });
}

SystemResult Posix::RenameAt(int folder, const char* from, const char* to)
{
    return Retry([&] { return static_cast<long>(::renameat(folder, from, folder, to)); });
}

SystemResult Posix::UnlinkAt(int folder, const char* name)
{
    return Retry([&] { return static_cast<long>(::unlinkat(folder, name, 0)); });
}

SystemResult Posix::ReadLinkAt(int folder, const char* name, std::string& target)
{
    char buffer[4096];  // PATH_MAX: a longer target cannot be used as a path anyway
    const SystemResult read =
        Retry([&] { return static_cast<long>(::readlinkat(folder, name, buffer, sizeof buffer)); });
    if (!read.Ok())
        return read;
    // readlink() cuts a target that does not fit without saying so.
    if (static_cast<std::size_t>(read.value) >= sizeof buffer)
        return {-1, ENAMETOOLONG};
    target.assign(buffer, static_cast<std::size_t>(read.value));
    return read;
}

SystemResult Posix::SymbolicLinkAt(const char* target, int folder, const char* name)
{
    return Retry([&] { return static_cast<long>(::symlinkat(target, folder, name)); });
}

SystemResult Posix::StatusAt(int folder, const char* name, struct stat& status, bool followLink)
{
    const int flags = AT_EMPTY_PATH | (followLink ? 0 : AT_SYMLINK_NOFOLLOW);
    return Retry([&] { return static_cast<long>(::fstatat(folder, name, &status, flags)); });
}

SystemResult Posix::RealPath(const char* path, std::string& resolved)
{
    char* found = ::realpath(path, nullptr);
    if (found == nullptr)
        return {-1, errno};
    resolved = found;
    std::free(found);
    return {};
}

unsigned Posix::EffectiveUser()
{
    return static_cast<unsigned>(::geteuid());
}

unsigned Posix::EffectiveGroup()
{
    return static_cast<unsigned>(::getegid());
}

SystemResult Posix::Groups(std::vector<unsigned>& groups)
{
    groups.clear();
    const SystemResult count = Retry([] { return static_cast<long>(::getgroups(0, nullptr)); });
    if (!count.Ok())
        return count;
    std::vector<gid_t> ids(static_cast<std::size_t>(count.value));
    const SystemResult got = Retry(
        [&] { return static_cast<long>(::getgroups(static_cast<int>(ids.size()), ids.data())); });
    if (got.Ok())
        groups.assign(ids.begin(), ids.begin() + got.value);
    return got;
}

SystemResult Posix::AccessEffective(const char* path, int mode)
{
    return Retry([&] { return static_cast<long>(::faccessat(AT_FDCWD, path, mode, AT_EACCESS)); });
}

SystemResult Posix::Random(void* buffer, std::size_t count)
{
    return Retry([&] { return static_cast<long>(::getrandom(buffer, count, 0)); });
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

SystemResult Posix::StatNode(const char* path, NodeStatus& status)
{
    return StatNodeAt(AT_FDCWD, path, status);
}

SystemResult Posix::StatNodeAt(int folder, const char* name, NodeStatus& status)
{
    struct statx node {};
    const SystemResult result = Retry(
        [&] { return ::statx(folder, name, AT_STATX_DONT_SYNC, STATX_TYPE | STATX_INO, &node); });
    if (result.Ok()) {
        status.fileSystemMajor = node.stx_dev_major;
        status.fileSystemMinor = node.stx_dev_minor;
        status.inode = node.stx_ino;
        status.characterDevice = S_ISCHR(node.stx_mode);
        status.deviceMajor = node.stx_rdev_major;
        status.deviceMinor = node.stx_rdev_minor;
    }
    return result;
}

SystemResult Posix::ReadFolder(int folder, void* buffer, std::size_t size)
{
    return Retry([&] { return static_cast<long>(::getdents64(folder, buffer, size)); });
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

namespace {

// Connects the non-blocking socket `fd` to `address`, waiting up to `timeoutMs` for a
// connection under way; the socket is closed unless it connected.
SystemResult ConnectWithin(int fd, const sockaddr* address, socklen_t length, int timeoutMs)
{
    // An interrupted connect goes on by itself: it is waited for like one under way.
    int result = ::connect(fd, address, length);
    int error = result == 0 ? 0 : errno;
    if (error == EINPROGRESS || error == EINTR) {
        PollEntry entry{fd, POLLOUT, 0};
        const SystemResult ready = Posix::PollAll({&entry, 1}, timeoutMs);
        socklen_t size = sizeof error;
        if (!ready.Ok())
            error = ready.error;
        else if (ready.value == 0)
            error = ETIMEDOUT;
        else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
    }
    if (error != 0) {
        (void)::close(fd);  // never connected: nothing to flush
        return {-1, error};
    }
    return {fd, 0};
}

}  // namespace

SystemResult Posix::ConnectLocal(const std::string& path, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof address.sun_path)
        return {-1, ENAMETOOLONG};
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {-1, errno};
    // An abstract name is as long as it is, without a terminating zero.
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                               path.size() + (abstract ? 0 : 1));
    return ConnectWithin(fd, reinterpret_cast<const sockaddr*>(&address), length, 0);
}

SystemResult Posix::ConnectTcp(const std::string& host, int port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        return {-1, EHOSTUNREACH};
    SystemResult result{-1, ECONNREFUSED};
    for (const addrinfo* each = found; each; each = each->ai_next) {
        const int fd = ::socket(each->ai_family, each->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                                each->ai_protocol);
        if (fd < 0) {
            result = {-1, errno};
            continue;
        }
        result = ConnectWithin(fd, each->ai_addr, each->ai_addrlen, timeoutMs);
        if (result.Ok())
            break;
    }
    ::freeaddrinfo(found);
    return result;
}

SystemResult Posix::ForegroundGroup(int fd)
{
    return Retry([&] { return static_cast<long>(::tcgetpgrp(fd)); });
}

int Posix::ProcessGroup()
{
    return static_cast<int>(::getpgrp());
}

SystemResult Posix::ChangeMode(int fd, unsigned mode)
{
    return Retry([&] { return static_cast<long>(::fchmod(fd, static_cast<mode_t>(mode))); });
}

SystemResult Posix::Sync(int fd)
{
    return Retry([&] { return static_cast<long>(::fsync(fd)); });
}

SystemResult Posix::Status(int fd, struct stat& status)
{
    return Retry([&] { return static_cast<long>(::fstat(fd, &status)); });
}

SystemResult Posix::Status(const char* path, struct stat& status)
{
    return Retry([&] { return static_cast<long>(::stat(path, &status)); });
}

SystemResult Posix::Link(const char* from, const char* to)
{
    return Retry([&] { return static_cast<long>(::link(from, to)); });
}

SystemResult Posix::Control(int fd, int command, long argument)
{
    return Retry([&] { return static_cast<long>(::fcntl(fd, command, argument)); });
}

bool Posix::IsTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

SystemResult Posix::TerminalName(int fd, std::string& name)
{
    char path[256];
    // ttyname_r returns the error itself instead of setting errno.
    const int error = ::ttyname_r(fd, path, sizeof path);
    if (error != 0)
        return {-1, error};
    name = path;
    return {0, 0};
}

SystemResult Posix::Pipe(int (&ends)[2], int flags)
{
    return Retry([&] { return static_cast<long>(::pipe2(ends, flags)); });
}

SystemResult Posix::SocketPair(int (&ends)[2])
{
    return Retry([&] {
        return static_cast<long>(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends));
    });
}

SystemResult Posix::Send(int fd, const void* buffer, std::size_t count)
{
    return Retry([&] { return static_cast<long>(::send(fd, buffer, count, MSG_NOSIGNAL)); });
}

SystemResult Posix::SignalAction(int signal, const struct sigaction* action,
                                 struct sigaction* previous)
{
    return Retry([&] { return static_cast<long>(::sigaction(signal, action, previous)); });
}

int Posix::ProcessId()
{
    return static_cast<int>(::getpid());
}

std::chrono::nanoseconds Posix::ThreadCpuTime()
{
    timespec now{};
    (void)::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);  // cannot fail for this clock
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

SystemResult Posix::SendSignal(int pid, int signal)
{
    return Retry([&] { return static_cast<long>(::kill(static_cast<pid_t>(pid), signal)); });
}

SystemResult Posix::RaiseDescriptorLimit(std::size_t count)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return {-1, errno};
    const auto wanted = static_cast<rlim_t>(count);
    if (limit.rlim_cur >= wanted)
        return {static_cast<long>(limit.rlim_cur), 0};
    rlimit raised{wanted, std::max(wanted, limit.rlim_max)};
    if (::setrlimit(RLIMIT_NOFILE, &raised) != 0) {
        // Without the right to raise the hard limit, go as far as it allows.
        raised = {limit.rlim_max, limit.rlim_max};
        if (::setrlimit(RLIMIT_NOFILE, &raised) != 0)
            return {-1, errno};
    }
    return {static_cast<long>(raised.rlim_cur), 0};
}

SystemResult Posix::Fork()
{
    return Retry([] { return static_cast<long>(::fork()); });
}

void Posix::ExitNow(int status)
{
    ::_exit(status);
}

SystemResult Posix::WaitChild(int pid, int& status)
{
    return Retry([&] { return static_cast<long>(::waitpid(static_cast<pid_t>(pid), &status, 0)); });
}

namespace {

sigset_t SignalSet(std::span<const int> signals)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : signals)
        sigaddset(&set, signal);
    return set;
}

}  // namespace

SystemResult Posix::BlockSignals(std::span<const int> signals, bool block)
{
    const sigset_t set = SignalSet(signals);
    // pthread_sigmask reports its error as its result and leaves errno alone.
    const int error = ::pthread_sigmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
    return {error == 0 ? 0 : -1, error};
}

SystemResult Posix::TakeSignal(std::span<const int> signals, std::chrono::nanoseconds limit)
{
    const sigset_t set = SignalSet(signals);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::max(std::chrono::nanoseconds(0), deadline - std::chrono::steady_clock::now());
        const auto seconds = std::chrono::floor<std::chrono::seconds>(left);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>((left - seconds).count())};
        const int taken = ::sigtimedwait(&set, nullptr, &wait);
        if (taken > 0)
            return {taken, 0};
        if (errno != EINTR)
            return {-1, errno};
    }
}

namespace {

// The futex system call works on the plain 32-bit word the atomic holds.
std::uint32_t* FutexWord(const std::atomic<std::uint32_t>& word)
{
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free);
    return reinterpret_cast<std::uint32_t*>(const_cast<std::atomic<std::uint32_t>*>(&word));
}

}  // namespace

SystemResult Posix::FutexWait(const std::atomic<std::uint32_t>& word, std::uint32_t expected,
                              const std::chrono::steady_clock::time_point* deadline)
{
    // FUTEX_WAIT_BITSET takes an absolute time on the monotonic clock, the steady clock's own,
    // so a retry after an interruption keeps the same deadline.
    timespec until{};
    if (deadline != nullptr) {
        const auto since =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline->time_since_epoch())
                .count();
        until.tv_sec = since > 0 ? static_cast<time_t>(since / 1'000'000'000) : 0;
        until.tv_nsec = since > 0 ? static_cast<long>(since % 1'000'000'000) : 0;
    }
    return Retry([&] {
        return ::syscall(SYS_futex, FutexWord(word), FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG,
                         expected, deadline != nullptr ? &until : nullptr, nullptr,
                         FUTEX_BITSET_MATCH_ANY);
    });
}

SystemResult Posix::FutexWake(const std::atomic<std::uint32_t>& word, int count)
{
    return Retry([&] {
        return ::syscall(SYS_futex, FutexWord(word), FUTEX_WAKE | FUTEX_PRIVATE_FLAG, count,
                         nullptr, nullptr, 0);
    });
}

}  // namespace quorvex
