#include "platform/window/window_records.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/system/posix.h"
#include "platform/system/program_file.h"
#include "platform/system/utf8.h"
#include "platform/testing/child_process.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

// A process id no live process has: the kernel's limit is far below it.
constexpr int kGone = 999999999;

constexpr std::wstring_view kShownOn = L"the terminal /dev/pts/7";

// This process publishes a visible dialog with one child, as the program does.
class WindowRecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(records.Open(folder, ProgramFile::Path(), kShownOn));
        system.SetRecords(&records);
        dialog.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {0, 0, 10, 10}, nullptr, 0,
                      WS_EX_CAPTIONOKBTN);
        child.Create(L"static", L"", WS_CHILD | WS_VISIBLE, {0, 0, 1, 1}, &dialog, 1);
    }
    void TearDown() override { system.SetRecords(nullptr); }

    testing::TempPrefix prefix;
    const FolderHandle folder = prefix.Open();
    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system{display, clock};
    WindowRecords records;
    Window dialog;
    Window child;
};

TEST_F(WindowRecordsTest, PublishesOnlyTopLevelWindowsWithTheirStyles)
{
    const auto all = WindowRecords::Enumerate(folder);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].programPath, ProgramFile::Path());
    EXPECT_EQ(all[0].shownOn, kShownOn) << "a second start names where it shows itself";
    ASSERT_EQ(all[0].windows.size(), 1u);
    EXPECT_EQ(all[0].windows[0].className, L"Dialog");
    EXPECT_EQ(all[0].windows[0].exStyle, WS_EX_CAPTIONOKBTN);
    EXPECT_TRUE(all[0].windows[0].visible);
    EXPECT_FALSE(all[0].windows[0].owned);
}

TEST_F(WindowRecordsTest, IgnoresTheRecordOfAProcessThatIsGone)
{
    std::ofstream(prefix.Path() / "windows" / (std::to_string(kGone) + ".rec"))
        << "program\t/opt/x\nwindow\tDialog\t90000000\t0\t1\t0\n";
    EXPECT_EQ(WindowRecords::Enumerate(folder).size(), 1u);
}

// Where another process says it shows itself is printed by a second start: however long
// the record says it is, only so much is taken.
TEST_F(WindowRecordsTest, WhereAProcessShowsItselfIsTakenOnlySoFar)
{
    ChildProcess other;
    ASSERT_TRUE(other.Start("sleep", {"60"}));
    const std::string shown(WindowRecords::kMaxShownOn + 100, 'x');
    testing::WriteFile(prefix.Path() / "windows" / (std::to_string(other.Pid()) + ".rec"),
                       "program\t" + ToUtf8(ProgramFile::OfProcess(other.Pid())) + "\nshown\t" +
                           shown + "\nwindow\tDialog\t90000000\t00000000\t1\t0\n");
    for (const auto& process : WindowRecords::Enumerate(folder))
        if (process.pid == other.Pid()) {
            EXPECT_EQ(process.shownOn, FromUtf8(shown.substr(0, WindowRecords::kMaxShownOn)));
            EXPECT_EQ(process.windows.size(), 1u);
            return;
        }
    ADD_FAILURE() << "the record was not read";
}

TEST_F(WindowRecordsTest, KeepsTheRecordCurrent)
{
    dialog.ShowWindow(SW_HIDE);
    EXPECT_FALSE(WindowRecords::Enumerate(folder)[0].windows[0].visible);
}

TEST_F(WindowRecordsTest, ABringForwardRequestReachesTheDisplay)
{
    ASSERT_TRUE(WindowRecords::SendForward(folder, WindowRecords::Enumerate(folder)[0].pid));
    WindowSystemTestHelper::WaitAndDispatch(system);
    EXPECT_EQ(display.Forwards(), 1);
}

TEST_F(WindowRecordsTest, NoBringForwardReachesAProcessThatIsGone)
{
    EXPECT_FALSE(WindowRecords::SendForward(folder, kGone));
}

// Whatever stands under another process's names is looked at, never trusted: a record is
// read only when it is a regular file of bounded size, a request goes only to a FIFO, and
// neither open waits. A FIFO as a record once hung the next start, and a link to
// /dev/zero grew it without end.
TEST_F(WindowRecordsTest, OnlyABoundedRegularRecordIsReadAndOnlyAFifoIsSentTo)
{
    ChildProcess others[3];
    for (ChildProcess& other : others)
        ASSERT_TRUE(other.Start("sleep", {"60"}));
    const std::filesystem::path windows = prefix.Path() / "windows";
    const auto named = [&](const ChildProcess& other, const char* suffix) {
        return windows / (std::to_string(other.Pid()) + suffix);
    };
    ASSERT_TRUE(Posix::MakeFifo(named(others[0], ".rec").c_str(), 0600).Ok());
    std::filesystem::create_symlink("/dev/zero", named(others[1], ".rec"));
    const std::wstring sleep = ProgramFile::OfProcess(others[2].Pid());
    std::string big = "program\t" + ToUtf8(sleep) + "\n";
    while (big.size() <= WindowRecords::kMaxRecordBytes)
        big += "window\tDialog\t90000000\t00000000\t1\t0\n";
    testing::WriteFile(named(others[2], ".rec"), big);
    const auto all = WindowRecords::Enumerate(folder);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].pid, Posix::ProcessId());

    const std::filesystem::path victim = prefix.Path() / "victim";
    testing::WriteFile(victim, "precious");
    std::filesystem::create_symlink(victim, named(others[0], ".fifo"));
    testing::WriteFile(named(others[1], ".fifo"), "");
    EXPECT_FALSE(WindowRecords::SendForward(folder, others[0].Pid()));
    EXPECT_FALSE(WindowRecords::SendForward(folder, others[1].Pid()));
    EXPECT_EQ(testing::ReadFile(victim), "precious");
    EXPECT_EQ(testing::ReadFile(named(others[1], ".fifo")), "");
}

}  // namespace
}  // namespace quorvex
