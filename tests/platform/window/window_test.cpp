#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/deferred_window_pos.h"
#include "platform/window/font.h"
#include "platform/window/window_system.h"
#include "tests/support/headless_screen.h"

namespace quorvex {
namespace {

// Notes the messages it gets, in order, into a shared log.
class LoggingWindow : public Window {
public:
    LoggingWindow(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name))
    {
    }

protected:
    void OnDestroy() override { log.push_back(name + " destroy"); }
    void OnSize(std::uint32_t, int cx, int cy) override
    {
        log.push_back(name + " size " + std::to_string(cx) + "x" + std::to_string(cy));
    }

    std::vector<std::string>& log;
    std::string name;
};

// Tears its own things down in an overridden Destroy, which must run exactly once.
class SelfTearingWindow : public LoggingWindow {
public:
    using LoggingWindow::LoggingWindow;
    ~SelfTearingWindow() override { Destroy(); }

    bool Destroy() override
    {
        if (!IsCreated())
            return false;
        ++teardowns;
        return Window::Destroy();
    }

    int teardowns = 0;
};

class WindowTest : public ::testing::Test, protected testing::HeadlessScreen {
protected:
    std::vector<std::string> log;
};

TEST_F(WindowTest, RectanglesAreInTheParentsClientAreaBelowTheCaption)
{
    LoggingWindow top(log, "top");
    ASSERT_TRUE(top.Create(L"Dialog", L"T", WS_POPUP | WS_CAPTION | WS_VISIBLE, {10, 20, 210, 320},
                           nullptr, 0));
    LoggingWindow box(log, "box");
    ASSERT_TRUE(box.Create(L"button", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, {8, 2, 312, 166},
                           &top, 1008));
    LoggingWindow lamp(log, "lamp");
    ASSERT_TRUE(lamp.Create({}, L"", WS_CHILD, {60, 30, 75, 44}, &box, 200));

    EXPECT_EQ(top.CaptionHeight(), 16);
    EXPECT_EQ(top.GetClientRect(), (Rect{0, 0, 200, 284}));
    EXPECT_EQ(box.GetWindowRect(), (Rect{18, 38, 322, 202}));
    EXPECT_EQ(lamp.GetWindowRect(), (Rect{78, 68, 93, 82}));
    EXPECT_EQ(lamp.GetClassName(), Window::kDefaultClass);
    EXPECT_EQ(top.GetDlgItem(1008), &box);
    EXPECT_EQ(top.GetDlgItem(200), nullptr) << "GetDlgItem looks at direct children only";
    EXPECT_FALSE(lamp.IsWindowVisible());
    lamp.ShowWindow(SW_SHOW);
    EXPECT_TRUE(lamp.IsWindowVisible());
    box.ShowWindow(SW_HIDE);
    EXPECT_FALSE(lamp.IsWindowVisible()) << "a hidden parent hides its children";

    Window orphan;
    EXPECT_FALSE(orphan.Create({}, L"", WS_CHILD, {}, nullptr, 1)) << "a child needs a parent";
}

TEST_F(WindowTest, SetWindowPosHonoursItsFlagsAndStacking)
{
    LoggingWindow top(log, "top");
    top.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    LoggingWindow a(log, "a"), b(log, "b"), c(log, "c");
    a.Create({}, L"", WS_CHILD, {0, 0, 10, 10}, &top, 1);
    b.Create({}, L"", WS_CHILD, {0, 0, 10, 10}, &top, 2);
    c.Create({}, L"", WS_CHILD, {5, 5, 20, 19}, &top, 3);
    log.clear();

    EXPECT_TRUE(c.SetWindowPos(HWND_TOP, 40, 50, 999, 999,
                               SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER));
    EXPECT_EQ(c.RectInParent(), (Rect{40, 50, 55, 64})) << "SWP_NOSIZE keeps 15 x 14";
    EXPECT_EQ(top.Children()[0], &c) << "HWND_TOP puts it first";
    EXPECT_TRUE(log.empty()) << "a move without a new size sends no WM_SIZE";

    EXPECT_TRUE(a.SetWindowPos(&b, 1, 2, 30, 40, SWP_NOZORDER));
    EXPECT_EQ(a.RectInParent(), (Rect{1, 2, 31, 42}));
    EXPECT_EQ(top.Children()[1], &a) << "SWP_NOZORDER keeps the order";
    EXPECT_EQ(log, std::vector<std::string>{"a size 30x40"});

    EXPECT_TRUE(a.SetWindowPos(&b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ((std::vector<Window*>(top.Children().begin(), top.Children().end())),
              (std::vector<Window*>{&c, &b, &a}));
    EXPECT_FALSE(a.SetWindowPos(HWND_TOP, 0, 0, -1, 5, 0)) << "a negative size is refused";
}

TEST_F(WindowTest, DeferredMovesAreAppliedTogether)
{
    LoggingWindow top(log, "top");
    top.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    LoggingWindow a(log, "a"), b(log, "b");
    a.Create({}, L"", WS_CHILD, {0, 0, 10, 10}, &top, 1);
    b.Create({}, L"", WS_CHILD, {0, 0, 10, 10}, &top, 2);
    log.clear();

    DeferredWindowPos batch;
    EXPECT_FALSE(batch.Defer(&a, nullptr, 1, 1, 1, 1, 0)) << "not open yet";
    ASSERT_TRUE(batch.Begin(2));
    EXPECT_TRUE(batch.Defer(&a, nullptr, 10, 20, 30, 40, SWP_NOZORDER));
    EXPECT_TRUE(batch.Defer(&b, nullptr, 50, 60, 10, 10, SWP_NOZORDER));
    EXPECT_EQ(a.RectInParent(), (Rect{0, 0, 10, 10})) << "nothing moves before End";
    EXPECT_TRUE(batch.End());
    EXPECT_EQ(a.RectInParent(), (Rect{10, 20, 40, 60}));
    EXPECT_EQ(b.RectInParent(), (Rect{50, 60, 60, 70}));
    EXPECT_EQ(log, std::vector<std::string>{"a size 30x40"}) << "sizes are told after every move";
    EXPECT_FALSE(batch.End()) << "a batch is applied once";

    ASSERT_TRUE(batch.Begin(1));
    batch.Defer(&b, nullptr, 0, 0, 5, 5, SWP_NOZORDER);
    b.Destroy();
    EXPECT_FALSE(batch.End()) << "a window gone since Defer fails its move";
}

TEST_F(WindowTest, DestructionReachesEveryWindowAndRunsATeardownOnce)
{
    {
        LoggingWindow top(log, "top");
        top.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
        LoggingWindow box(log, "box");
        box.Create(L"button", L"", WS_CHILD, {0, 0, 50, 50}, &top, 1008);
        SelfTearingWindow lamp(log, "lamp");
        lamp.Create({}, L"", WS_CHILD, {1, 1, 16, 15}, &box, 200);
        lamp.SetTimer(7, 100);
        EXPECT_TRUE(top.Destroy());
        EXPECT_EQ(log, (std::vector<std::string>{"top destroy", "box destroy", "lamp destroy"}));
        EXPECT_EQ(lamp.teardowns, 1) << "destroyed with its parent, through its override";
        EXPECT_FALSE(lamp.IsCreated());
        EXPECT_FALSE(top.Destroy());
        clock.Advance(std::chrono::milliseconds(100));
        EXPECT_EQ(system.DispatchPending(), 0u) << "the timers went with the window";
    }
    EXPECT_EQ(log.size(), 3u) << "destructors do not destroy twice";

    log.clear();
    LoggingWindow top(log, "top");
    top.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    {
        SelfTearingWindow lamp(log, "lamp");
        lamp.Create({}, L"", WS_CHILD, {1, 1, 16, 15}, &top, 200);
        EXPECT_TRUE(lamp.Destroy());
        EXPECT_EQ(lamp.teardowns, 1);
        EXPECT_TRUE(top.Children().empty());
    }
    {
        SelfTearingWindow lamp(log, "lamp");
        lamp.Create({}, L"", WS_CHILD, {1, 1, 16, 15}, &top, 200);
    }
    EXPECT_TRUE(top.Children().empty()) << "an object that goes takes its window along";
    EXPECT_EQ(log, (std::vector<std::string>{"lamp destroy", "lamp destroy"}));

    Window owned;
    owned.Create(L"Dialog", L"", WS_POPUP, {0, 0, 10, 10}, &top, 0);
    EXPECT_EQ(owned.GetParent(), &top);
    top.Destroy();
    EXPECT_TRUE(owned.IsCreated());
    EXPECT_EQ(owned.GetParent(), nullptr) << "an owned window never points at its gone owner";
}

TEST_F(WindowTest, TextStateAndFontsAreKept)
{
    Window top;
    top.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    Window label;
    label.Create(L"static", L"Baud rate:", WS_CHILD | WS_VISIBLE, {0, 0, 50, 16}, &top, 1009);
    label.SetWindowText(L"Parity:");
    EXPECT_EQ(label.GetWindowText(), L"Parity:");
    EXPECT_FALSE(label.EnableWindow(false)) << "it was enabled";
    EXPECT_FALSE(label.IsWindowEnabled());
    EXPECT_TRUE(label.EnableWindow(true)) << "it was disabled";

    Font normal;
    EXPECT_FALSE(normal.CreateFontIndirect({L"", 16, FW_NORMAL}));
    ASSERT_TRUE(normal.CreateFontIndirect({L"MS Sans Serif", 16, FW_NORMAL}));
    label.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(&normal), 1);
    const auto* got = reinterpret_cast<const Font*>(label.SendMessage(WM_GETFONT));
    ASSERT_EQ(got, &normal);
    LogFont description;
    ASSERT_TRUE(got->GetLogFont(description));
    description.weight = FW_BOLD;
    Font bold;
    ASSERT_TRUE(bold.CreateFontIndirect(description));
    EXPECT_TRUE(bold.IsBold());
    EXPECT_FALSE(normal.IsBold());
    LogFont boldDescription;
    bold.GetLogFont(boldDescription);
    EXPECT_EQ(boldDescription.face, L"MS Sans Serif");
    EXPECT_EQ(boldDescription.height, 16);
    const int before = display.Changes();
    label.SetFont(&bold, true);
    EXPECT_GT(display.Changes(), before) << "redraw on asks the display to draw";
}

}  // namespace
}  // namespace quorvex
