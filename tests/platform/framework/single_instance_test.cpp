#include "platform/framework/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

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

// What a second start's search did: whether it found the running instance, and how many
// pauses it made between looks.
struct Search {
    bool found = false;
    std::size_t pauses = 0;
};

// Searches for a running instance of `program` on a thread of its own with a manual clock,
// moving the clock through each pause as the search makes it, until the search ends.
Search SearchFor(const FolderHandle& folder, const std::wstring& program)
{
    ManualClock clock;
    std::atomic<bool> found{false};
    std::atomic<bool> finished{false};
    Thread second;
    EXPECT_TRUE(second.Start([&] {
        SingleInstance instance(folder, clock);
        found = instance.FindRunningInstance(program);
        finished = true;
    }));
    Search search;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!finished) {
        // The search is between looks (a pause begun), or looking, or done.
        if (clock.WaitForTimedWaits(search.pauses + 1, std::chrono::milliseconds(10))) {
            EXPECT_EQ(clock.NextDeadline(), clock.Now() + std::chrono::milliseconds(250))
                << "the looks are a quarter second apart";
            clock.Advance(std::chrono::milliseconds(250));
            ++search.pauses;
        } else if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the search neither ended nor paused";
            break;
        }
    }
    second.Join();
    search.found = found;
    return search;
}

TEST(SingleInstanceTest, GivesUpAfterFortyLooksAQuarterSecondApart)
{
    testing::TempPrefix prefix;
    const FolderHandle folder = prefix.Open();
    NamedMutex running;
    ASSERT_EQ(running.Create(folder, SingleInstance::MutexName(L"/opt/quorvex")),
              NamedMutex::Result::Created);
    const Search search = SearchFor(folder, L"/opt/quorvex");
    EXPECT_FALSE(search.found) << "no window of the running instance showed up";
    EXPECT_EQ(search.pauses, 40u) << "forty looks, a pause after each";
}

// One top-level window of another process, as its record tells it.
struct RecordedWindow {
    const char* name;
    const char* className;
    std::uint32_t style;
    std::uint32_t exStyle;
    bool visible;
    bool owned;
    bool counts;  // whether it is the running instance's window
};

void PrintTo(const RecordedWindow& window, std::ostream* out)
{
    *out << window.name;
}

// Another process's record, written by hand: one top-level window and a channel that takes
// bring-forward requests.
class ForeignRecord {
public:
    ForeignRecord(const std::filesystem::path& prefix, const RecordedWindow& window)
    {
        if (!holder.Start("sleep", {"60"}))
            return;
        const std::filesystem::path windows = prefix / "windows";
        if (std::filesystem::create_directory(windows))
            std::filesystem::permissions(windows, std::filesystem::perms::owner_all);
        program = std::filesystem::read_symlink("/proc/" + std::to_string(holder.Pid()) + "/exe");
        char styles[40];
        std::snprintf(styles, sizeof styles, "%08x\t%08x", window.style, window.exStyle);
        std::ofstream(windows / (std::to_string(holder.Pid()) + ".rec"))
            << "program\t" << program.string() << "\nwindow\t" << window.className << '\t' << styles
            << '\t' << (window.visible ? 1 : 0) << '\t' << (window.owned ? 1 : 0) << '\n';
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

constexpr std::uint32_t kDialogStyle = WS_POPUP | WS_VISIBLE;
constexpr RecordedWindow kShownDialog{"ShownDialog", "Dialog", kDialogStyle, 0, true, false, true};

class WindowFilterTest : public ::testing::TestWithParam<RecordedWindow> {};

TEST_P(WindowFilterTest, OnlyAShownUnownedApplicationWindowOfTheInstanceCounts)
{
    testing::TempPrefix prefix;
    const FolderHandle folder = prefix.Open();
    ForeignRecord other(prefix.Path(), GetParam());
    ASSERT_TRUE(other.Ready());
    NamedMutex running;
    ASSERT_EQ(running.Create(folder, SingleInstance::MutexName(other.Program())),
              NamedMutex::Result::Created);
    const Search search = SearchFor(folder, other.Program());
    EXPECT_EQ(search.found, GetParam().counts);
    // A window that does not count is looked for again and again, and never taken.
    EXPECT_EQ(search.pauses, GetParam().counts ? 0u : 40u);
}

INSTANTIATE_TEST_SUITE_P(
    TopLevelWindows, WindowFilterTest,
    ::testing::Values(
        kShownDialog, RecordedWindow{"Hidden", "Dialog", WS_POPUP, 0, false, false, false},
        RecordedWindow{"Child", "Dialog", kDialogStyle | WS_CHILD, 0, true, false, false},
        RecordedWindow{"ToolWindow", "Dialog", kDialogStyle, WS_EX_TOOLWINDOW, true, false, false},
        RecordedWindow{"Owned", "Dialog", kDialogStyle, 0, true, true, false},
        // The three classes of the shell's own windows, in any case.
        RecordedWindow{"ShFind", "SHFIND", kDialogStyle, 0, true, false, false},
        RecordedWindow{"Static", "Static", kDialogStyle, 0, true, false, false},
        RecordedWindow{"CursorWindow", "cursorwindow", kDialogStyle, 0, true, false, false},
        RecordedWindow{"ANameThatOnlyBeginsLikeOne", "Statically", kDialogStyle, 0, true, false,
                       true}),
    [](const ::testing::TestParamInfo<RecordedWindow>& info) {
        return std::string(info.param.name);
    });

TEST(SingleInstanceTest, TheProgramPathsAreComparedWithoutRegardToCase)
{
    testing::TempPrefix prefix;
    const FolderHandle folder = prefix.Open();
    ForeignRecord other(prefix.Path(), kShownDialog);
    ASSERT_TRUE(other.Ready());
    std::wstring shouted = other.Program();
    for (wchar_t& ch : shouted)
        ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    ASSERT_NE(shouted, other.Program());
    NamedMutex running;
    ASSERT_EQ(running.Create(folder, SingleInstance::MutexName(shouted)),
              NamedMutex::Result::Created);
    EXPECT_TRUE(SearchFor(folder, shouted).found);
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

// The second start shows nothing, but says on standard error which instance runs and
// where: a person who started it in another terminal would not see the first come forward.
TEST_F(TwoProcessesTest, ASecondStartBringsTheFirstForwardNamesItAndEndsWithMinusOne)
{
    ChildProcess first;
    ASSERT_TRUE(first.Start(probe, {}));
    ASSERT_EQ(ReadLine(first), "ready");

    ChildProcess second;
    ASSERT_TRUE(second.Start(probe, {}, true));
    EXPECT_EQ(ReadLine(second), "instance_probe: already running as process " +
                                    std::to_string(first.Pid()) +
                                    " in the probe's screen; it was asked to come forward");
    EXPECT_EQ(ReadLine(second), std::nullopt) << "one line, and nothing shown";
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
