#include "platform/window/window_records.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/system/program_file.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

// A process id no live process has: the kernel's limit is far below it.
constexpr int kGone = 999999999;

// This process publishes a visible dialog with one child, as the program does.
class WindowRecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(records.Open(folder, ProgramFile::Path()));
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

}  // namespace
}  // namespace quorvex
