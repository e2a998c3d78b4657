#include "platform/window/window_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "platform/framework/application.h"
#include "platform/threads/thread.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_system_test_helper.h"
#include "tests/support/headless_screen.h"

namespace quorvex {
namespace {

using std::chrono::milliseconds;

class RecordingWindow : public Window {
public:
    std::vector<std::string> log;

protected:
    void OnTimer(std::uintptr_t id) override { log.push_back("timer " + std::to_string(id)); }
    void OnPaint() override { log.push_back("paint"); }
    LRESULT WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP)
            log.push_back("app " + std::to_string(wParam));
        return Window::WindowProc(message, wParam, lParam);
    }
};

class MessageLoopTest : public ::testing::Test, protected testing::HeadlessScreen {
protected:
    void SetUp() override
    {
        window.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100}, nullptr, 0);
        // Shown at once, the window paints first.
        system.DispatchPending();
        window.log.clear();
    }

    RecordingWindow window;
};

TEST_F(MessageLoopTest, TimersFireOnTheClockAndNeverInABurst)
{
    EXPECT_EQ(window.SetTimer(1, 500), 1u);
    window.SetTimer(2, 200);
    EXPECT_EQ(window.SetTimer(0, 100), 0u) << "id 0 is refused";
    clock.Advance(milliseconds(199));
    EXPECT_EQ(system.DispatchPending(), 0u);
    clock.Advance(milliseconds(1));
    system.DispatchPending();
    EXPECT_EQ(window.log, std::vector<std::string>{"timer 2"});

    window.log.clear();
    clock.Advance(milliseconds(300));  // t = 500: timer 2 due at 400, timer 1 at 500
    system.DispatchPending();
    EXPECT_EQ(window.log, (std::vector<std::string>{"timer 2", "timer 1"}))
        << "earliest deadline first";

    window.log.clear();
    clock.Advance(milliseconds(2000));
    system.DispatchPending();
    EXPECT_EQ(window.log, (std::vector<std::string>{"timer 2", "timer 1"}))
        << "a late loop gets one tick each";
    window.log.clear();
    clock.Advance(milliseconds(200));
    system.DispatchPending();
    EXPECT_EQ(window.log, std::vector<std::string>{"timer 2"})
        << "and the period starts again from then";

    EXPECT_TRUE(window.KillTimer(2));
    EXPECT_FALSE(window.KillTimer(2));
    window.log.clear();
    clock.Advance(milliseconds(500));
    system.DispatchPending();
    EXPECT_EQ(window.log, std::vector<std::string>{"timer 1"});
}

TEST_F(MessageLoopTest, PostedMessagesComeBeforePaintsAndPaintsBeforeTimers)
{
    window.SetTimer(1, 10);
    clock.Advance(milliseconds(10));
    window.InvalidateRect(false);
    window.InvalidateRect(false);
    window.PostMessage(WM_APP, 1);
    window.PostMessage(WM_APP, 2);
    EXPECT_EQ(system.DispatchPending(), 4u);
    EXPECT_EQ(window.log, (std::vector<std::string>{"app 1", "app 2", "paint", "timer 1"}))
        << "two invalidations give one paint";
}

TEST_F(MessageLoopTest, AnotherThreadsInvalidationWakesTheLoopWithoutWaitingForIt)
{
    bool painted = false;
    class Painted : public Window {
    public:
        explicit Painted(bool& flag) : flag(flag) {}

    protected:
        void OnPaint() override { flag = true; }
        bool& flag;
    } target(painted);
    target.Create({}, L"", WS_CHILD, {0, 0, 15, 14}, &window, 200);

    std::atomic<bool> returned{false};
    Thread blinker;
    ASSERT_TRUE(blinker.Start([&] {
        target.InvalidateRect(false);
        returned = true;
    }));
    blinker.Join();  // the call returned although the UI thread never ran meanwhile
    EXPECT_TRUE(returned);
    EXPECT_FALSE(painted) << "the paint waits for the UI thread";

    // Now the other way round: the loop is already waiting when the request comes.
    system.DispatchPending();
    painted = false;
    ASSERT_TRUE(blinker.Start([&] { target.InvalidateRect(false); }));
    system.RunUntil(painted);
    blinker.Join();
    EXPECT_TRUE(painted);
}

TEST_F(MessageLoopTest, TimersKeepRunningUnderAMessageBox)
{
    class TestApp : public Application {
    protected:
        bool StartUp() override { return false; }
    } app;
    window.SetTimer(1, 500);
    std::wstring shownText;
    std::uint32_t shownType = 0;
    std::size_t ticksUnderBox = 0;
    WindowSystemTestHelper::SetMessageBoxHook(system, [&](MessageBox& box) {
        shownText = box.Text();
        shownType = box.Type();
        clock.Advance(milliseconds(500));
        system.DispatchPending();
        clock.Advance(milliseconds(500));
        system.DispatchPending();
        ticksUnderBox = window.log.size();
        box.Answer(IDOK);
    });
    EXPECT_EQ(app.DoMessageBox(L"Are you sure?", MB_OKCANCEL), IDOK);
    EXPECT_EQ(ticksUnderBox, 2u);
    EXPECT_EQ(shownText, L"Are you sure?");
    EXPECT_EQ(shownType, MB_OKCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    EXPECT_TRUE(system.MessageBoxes().empty());
}

}  // namespace
}  // namespace quorvex
