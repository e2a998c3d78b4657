#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/serial/comm_timeouts.h"
#include "platform/serial/dcb.h"

namespace quorvex {

// Device events a wait can report.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;  // characters arrived
inline constexpr std::uint32_t EV_ERR = 0x0080;     // a line error was seen

// One serial device, opened exclusively by its device name.
//
// Threads: Open and Close belong to one owning thread at a time, and Close only after every
// other thread has stopped using the device. Between them one thread may wait for events
// and read while another writes and sets the event mask; each of those calls is safe
// against the others, but waits and reads belong to that one thread.
//
// Hang-up (a USB adapter pulled out, the far side of a pseudo-terminal closed) never makes
// a caller spin: from then on an event wait blocks until the mask is set again, and reads
// and writes fail at once.
class SerialDevice {
public:
    SerialDevice();
    virtual ~SerialDevice();  // closes the device
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // The device node a name stands for: "COMn:" (any case, colon optional) is the prefix's
    // devices/comn link when it exists, else /dev/ttyS<n-1>; a name that starts with '/' is
    // a path. Nothing for any other name.
    static std::optional<std::filesystem::path> Resolve(std::wstring_view name);

    // Opens the device for reading and writing, refusing it while anyone else holds it:
    // another open here, or another process by flock, TIOCEXCL or a UUCP lock file (a
    // regular file naming a live process; anything else under that name is ignored). Holds
    // flock and TIOCEXCL itself until Close. False, with nothing left open, on failure, and
    // false, changing nothing, while this object is open.
    bool Open(std::wstring_view name);
    bool IsOpen() const { return fd >= 0; }
    void Close();

    // The read and write time-outs; only the constants are used.
    bool SetTimeouts(const CommTimeouts& timeouts);
    // Makes the line raw with the record's rate, size, parity and stop bits and drops DTR
    // and RTS. False when the device refused the settings or a field of them; the line is
    // raw with DTR and RTS dropped all the same, and a refused field keeps its old value.
    bool SetState(const Dcb& settings);

    // Sets which events a wait reports, and ends a wait that is pending, or else the next
    // one, with no events: a wake-up that comes before the wait is never lost.
    bool SetMask(std::uint32_t mask);
    // Blocks, without polling, until a masked event happens or the mask is set. `events`
    // holds what happened (possibly nothing). Characters waiting end the wait only when the
    // mask asks for EV_RXCHAR. False when the device is not open or the wait failed.
    bool WaitEvent(std::uint32_t& events);

    // Reads what has arrived, up to `count` bytes. When nothing is there yet, waits up to the
    // read time-out for the first bytes. A read that times out succeeds with 0 bytes. One
    // thread reads at a time.
    bool Read(void* buffer, std::uint32_t count, std::uint32_t& read);
    // Writes up to `count` bytes, giving up after the write time-out; `written` says how
    // many went out.
    bool Write(const void* buffer, std::uint32_t count, std::uint32_t& written);
    // Forgets the line errors seen so far, so that the next wait reports only new ones.
    bool ClearError();

    bool IsHungUp() const { return hungUp.load(std::memory_order_relaxed); }

private:
    enum class Readiness { Ready, TimedOut, Failed };
    // Waits for the device to become ready for `events` until the deadline; a hang-up fails.
    Readiness WaitUntilReady(short events, std::chrono::steady_clock::time_point deadline);
    static bool HeldByLockFile(const std::filesystem::path& node);
    // True when the device has counted line errors since the last ClearError.
    bool HasUnclearedLineErrors();
    // What the next event poll watches the device for, given the mask.
    short CharacterInterest(std::uint32_t wanted);

    int fd = -1;
    int wakeFd = -1;  // an eventfd: SetMask signals it, WaitEvent drains it
    bool exclusive = false;
    bool countsErrors = false;  // pseudo-terminals and some adapters count no line errors
    std::atomic<std::uint32_t> mask{0};
    std::atomic<std::uint32_t> readTimeoutMs{0};
    std::atomic<std::uint32_t> writeTimeoutMs{0};
    std::atomic<bool> hungUp{false};
    // The last read found fewer bytes than it asked for, and no wait has seen more since.
    // Belongs to the thread that waits and reads.
    bool drained = false;
    std::atomic<std::uint64_t> errorsSeen{0};
};

}  // namespace quorvex
