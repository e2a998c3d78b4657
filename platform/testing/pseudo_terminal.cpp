#include "platform/testing/pseudo_terminal.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

using SteadyClock = std::chrono::steady_clock;

bool WaitFor(int fd, short events, SteadyClock::time_point deadline)
{
    short revents = 0;
    short unused = 0;
    const SystemResult ready =
        Posix::Poll(fd, events, -1, Posix::MillisecondsLeft(deadline), revents, unused);
    return ready.Ok() && ready.value > 0 && (revents & events) != 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal()
{
    HangUp();
    if (device >= 0)
        (void)Posix::Close(device);  // test scaffolding: nothing to do on failure
}

bool PseudoTerminal::Open()
{
    termios raw{};
    ::cfmakeraw(&raw);
    char name[256] = {};
    if (::openpty(&far, &device, name, &raw, nullptr) != 0)
        return false;
    devicePath = name;
    // Both descriptors stay out of child processes, which would otherwise keep the pair alive.
    const SystemResult flags = Posix::Control(far, F_GETFL);
    return Posix::Control(far, F_SETFD, FD_CLOEXEC).Ok() &&
           Posix::Control(device, F_SETFD, FD_CLOEXEC).Ok() && flags.Ok() &&
           Posix::Control(far, F_SETFL, flags.value | O_NONBLOCK).Ok();
}

bool PseudoTerminal::Send(std::span<const unsigned char> bytes, std::chrono::milliseconds limit)
{
    const auto deadline = SteadyClock::now() + limit;
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
        (void)Posix::Close(far);  // test scaffolding: nothing to do on failure
    far = -1;
}

}  // namespace quorvex
