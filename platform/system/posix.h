#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The system's own records, filled by the wrappers that take them; only their callers need
// the system headers that define them.
struct sigaction;
struct stat;

namespace quorvex {

// One descriptor of a PollAll: what to wait for, and what was seen.
struct PollEntry {
    int fd = -1;
    short events = 0;
    short revents = 0;
};

// What stat() tells of a file system node, as far as the platform needs it: the file
// system it lives on and its inode, and for a device node the device it stands for.
struct NodeStatus {
    unsigned fileSystemMajor = 0;
    unsigned fileSystemMinor = 0;
    std::uint64_t inode = 0;
    bool characterDevice = false;
    unsigned deviceMajor = 0;  // of a device node
    unsigned deviceMinor = 0;
};

// The outcome of one system call: its value when it worked, the errno it left when not.
// A result dropped by mistake is an error dropped on the floor, so the compiler refuses it;
// a caller that has nothing to do on failure says so with a cast to void and a comment.
struct [[nodiscard]] SystemResult {
    long value = 0;
    int error = 0;

    bool Ok() const { return error == 0; }
};

// Every system call the platform makes, wrapped once: interrupted calls are retried here,
// so that no caller has to remember EINTR, and errno is taken at once into the result,
// before anything else can overwrite it. Any thread may call any of them; Open, Close, Read,
// Write, Flock, Ioctl and ExitNow are also safe in a signal handler and in a forked child.
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
    static SystemResult MakeFifo(const char* path, unsigned mode);
    static SystemResult Truncate(int fd, long length);
    // The target of a symbolic link, into `target`; the value is its length. ENAMETOOLONG
    // for a target longer than a path may be (PATH_MAX).
    static SystemResult ReadLink(const char* path, std::string& target);

    // Calls for `name` inside the open folder `folder`: nothing on the way to the folder can
    // change between two of them. A `name` of "" or "." is the folder itself.
    static SystemResult OpenAt(int folder, const char* name, int flags, unsigned mode = 0);
    static SystemResult MakeDirectoryAt(int folder, const char* name, unsigned mode);
    static SystemResult MakeFifoAt(int folder, const char* name, unsigned mode);
    static SystemResult RenameAt(int folder, const char* from, const char* to);
    // Removes a file; a link is removed itself.
    static SystemResult UnlinkAt(int folder, const char* name);
    static SystemResult ReadLinkAt(int folder, const char* name, std::string& target);
    // Makes `name` a symbolic link to `target`.
    static SystemResult SymbolicLinkAt(const char* target, int folder, const char* name);
    // With `followLink` false, a symbolic link at `name` is described itself.
    static SystemResult StatusAt(int folder, const char* name, struct stat& status,
                                 bool followLink);
    // The absolute path without links, "." or "..", of an existing node.
    static SystemResult RealPath(const char* path, std::string& resolved);
    [[nodiscard]] static unsigned EffectiveUser();
    [[nodiscard]] static unsigned EffectiveGroup();
    // The supplementary groups of this process, which the system checks access with.
    static SystemResult Groups(std::vector<unsigned>& groups);
    // Whether this process may reach the node `path` names (links followed) for `mode`, the
    // R_OK, W_OK and X_OK bits of access(), by its effective ids; nothing is opened.
    static SystemResult AccessEffective(const char* path, int mode);
    // Fills `buffer` with bytes from the kernel's random source.
    static SystemResult Random(void* buffer, std::size_t count);
    // Waits for any of `entries` as poll() does; the time-out is in milliseconds, -1 for
    // none, and is recomputed after an interruption.
    static SystemResult PollAll(std::span<PollEntry> entries, int timeoutMs);
    // The whole milliseconds from now until `deadline`, rounded up, 0 once it has passed:
    // the time-out to give a poll that must end by then.
    [[nodiscard]] static int MillisecondsLeft(std::chrono::steady_clock::time_point deadline);
    // The status of the node `path` names, links followed. Attributes the system holds
    // are taken as they are, so that a file on a network or user-space file system that
    // no longer answers cannot hold the caller up.
    static SystemResult StatNode(const char* path, NodeStatus& status);
    // The same for `name` in the open folder `folder`.
    static SystemResult StatNodeAt(int folder, const char* name, NodeStatus& status);
    // Reads the next entries of the open folder `folder` into `buffer`, in the system's
    // dirent64 records (getdents64); the value is the count of bytes, 0 at the end.
    static SystemResult ReadFolder(int folder, void* buffer, std::size_t size);
    // True when a process with this id exists, whoever owns it.
    [[nodiscard]] static bool ProcessExists(int pid);

