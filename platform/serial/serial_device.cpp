#include "platform/serial/serial_device.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/serial/serial_device_test_helper.h"
#include "platform/serial/serial_line.h"
#include "platform/system/port_name.h"
#include "platform/system/posix.h"
#include "platform/system/prefix.h"
#include "platform/system/utf8.h"
#include "platform/system/uucp_lock.h"

namespace quorvex {
namespace {

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

using SteadyClock = std::chrono::steady_clock;

// What tests put in place of the defaults (serial_device_test_helper.h), kept in one object
// that exists from its first use rather than in file-level variables.
struct TestSeams {
    std::mutex mutex;
    SerialDeviceTestHelper::OpenObserver openObserver;
    std::filesystem::path lockFolder;
    std::function<bool()> pollObserver;
    std::atomic<bool> pollObserved{false};  // spares every event wait the mutex
};

TestSeams& Seams()
{
    static TestSeams seams;
    return seams;
}

void NotifyOpenObserver(const std::filesystem::path& node)
{
    SerialDeviceTestHelper::OpenObserver observer;
    {
        std::lock_guard lock(Seams().mutex);
        observer = Seams().openObserver;
    }
    if (observer)
        observer(node);
}

// False when a test makes the coming poll fail.
bool NotifyPollObserver()
{
    if (!Seams().pollObserved.load(std::memory_order_relaxed))
        return true;
    std::function<bool()> observer;
    {
        std::lock_guard lock(Seams().mutex);
        observer = Seams().pollObserver;
    }
    return !observer || observer();
}

std::filesystem::path LockFolder()
{
    std::lock_guard lock(Seams().mutex);
    return Seams().lockFolder.empty() ? std::filesystem::path("/var/lock") : Seams().lockFolder;
}

}  // namespace

void SerialDeviceTestHelper::SetOpenObserver(OpenObserver observer)
{
    std::lock_guard lock(Seams().mutex);
    Seams().openObserver = std::move(observer);
}

void SerialDeviceTestHelper::SetLockFolder(std::filesystem::path folder)
{
    std::lock_guard lock(Seams().mutex);
    Seams().lockFolder = std::move(folder);
}

void SerialDeviceTestHelper::SetEventPollObserver(std::function<bool()> observer)
{
    std::lock_guard lock(Seams().mutex);
    Seams().pollObserved.store(static_cast<bool>(observer), std::memory_order_relaxed);
    Seams().pollObserver = std::move(observer);
}

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice()
{
    Close();
}

std::optional<std::filesystem::path> SerialDevice::Resolve(std::wstring_view name)
{
    return PortName::Resolve(name, name.starts_with(L'/') ? std::nullopt : Prefix::Locate());
}

bool SerialDevice::Open(std::wstring_view name)
{
    // Reopening would close the descriptor and the wake-up under a thread that waits on them.
    if (fd >= 0)
        return false;
    const std::optional<std::filesystem::path> node = Resolve(name);
    if (!node)
        return false;
    NotifyOpenObserver(*node);
    const SystemResult opened =
        Posix::Open(node->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (!opened.Ok())
        return false;
    fd = static_cast<int>(opened.value);

    // flock is what stops a second opener who is root, and another open in this process;
    // TIOCEXCL already stopped everyone else at open(), so seeing it set means root got
    // past a holder that relies on it. A non-terminal fails TIOCGEXCL and is refused too.
    int heldExclusively = 0;
    const SystemResult wake = Posix::EventFd();
    if (!wake.Ok() || !Posix::Flock(fd, LOCK_EX | LOCK_NB).Ok() ||
        !Posix::Ioctl(fd, TIOCGEXCL, &heldExclusively).Ok() || heldExclusively != 0 ||
        HeldByLockFile(*node) || !Posix::Ioctl(fd, TIOCEXCL, nullptr).Ok()) {
        if (wake.Ok())
            (void)Posix::Close(static_cast<int>(wake.value));  // nothing to report on a failed open
        (void)Posix::Close(fd);
        fd = -1;
        return false;
    }
    wakeFd = static_cast<int>(wake.value);
    exclusive = true;
    hungUp.store(false, std::memory_order_relaxed);
    mask.store(0, std::memory_order_relaxed);
    std::uint64_t count = 0;
    countsErrors = SerialLine::ErrorCount(fd, count);
    errorsSeen.store(count, std::memory_order_relaxed);
    return true;
}

void SerialDevice::Close()
{
    if (fd < 0)
        return;
    // Release TIOCEXCL explicitly: the flag belongs to the terminal, not to this descriptor,
    // and would otherwise outlive the close while another descriptor keeps the terminal
    // open. The flock goes with the descriptor.
    if (exclusive)
        (void)Posix::Ioctl(fd, TIOCNXCL,
                           nullptr);  // a hung-up device may refuse; it is closing anyway
    (void)Posix::Close(fd);           // nothing useful to do if the close reports an error
    (void)Posix::Close(wakeFd);       // likewise
    fd = -1;
    wakeFd = -1;
    exclusive = false;
}

bool SerialDevice::HeldByLockFile(const std::filesystem::path& node)
{
    std::error_code error;
    std::filesystem::path device = std::filesystem::canonical(node, error);
    if (error)
        device = node;
    return UucpLock::Holder(LockFolder(), device.filename().string()).has_value();
}

bool SerialDevice::SetTimeouts(const CommTimeouts& timeouts)
{
    if (fd < 0)
        return false;
    readTimeoutMs.store(timeouts.ReadTotalTimeoutConstant, std::memory_order_relaxed);
    writeTimeoutMs.store(timeouts.WriteTotalTimeoutConstant, std::memory_order_relaxed);
    return true;
}

bool SerialDevice::SetState(const Dcb& settings)
{
    if (fd < 0)
        return false;
    const bool applied = SerialLine::Apply(fd, settings);
    SerialLine::LowerModemLines(fd);
    return applied;
}

bool SerialDevice::SetMask(std::uint32_t newMask)
{
    if (fd < 0)
        return false;
    mask.store(newMask, std::memory_order_relaxed);
    return Posix::SignalEventFd(wakeFd).Ok();
}

short SerialDevice::CharacterInterest(std::uint32_t wanted)
{
    if ((wanted & EV_RXCHAR) != 0)
        return POLLIN;
    // Line errors come with characters, so a wait for errors alone watches for characters
    // too, but only while none wait: characters nobody reads would end every poll at once.
    int queued = 0;
    if ((wanted & EV_ERR) != 0 && countsErrors && Posix::Ioctl(fd, FIONREAD, &queued).Ok() &&
        queued == 0)
        return POLLIN;
    return 0;
}

bool SerialDevice::WaitEvent(std::uint32_t& events)
{
    events = 0;
    if (fd < 0)
        return false;
    for (;;) {
        const std::uint32_t wanted = mask.load(std::memory_order_relaxed);
        // An error seen while characters were reported stays pending until cleared, as the
        // handheld's event wait keeps it.
        if ((wanted & EV_ERR) != 0 && HasUnclearedLineErrors()) {
            events = EV_ERR;
            return true;
        }
        // After a hang-up the terminal reports itself ready for ever; waiting on it would
        // spin, so only the wake-up is waited for.
        const bool hung = hungUp.load(std::memory_order_relaxed);
        const int watched = hung ? -1 : fd;
        const short interest = hung ? 0 : CharacterInterest(wanted);
        short ttyEvents = 0;
        short wakeEvents = 0;
        if (!NotifyPollObserver() ||
            !Posix::Poll(watched, interest, wakeFd, -1, ttyEvents, wakeEvents).Ok())
            return false;
        if ((wakeEvents & POLLIN) != 0) {
            (void)Posix::DrainEventFd(wakeFd);  // a racing second drain finds it empty: harmless
            return true;
        }
        if ((ttyEvents & kHangUp) != 0) {
            hungUp.store(true, std::memory_order_relaxed);
            continue;
        }
        if ((ttyEvents & POLLIN) != 0) {
            if ((wanted & EV_RXCHAR) != 0) {
                events |= EV_RXCHAR;
                drained = false;
            }
            if ((wanted & EV_ERR) != 0 && HasUnclearedLineErrors())
                events |= EV_ERR;
            if (events != 0)
                return true;
        }
    }
}

bool SerialDevice::Read(void* buffer, std::uint32_t count, std::uint32_t& read)
{
    read = 0;
    if (fd < 0 || hungUp.load(std::memory_order_relaxed))
        return false;
    if (count == 0)
        return true;
    const auto deadline = SteadyClock::now() +
                          std::chrono::milliseconds(readTimeoutMs.load(std::memory_order_relaxed));
    // A read that came back short found the device drained: the next would most likely find
    // nothing, so it waits for bytes first. After a full read, reading first is cheaper.
    bool readFirst = !drained;
    for (;;) {
        if (!readFirst) {
            readFirst = true;
            if (WaitUntilReady(POLLIN, deadline) == Readiness::Failed)
                return false;
        }
        const SystemResult got = Posix::Read(fd, buffer, count);
        if (got.Ok() && got.value > 0) {
            read = static_cast<std::uint32_t>(got.value);
            drained = read < count;
            return true;
        }
        if (!got.Ok() && got.error != EAGAIN) {
            if (got.error == EIO)
                hungUp.store(true, std::memory_order_relaxed);
            return false;
        }
        switch (WaitUntilReady(POLLIN, deadline)) {
            case Readiness::Ready:
                continue;
            case Readiness::TimedOut:
                drained = true;
                return true;
            case Readiness::Failed:
                return false;
        }
    }
}

bool SerialDevice::Write(const void* buffer, std::uint32_t count, std::uint32_t& written)
{
    written = 0;
    if (fd < 0 || hungUp.load(std::memory_order_relaxed))
        return false;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const auto deadline = SteadyClock::now() +
                          std::chrono::milliseconds(writeTimeoutMs.load(std::memory_order_relaxed));
    while (written < count) {
        const SystemResult sent = Posix::Write(fd, bytes + written, count - written);
        if (sent.Ok()) {
            written += static_cast<std::uint32_t>(sent.value);
            continue;
        }
        if (sent.error != EAGAIN) {
            if (sent.error == EIO)
                hungUp.store(true, std::memory_order_relaxed);
            return false;
        }
        switch (WaitUntilReady(POLLOUT, deadline)) {
            case Readiness::Ready:
                continue;
            case Readiness::TimedOut:
                return true;
            case Readiness::Failed:
                return false;
        }
    }
    return true;
}

SerialDevice::Readiness SerialDevice::WaitUntilReady(short events,
                                                     std::chrono::steady_clock::time_point deadline)
{
    const int left = Posix::MillisecondsLeft(deadline);
    if (left == 0)
        return Readiness::TimedOut;
    short ttyEvents = 0;
    short unused = 0;
    const SystemResult ready = Posix::Poll(fd, events, -1, left, ttyEvents, unused);
    if (!ready.Ok())
        return Readiness::Failed;
    if ((ttyEvents & kHangUp) != 0) {
        hungUp.store(true, std::memory_order_relaxed);
        return Readiness::Failed;
    }
    return ready.value > 0 ? Readiness::Ready : Readiness::TimedOut;
}

bool SerialDevice::ClearError()
{
    if (fd < 0)
        return false;
    std::uint64_t count = 0;
    if (countsErrors && SerialLine::ErrorCount(fd, count))
        errorsSeen.store(count, std::memory_order_relaxed);
    return true;
}

bool SerialDevice::HasUnclearedLineErrors()
{
    std::uint64_t count = 0;
    return countsErrors && SerialLine::ErrorCount(fd, count) &&
           count != errorsSeen.load(std::memory_order_relaxed);
}

}  // namespace quorvex
