#include "platform/system/stop_signals.h"

#include <array>
#include <csignal>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

}  // namespace

StopSignals::StopSignals()
{
    // Fails only for an invalid set, which this is not.
    (void)Posix::BlockSignals(kStopSignals, true);
}

StopSignals::~StopSignals()
{
    (void)Posix::BlockSignals(kStopSignals, false);  // as in the constructor
}

bool StopSignals::WaitFor(std::chrono::nanoseconds limit)
{
    // Anything but a signal taken is the time running out.
    arrived = arrived || Posix::TakeSignal(kStopSignals, limit).Ok();
    return arrived;
}

}  // namespace quorvex
