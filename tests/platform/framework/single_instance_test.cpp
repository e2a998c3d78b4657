#include "platform/framework/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "platform/system/named_mutex.h"
#include "platform/testing/child_process.h"
#include "platform/testing/manual_clock.h"
#include "platform/threads/thread.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

constexpr int kEndedWithMinusOne = 255;

TEST(SingleInstanceTest, TheMutexIsNamedAfterTheProgramWithForwardSlashes)
{
    EXPECT_EQ(SingleInstance::MutexName(L"\\Windows\\Quorvex.exe"), L"/Windows/Quorvex.exe");
}

TEST(SingleInstanceTest, GivesUpAfterFortyLooksAQuarterSecondApart)
{
    testing::TempPrefix prefix;
    NamedMutex running;
    ASSERT_EQ(running.Create(SingleInstance::MutexName(L"/opt/quorvex")),
              NamedMutex::Result::Created);

    ManualClock clock;
    std::atomic<bool> found{true};
    Thread second;
    ASSERT_TRUE(second.Start([&] {
        SingleInstance instance(clock);
        found = instance.FindRunningInstance(L"/opt/quorvex");
    }));
    for (std::size_t pause = 1; pause <= SingleInstance::kTries; ++pause) {
        clock.WaitForTimedWaits(pause);
        clock.Advance(SingleInstance::kPause);
    }
    second.Join();
    EXPECT_FALSE(found) << "no window of the running instance showed up";
}

class TwoProcessesTest : public ::testing::Test {
protected:
    static std::optional<std::string> ReadLine(ChildProcess& process)
    {
        std::string line;
        if (!process.ReadLine(line))
            return std::nullopt;
        return line;
    }

    testing::TempPrefix prefix;
    const std::string probe = QUORVEX_INSTANCE_PROBE;
};

TEST_F(TwoProcessesTest, ASecondStartBringsTheFirstForwardAndEndsWithMinusOne)
{
    ChildProcess first;
    ASSERT_TRUE(first.Start(probe, {}));
    ASSERT_EQ(ReadLine(first), "ready");

    ChildProcess second;
    ASSERT_TRUE(second.Start(probe, {}));
    EXPECT_EQ(ReadLine(second), std::nullopt) << "the second start shows nothing";
    EXPECT_EQ(second.Wait(), kEndedWithMinusOne);
    EXPECT_EQ(ReadLine(first), "front");
    EXPECT_EQ(first.Wait(), 0);
}

TEST_F(TwoProcessesTest, AnInstanceThatEndedLeavesNeitherRecordsNorItsMutex)
{
    ChildProcess first;
    ASSERT_TRUE(first.Start(probe, {}));
    ASSERT_EQ(ReadLine(first), "ready");
    ChildProcess second;
    ASSERT_TRUE(second.Start(probe, {}));
    EXPECT_EQ(second.Wait(), kEndedWithMinusOne);
    EXPECT_EQ(ReadLine(first), "front");
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(prefix.Path() / "windows"));

    ChildProcess third;
    ASSERT_TRUE(third.Start(probe, {}));
    EXPECT_EQ(ReadLine(third), "ready");
    third.Kill();
    third.Wait();
}

TEST_F(TwoProcessesTest, ACrashedInstanceBlocksNobody)
{
    ChildProcess crashed;
    ASSERT_TRUE(crashed.Start(probe, {}));
    ASSERT_EQ(ReadLine(crashed), "ready");
    crashed.Kill();
    crashed.Wait();

    ChildProcess next;
    ASSERT_TRUE(next.Start(probe, {}));
    EXPECT_EQ(ReadLine(next), "ready");
    ChildProcess another;
    ASSERT_TRUE(another.Start(probe, {}));
    EXPECT_EQ(another.Wait(), kEndedWithMinusOne) << "and the next one is found as usual";
    EXPECT_EQ(ReadLine(next), "front");
    EXPECT_EQ(next.Wait(), 0);
}

}  // namespace
}  // namespace quorvex
