#include "platform/framework/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include <fcntl.h>

#include "platform/system/named_mutex.h"
#include "platform/system/posix.h"
#include "platform/system/program_file.h"
#include "platform/testing/child_process.h"
#include "platform/testing/manual_clock.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"
#include "platform/window/window.h"
#include "platform/window/window_records.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/headless_screen.h"
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
    const FolderHandle folder = prefix.Open();
    NamedMutex running;
    ASSERT_EQ(running.Create(folder, SingleInstance::MutexName(L"/opt/quorvex")),
              NamedMutex::Result::Created);

    ManualClock clock;
    std::atomic<bool> found{true};
    Thread second;
    ASSERT_TRUE(second.Start([&] {
        SingleInstance instance(folder, clock);
        found = instance.FindRunningInstance(L"/opt/quorvex");
    }));
    for (std::size_t pause = 1; pause <= SingleInstance::kTries; ++pause) {
        clock.WaitForTimedWaits(pause);
        clock.Advance(SingleInstance::kPause);
    }
    second.Join();
    EXPECT_FALSE(found) << "no window of the running instance showed up";
}

// Another process's record, written by hand: one top-level dialog, shown or hidden, and a
// channel that takes bring-forward requests.
class ForeignRecord {
public:
    ForeignRecord(const std::filesystem::path& prefix, bool visible)
    {
        if (!holder.Start("sleep", {"60"}))
            return;
        const std::filesystem::path windows = prefix / "windows";
        if (std::filesystem::create_directory(windows))
            std::filesystem::permissions(windows, std::filesystem::perms::owner_all);
        program = std::filesystem::read_symlink("/proc/" + std::to_string(holder.Pid()) + "/exe");
        std::ofstream(windows / (std::to_string(holder.Pid()) + ".rec"))
            << "program\t" << program.string() << "\nwindow\tDialog\t90000000\t80000000\t"
            << (visible ? 1 : 0) << "\t0\n";
        const std::string fifo = (windows / (std::to_string(holder.Pid()) + ".fifo")).string();
        if (Posix::MakeFifo(fifo.c_str(), 0600).Ok())
            channel = static_cast<int>(Posix::Open(fifo.c_str(), O_RDONLY | O_NONBLOCK).value);
    }
    ~ForeignRecord()
    {
        if (channel >= 0)
            (void)Posix::Close(channel);  // the test is over either way
        holder.Kill();
        holder.Wait();
    }

    bool Ready() const { return channel >= 0; }
    std::wstring Program() const { return program.wstring(); }

private:
    ChildProcess holder;
    std::filesystem::path program;
    int channel = -1;
};

TEST(SingleInstanceTest, OnlyAShownWindowOfTheRunningInstanceCounts)
{
    for (const bool visible : {false, true}) {
        SCOPED_TRACE(visible ? "shown" : "hidden");
        testing::TempPrefix prefix;
        const FolderHandle folder = prefix.Open();
        ForeignRecord other(prefix.Path(), visible);
        ASSERT_TRUE(other.Ready());
        NamedMutex running;
        ASSERT_EQ(running.Create(folder, SingleInstance::MutexName(other.Program())),
                  NamedMutex::Result::Created);

        ManualClock clock;
        std::atomic<bool> found{!visible};
        Thread second;
        ASSERT_TRUE(second.Start([&] {
            SingleInstance instance(folder, clock);
            found = instance.FindRunningInstance(other.Program());
            // A search that took the hidden window still lets the test's clock run its course.
            Event never(Event::ResetMode::Manual, clock);
            for (int look = 0; found && !visible && look < SingleInstance::kTries; ++look)
                never.WaitFor(SingleInstance::kPause);
        }));
        // A hidden window is looked for again and again and never accepted.
        for (std::size_t pause = 1; !visible && pause <= SingleInstance::kTries; ++pause) {
            clock.WaitForTimedWaits(pause);
            clock.Advance(SingleInstance::kPause);
        }
        second.Join();
        EXPECT_EQ(found, visible);
    }
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

// An upgrade or a rebuild replaces the program file while the program runs; the system
// then marks the running process's file " (deleted)", and it is the same program all the
// same.
TEST_F(TwoProcessesTest, AStartAfterTheProgramFileWasReplacedFindsTheRunningOne)
{
    const std::filesystem::path copy = prefix.Path() / "probe";
    std::filesystem::copy_file(probe, copy);
    ChildProcess first;
    ASSERT_TRUE(first.Start(copy, {}));
    ASSERT_EQ(ReadLine(first), "ready");
    std::filesystem::copy_file(probe, prefix.Path() / "probe.new");
    std::filesystem::rename(prefix.Path() / "probe.new", copy);
    EXPECT_EQ(ProgramFile::OfProcess(first.Pid()), copy.wstring());

    ChildProcess second;
    ASSERT_TRUE(second.Start(copy, {}));
    const auto said = ReadLine(second);
    if (said) {
        // It runs beside the first, which is never asked forward.
        second.Kill();
        first.Kill();
    }
    EXPECT_EQ(said, std::nullopt) << "the second start shows nothing";
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
