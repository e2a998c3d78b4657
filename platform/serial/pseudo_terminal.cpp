#include "platform/serial/pseudo_terminal.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Waits for `events` on `fd`; false on time-out, and at once when the far side sees a
// hang-up, which a closed device side shows for as long as it stays closed.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline)
{
    short revents = 0;
    short unused = 0;
    const SystemResult ready =
        Posix::Poll(fd, events, -1, Posix::MillisecondsLeft(deadline), revents, unused);
    return ready.Ok() && ready.value > 0 && (revents & POLLHUP) == 0 && (revents & events) != 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal()
{
    HangUp();
    if (device >= 0)
        (void)Posix::Close(device);  // nothing left to do with a descriptor that will not close
}

void PseudoTerminal::Fail(int errorNumber)
{
    error = errorNumber;
    HangUp();
    if (device >= 0)
        (void)Posix::Close(device);  // already failing; the first error is the one to report
    device = -1;
    devicePath.clear();
}

bool PseudoTerminal::Open(DeviceSide side)
{
    if (far >= 0) {
        error = EBUSY;
        return false;
    }
    const SystemResult master =
        Posix::Open("/dev/ptmx", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (!master.Ok()) {
        error = master.error;
        return false;
    }
    far = static_cast<int>(master.value);

    int unlock = 0;
    unsigned number = 0;
    termios line{};
    for (const SystemResult step :
         {Posix::Ioctl(far, TIOCSPTLCK, &unlock), Posix::Ioctl(far, TIOCGPTN, &number)}) {
        if (!step.Ok()) {
            Fail(step.error);
            return false;
        }
    }
    devicePath = "/dev/pts/" + std::to_string(number);

    // The termios of a pair live with its device side and are reached through the far side
    // too, so the line is raw before anyone opens the device: nothing sent early is echoed
    // back or turned into other bytes.
    SystemResult settings = Posix::Ioctl(far, TCGETS, &line);
    if (settings.Ok()) {
        ::cfmakeraw(&line);
        settings = Posix::Ioctl(far, TCSETS, &line);
    }
    if (!settings.Ok()) {
        Fail(settings.error);
        return false;
    }

    // A device side never opened shows no hang-up on the far side; one opened and closed
    // shows it until the next open. Opening it once here makes "nobody holds the device"
    // visible from the start.
    const SystemResult opened = Posix::Open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (!opened.Ok()) {
        Fail(opened.error);
        return false;
    }
    device = static_cast<int>(opened.value);
    if (side == DeviceSide::Free) {
        (void)Posix::Close(device);  // the device node stays; only our hold on it ends
        device = -1;
    }
    error = 0;
    return true;
}

bool PseudoTerminal::DeviceIsOpen() const
{
    if (far < 0)
        return false;
    short revents = 0;
    short unused = 0;
    const SystemResult ready = Posix::Poll(far, POLLOUT, -1, 0, revents, unused);
    return ready.Ok() && (revents & POLLHUP) == 0;
}

bool PseudoTerminal::Send(std::span<const unsigned char> bytes, std::chrono::milliseconds limit)
{
    const auto deadline = SteadyClock::now() + limit;
    if (!DeviceIsOpen())
        return false;
    while (!bytes.empty()) {
        const SystemResult sent = Posix::Write(far, bytes.data(), bytes.size());
        if (sent.Ok()) {
            bytes = bytes.subspan(static_cast<std::size_t>(sent.value));
            continue;
        }
        if (sent.error != EAGAIN || !WaitFor(far, POLLOUT, deadline))
            return false;
    }
    return true;
}

bool PseudoTerminal::Receive(std::span<unsigned char> bytes, std::chrono::milliseconds limit)
{
    const auto deadline = SteadyClock::now() + limit;
    while (!bytes.empty()) {
        const SystemResult got = Posix::Read(far, bytes.data(), bytes.size());
        if (got.Ok() && got.value > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(got.value));
            continue;
        }
        if ((got.Ok() || got.error == EAGAIN) && WaitFor(far, POLLIN, deadline))
            continue;
        return false;
    }
    return true;
}

std::size_t PseudoTerminal::ReceiveSome(std::span<unsigned char> bytes,
                                        std::chrono::milliseconds limit)
{
    const auto deadline = SteadyClock::now() + limit;
    for (;;) {
        const SystemResult got = Posix::Read(far, bytes.data(), bytes.size());
        if (got.Ok() && got.value > 0)
            return static_cast<std::size_t>(got.value);
        if (!(got.Ok() || got.error == EAGAIN) || !WaitFor(far, POLLIN, deadline))
            return 0;
    }
}

void PseudoTerminal::HangUp()
{
    if (far >= 0)
        (void)Posix::Close(far);  // nothing left to do with a descriptor that will not close
    far = -1;
}

}  // namespace quorvex
