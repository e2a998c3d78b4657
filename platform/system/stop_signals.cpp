#include "platform/system/stop_signals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace quorvex {
namespace {

sigset_t StopSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

}  // namespace

StopSignals::StopSignals()
{
    const sigset_t set = StopSet();
    // Cannot fail with a valid operation and set.
    (void)pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::~StopSignals()
{
    const sigset_t set = StopSet();
    (void)pthread_sigmask(SIG_UNBLOCK, &set, nullptr);  // as in the constructor
}

bool StopSignals::WaitFor(std::chrono::nanoseconds limit)
{
    using Clock = std::chrono::steady_clock;
    const sigset_t set = StopSet();
    const auto deadline = Clock::now() + limit;
    while (!arrived) {
        const auto left = std::max(std::chrono::nanoseconds(0), deadline - Clock::now());
        const auto seconds = std::chrono::floor<std::chrono::seconds>(left);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>((left - seconds).count())};
        if (::sigtimedwait(&set, nullptr, &wait) > 0) {
            arrived = true;
            break;
        }
        // EAGAIN is the time running out; EINTR another signal, after which the wait goes on.
        if (errno != EINTR || left.count() == 0)
            break;
    }
    return arrived;
}

}  // namespace quorvex
