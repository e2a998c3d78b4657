#include "platform/threads/clock.h"

#include "platform/threads/waiter.h"

namespace quorvex {
namespace {

class SystemClock final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }

    bool Sleep(Waiter& waiter, std::optional<TimePoint> deadline) override
    {
        if (!deadline) {
            waiter.Sleep();
            return true;
        }
        return waiter.SleepUntil(*deadline);
    }
};

}  // namespace

Clock& Clock::System()
{
    static SystemClock clock;
    return clock;
}

}  // namespace quorvex
