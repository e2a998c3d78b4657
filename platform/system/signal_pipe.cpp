#include "platform/system/signal_pipe.h"

#include <fcntl.h>
#include <signal.h>

#include <array>
#include <atomic>
#include <cerrno>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

constexpr std::array<int, 4> kSignals = {SIGTERM, SIGHUP, SIGINT, SIGWINCH};

// The handler reaches the pipe through this one word: a handler cannot be given context.
std::atomic<int> writeEnd{-1};
std::array<struct sigaction, kSignals.size()> previous{};

void OnSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a wake-up; the byte lost here changes nothing.
    [[maybe_unused]] const SystemResult written = Posix::Write(writeEnd.load(), &byte, 1);
    errno = saved;
}

}  // namespace

SignalPipe::~SignalPipe()
{
    Close();
}

bool SignalPipe::Open()
{
    if (installed || writeEnd.load() >= 0)
        return false;
    int ends[2];
    if (!Posix::Pipe(ends, O_CLOEXEC | O_NONBLOCK).Ok())
        return false;
    readEnd = ends[0];
    writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // These signals always have a handler to replace, so the calls cannot fail.
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        (void)Posix::SignalAction(kSignals[i], &action, &previous[i]);
    installed = true;
    return true;
}

void SignalPipe::Close()
{
    if (!installed)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        (void)Posix::SignalAction(kSignals[i], &previous[i], nullptr);  // as in Open
    installed = false;
    // Closing cannot fail in a way that matters here: both ends are ours and unused now.
    [[maybe_unused]] const SystemResult closedWrite = Posix::Close(writeEnd.exchange(-1));
    [[maybe_unused]] const SystemResult closedRead = Posix::Close(readEnd);
    readEnd = -1;
}

SignalPipe::Arrived SignalPipe::Take()
{
    Arrived arrived;
    if (readEnd < 0)
        return arrived;
    std::array<unsigned char, 64> bytes{};
    for (;;) {
        const SystemResult got = Posix::Read(readEnd, bytes.data(), bytes.size());
        if (!got.Ok() || got.value <= 0)
            break;
        for (long i = 0; i < got.value; ++i) {
            if (bytes[static_cast<std::size_t>(i)] == SIGWINCH)
                arrived.resize = true;
            else
                arrived.close = true;
        }
    }
    return arrived;
}

}  // namespace quorvex
