// The descriptor scan's worker, on a stand-in process table and a clock the test moves: it
// scans when asked, as often as its pace allows, and sleeps with no time limit otherwise.
#include "platform/registry/descriptor_scanner.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/registry/descriptor_scanner_test_helper.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/process_table_stand_in.h"

namespace quorvex {
namespace {

// A made-up process's id: never this test's own, which the scanner passes over.
constexpr int Pid(int n)
{
    return testing::ProcessTableStandIn::kFirstMadeUpPid + n;
}

class DescriptorScannerTest : public ::testing::Test {
protected:
    // How long a worker may take to go to sleep before the test gives up on it.
    static constexpr std::chrono::seconds kLimit{10};

    void WaitForScans(std::uint64_t count)
    {
        DescriptorScannerTestHelper::WaitForScansEnded(scanner, count);
    }

    const DescriptorScanner::Device device{{136, 7}, {0, 26, 10}};
    testing::ProcessTableStandIn processes;
    ManualClock clock;
    DescriptorScanner scanner{processes, clock};
};

TEST_F(DescriptorScannerTest, ScansOnlyWhileAskedAndOtherwiseSleepsWithoutATimeLimit)
{
    processes.Start(Pid(4242), "gpsd");
    processes.Hold(Pid(4242), 7, device.number);
    EXPECT_TRUE(scanner.Holders(device).empty()) << "nothing is known before the first scan";
    WaitForScans(1);
    ASSERT_TRUE(clock.WaitForUntimedSleepers(1, kLimit)) << "asked nothing, yet it keeps a timer";
    clock.Advance(std::chrono::hours(1));
    EXPECT_EQ(processes.Scans(), 1u);

    const auto holders = scanner.Holders(device);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, Pid(4242));
    EXPECT_EQ(holders[0].descriptor, 7);
    WaitForScans(2);  // at once: the pause after the first scan is long over
    const Clock::TimePoint started = clock.Now();

    (void)scanner.Holders(device);  // the next tick, within the pause
    clock.WaitForSleepers(1);
    EXPECT_EQ(clock.NextDeadline(), started + DescriptorScanner::kMinPause);
    clock.Advance(DescriptorScanner::kMinPause);
    WaitForScans(3);
    ASSERT_TRUE(clock.WaitForUntimedSleepers(1, kLimit)) << "one scan, then asleep again";
    EXPECT_EQ(processes.Scans(), 3u);
}

TEST_F(DescriptorScannerTest, TheFarEndOfALineIsNoHolderUnlessItLocksTheLine)
{
    processes.Start(Pid(100), "socat");  // made the pair: holds both sides
    processes.HoldMaster(Pid(100), 5, device.number);
    processes.Hold(Pid(100), 6, device.number);
    processes.Start(Pid(200), "picocom");  // another user's, whose descriptors do not show
    processes.Lock(Pid(200), device.node);
    processes.Start(Pid(300), "script");  // the far end, and a lock on the line
    processes.HoldMaster(Pid(300), 3, device.number);
    processes.Hold(Pid(300), 4, device.number);
    processes.Lock(Pid(300), device.node);
    processes.Start(Pid(400), "xterm");  // the far end of another line
    processes.HoldMaster(Pid(400), 3, {136, 8});
    processes.Hold(Pid(400), 9, device.number);
    processes.Lock(Pid(400), {0, 26, 11});

    (void)scanner.Holders(device);
    WaitForScans(1);
    const auto holders = scanner.Holders(device);
    std::vector<std::pair<int, int>> found;
    for (const auto& holder : holders)
        found.emplace_back(holder.pid, holder.descriptor);
    EXPECT_EQ(found,
              (std::vector<std::pair<int, int>>{{Pid(300), 4}, {Pid(400), 9}, {Pid(200), -1}}));

    // A scan made at once, on this thread, for a program that asks once, finds the same
    // and tells who holds the line by a lock.
    std::vector<std::tuple<int, int, bool>> now;
    for (const auto& holder : DescriptorScanner::HoldersNow(processes, device))
        now.emplace_back(holder.pid, holder.descriptor, holder.locks);
    EXPECT_EQ(now, (std::vector<std::tuple<int, int, bool>>{
                       {Pid(300), 4, true}, {Pid(400), 9, false}, {Pid(200), -1, true}}));
    EXPECT_EQ(processes.Scans(), 2u) << "no worker was asked";
}

}  // namespace
}  // namespace quorvex
