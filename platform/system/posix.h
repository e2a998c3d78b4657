#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvex {

// One descriptor of a PollAll: what to wait for, and what was seen.
struct PollEntry {
    int fd = -1;
    short events = 0;
    short revents = 0;
};

// The outcome of one system call: its value when it worked, the errno it left when not.
struct SystemResult {
    long value = 0;
    int error = 0;

    bool Ok() const { return error == 0; }
};

// Every system call the serial layer makes, wrapped once: interrupted calls are retried
// here, so that no caller has to remember EINTR, and errno is taken at once into the
// result, before anything else can overwrite it.
class Posix {
public:
    static SystemResult Open(const char* path, int flags, unsigned mode = 0);
    static SystemResult Close(int fd);
    static SystemResult Read(int fd, void* buffer, std::size_t count);
    static SystemResult Write(int fd, const void* buffer, std::size_t count);
    static SystemResult Ioctl(int fd, unsigned long request, void* argument);
    static SystemResult Flock(int fd, int operation);
    static SystemResult EventFd();
    static SystemResult SignalEventFd(int fd);
    static SystemResult DrainEventFd(int fd);
    static SystemResult MakeDirectory(const char* path, unsigned mode);
    static SystemResult MakeFifo(const char* path, unsigned mode);
    static SystemResult Rename(const char* from, const char* to);
    static SystemResult Unlink(const char* path);
    static SystemResult Truncate(int fd, long length);
    // The target of a symbolic link, into `buffer`; the value is its length.
    static SystemResult ReadLink(const char* path, char* buffer, std::size_t size);
    // Whether an open descriptor is a regular file: the value is 1 when it is, 0 when not.
    static SystemResult IsRegularFile(int fd);
    // Waits for any of `entries` as poll() does; the time-out is in milliseconds, -1 for
    // none, and is recomputed after an interruption.
    static SystemResult PollAll(std::span<PollEntry> entries, int timeoutMs);
    // The whole milliseconds from now until `deadline`, rounded up, 0 once it has passed:
    // the time-out to give a poll that must end by then.
    static int MillisecondsLeft(std::chrono::steady_clock::time_point deadline);
    // True when a process with this id exists, whoever owns it.
    static bool ProcessExists(int pid);

    // Waits for `fd` (and `wakeFd`, when not -1) to become ready for `events`; the time-out
    // is in milliseconds, -1 for none. Sets the revents it saw and returns the count of
    // ready descriptors (0 on time-out). The time-out is recomputed after an interruption.
    static SystemResult Poll(int fd, short events, int wakeFd, int timeoutMs, short& fdRevents,
                             short& wakeRevents);
};

}  // namespace quorvex
