#include "platform/threads/thread.h"

#include <gtest/gtest.h>

#include "platform/threads/event.h"

namespace quorvex {
namespace {

TEST(ThreadTest, StartsOnceUntilJoined)
{
    Thread thread;
    EXPECT_FALSE(thread.IsStarted());
    Event release(Event::ResetMode::Manual);
    ASSERT_TRUE(thread.Start([&] { release.Wait(); }));
    EXPECT_TRUE(thread.IsStarted());
    EXPECT_FALSE(thread.Start([] {}));
    release.Set();
    thread.Join();
    thread.Join();
    EXPECT_FALSE(thread.IsStarted());
    EXPECT_TRUE(thread.Start([] {}));
}

}  // namespace
}  // namespace quorvex
