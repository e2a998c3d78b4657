#include "platform/threads/event.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>

#include "platform/testing/manual_clock.h"
#include "platform/threads/thread.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;
using ResetMode = Event::ResetMode;

TEST(EventTest, ManualResetStaysSetUntilReset)
{
    Event event(ResetMode::Manual);
    EXPECT_FALSE(event.IsSet());
    event.Set();
    event.Wait();
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(EventTest, AutomaticResetLetsOneWaitThroughPerSet)
{
    Event event(ResetMode::Automatic);
    event.Set();
    event.Set();  // a second set of a set event is not counted
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(EventTest, AutomaticResetWakesExactlyOneOfTwoWaiters)
{
    Event event(ResetMode::Automatic);
    Event done(ResetMode::Manual);
    std::atomic<int> passed = 0;
    auto waitOnce = [&] {
        event.Wait();
        ++passed;
        done.Set();
    };
    Thread first, second;
    ASSERT_TRUE(first.Start(waitOnce));
    ASSERT_TRUE(second.Start(waitOnce));
    event.Set();
    done.Wait();
    EXPECT_EQ(passed.load(), 1);
    event.Set();
    first.Join();
    second.Join();
    EXPECT_EQ(passed.load(), 2);
}

TEST(EventTest, WaitAnyReportsLowestSetIndex)
{
    Event a(ResetMode::Manual), b(ResetMode::Manual), c(ResetMode::Automatic);
    std::array<Event*, 3> events{&a, &b, &c};
    b.Set();
    c.Set();
    EXPECT_EQ(Event::WaitAny(events), 1u);
    b.Reset();
    EXPECT_EQ(Event::WaitAny(events), 2u);
    EXPECT_FALSE(c.IsSet()) << "an automatic-reset event is consumed by the wait it ends";
    EXPECT_EQ(Event::WaitAny(events, 0ms), std::nullopt);
}

TEST(EventTest, WaitAnyRefusesEmptyAndOversizedSets)
{
    EXPECT_EQ(Event::WaitAny({}, 0ms), std::nullopt);
    Event event(ResetMode::Manual);
    event.Set();
    std::array<Event*, Event::kMaxWaitAny + 1> tooMany;
    tooMany.fill(&event);
    EXPECT_EQ(Event::WaitAny(tooMany), std::nullopt);
}

TEST(EventTest, SetFromAnotherThreadEndsAWait)
{
    Event first(ResetMode::Manual), second(ResetMode::Manual);
    std::array<Event*, 2> events{&first, &second};
    std::optional<std::size_t> woken;
    Thread waiter;
    ASSERT_TRUE(waiter.Start([&] { woken = Event::WaitAny(events); }));
    second.Set();
    waiter.Join();
    EXPECT_EQ(woken, 1u);
}

TEST(EventTest, HandOversBackAndForthLoseNoWakeUp)
{
    // Two threads hand a turn to each other as a port's reader and the relay thread do,
    // the relay waiting on two events at once: a wake-up lost between a look and a sleep
    // stalls one of them until its time runs out.
    Event ping(ResetMode::Automatic), pong(ResetMode::Automatic), quiet(ResetMode::Manual);
    std::array<Event*, 2> relayEvents{&quiet, &ping};
    constexpr int kTurns = 20000;
    std::atomic<int> stalls = 0;
    Thread other;
    ASSERT_TRUE(other.Start([&] {
        for (int turn = 0; turn < kTurns && stalls == 0; ++turn) {
            if (Event::WaitAny(relayEvents, 5s) != 1u)
                ++stalls;
            pong.Set();
        }
    }));
    for (int turn = 0; turn < kTurns && stalls == 0; ++turn) {
        ping.Set();
        if (!pong.WaitFor(5s))
            ++stalls;
    }
    other.Join();
    EXPECT_EQ(stalls.load(), 0);
}

TEST(EventTest, TimedWaitEndsExactlyAtTheDeadlineOfAManualClock)
{
    ManualClock clock;
    Event event(ResetMode::Manual, clock);
    std::atomic<bool> finished = false;
    bool result = true;
    Thread waiter;
    ASSERT_TRUE(waiter.Start([&] {
        result = event.WaitFor(250ms);
        finished = true;
    }));
    clock.WaitForSleepers(1);
    clock.Advance(249ms);
    EXPECT_FALSE(finished.load());
    clock.Advance(1ms);
    waiter.Join();
    EXPECT_FALSE(result);
}

TEST(EventTest, SetBeforeTheDeadlineWinsOverTheClock)
{
    ManualClock clock;
    Event event(ResetMode::Automatic, clock);
    bool result = false;
    Thread waiter;
    ASSERT_TRUE(waiter.Start([&] { result = event.WaitFor(250ms); }));
    clock.WaitForSleepers(1);
    event.Set();
    waiter.Join();
    EXPECT_TRUE(result);
}

}  // namespace
}  // namespace quorvex