    // Connects a stream socket to a local socket: the file `path`, or with `abstract` the
    // name `path` in the abstract namespace. The value is the connected descriptor.
    static SystemResult ConnectLocal(const std::string& path, bool abstract);
    // Connects a TCP socket to `port` of `host` (a name or a numeric address), trying each
    // address the name has until one answers, each within `timeoutMs`.
    static SystemResult ConnectTcp(const std::string& host, int port, int timeoutMs);
    // The foreground process group of the terminal `fd`, when it is this process's
    // controlling terminal; and this process's own group.
    static SystemResult ForegroundGroup(int fd);
    [[nodiscard]] static int ProcessGroup();

    // Waits for `fd` (and `wakeFd`, when not -1) to become ready for `events`; the time-out
    // is in milliseconds, -1 for none. Sets the revents it saw and returns the count of
    // ready descriptors (0 on time-out). The time-out is recomputed after an interruption.
    static SystemResult Poll(int fd, short events, int wakeFd, int timeoutMs, short& fdRevents,
                             short& wakeRevents);

    // Files and folders by descriptor or path.
    static SystemResult ChangeMode(int fd, unsigned mode);
    // Waits until the file's data and its size are on the disk.
    static SystemResult Sync(int fd);
    static SystemResult Status(int fd, struct stat& status);
    static SystemResult Status(const char* path, struct stat& status);
    static SystemResult Link(const char* from, const char* to);
    // A descriptor's flags, as fcntl() gets and sets them; `argument` only for a set.
    static SystemResult Control(int fd, int command, long argument = 0);
    [[nodiscard]] static bool IsTerminal(int fd);
    // The path of the terminal `fd` is open on, such as /dev/pts/3.
    static SystemResult TerminalName(int fd, std::string& name);

    // Pipes, sockets and signals.
    static SystemResult Pipe(int (&ends)[2], int flags);
    static SystemResult SocketPair(int (&ends)[2]);
    // Sends on a socket without raising SIGPIPE: a peer that is gone gives EPIPE instead.
    static SystemResult Send(int fd, const void* buffer, std::size_t count);
    static SystemResult SignalAction(int signal, const struct sigaction* action,
                                     struct sigaction* previous);
    // Holds `signals` back from the calling thread (and the threads it starts afterwards),
    // or lets them through again.
    static SystemResult BlockSignals(std::span<const int> signals, bool block);
    // Takes one of `signals`, which must be held back, waiting up to `limit` for it: the
    // value is the signal's number; EAGAIN when none came in time.
    static SystemResult TakeSignal(std::span<const int> signals, std::chrono::nanoseconds limit);

    // Processes.
    [[nodiscard]] static int ProcessId();
    // The processor time the calling thread has used so far.
    [[nodiscard]] static std::chrono::nanoseconds ThreadCpuTime();
    static SystemResult SendSignal(int pid, int signal);
    // Lets this process hold at least `count` descriptors, raising the hard limit too where
    // it is allowed to (CAP_SYS_RESOURCE); the value is the limit now in force.
    static SystemResult RaiseDescriptorLimit(std::size_t count);
    // The value is the child's id in the parent and 0 in the child.
    static SystemResult Fork();
    // Ends this process at once, without running exit handlers: what a forked child does.
    [[noreturn]] static void ExitNow(int status);
    // Waits for the child to end; `status` is what waitpid() reports of it.
    static SystemResult WaitChild(int pid, int& status);

    // Sleeps while `word` holds `expected`, until FutexWake on it or, when `deadline` is
    // given, until the monotonic clock reaches it (ETIMEDOUT). Fails at once with EAGAIN
    // when the word holds something else; may also return early for no reason, so callers
    // look at the word again. Only threads of this process share the word.
    static SystemResult FutexWait(const std::atomic<std::uint32_t>& word, std::uint32_t expected,
                                  const std::chrono::steady_clock::time_point* deadline);
    // Wakes up to `count` threads sleeping in FutexWait on `word`.
    static SystemResult FutexWake(const std::atomic<std::uint32_t>& word, int count);
};

}  // namespace quorvex
