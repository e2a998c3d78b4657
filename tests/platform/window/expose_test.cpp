#include <gtest/gtest.h>

#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {
namespace {

class PaintCounter : public Window {
public:
    int paints = 0;

protected:
    void OnPaint() override { ++paints; }
};

TEST(ExposeTest, AWindowPaintsWhenFirstShownOrResizedWithoutBeingAsked)
{
    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system(display, clock);
    PaintCounter dialog, shown, hidden;
    dialog.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    shown.Create({}, L"", WS_CHILD | WS_VISIBLE, {0, 0, 15, 14}, &dialog, 1);
    hidden.Create({}, L"", WS_CHILD, {0, 20, 15, 34}, &dialog, 2);
    system.DispatchPending();
    EXPECT_EQ(shown.paints, 0) << "its dialog is not shown yet";

    dialog.ShowWindow(SW_SHOW);
    system.DispatchPending();
    EXPECT_EQ(dialog.paints, 1);
    EXPECT_EQ(shown.paints, 1);
    EXPECT_EQ(hidden.paints, 0);
    hidden.ShowWindow(SW_SHOW);
    system.DispatchPending();
    EXPECT_EQ(hidden.paints, 1);
    EXPECT_EQ(shown.paints, 1);

    shown.SetWindowPos(HWND_TOP, 5, 5, 0, 0, SWP_NOSIZE);
    system.DispatchPending();
    EXPECT_EQ(shown.paints, 1) << "moved, its pixels are still its own";
    shown.SetWindowPos(HWND_TOP, 5, 5, 30, 14, SWP_NOZORDER);
    system.DispatchPending();
    EXPECT_EQ(shown.paints, 2) << "resized, what it painted is gone";

    hidden.ShowWindow(SW_HIDE);
    system.DispatchPending();
    EXPECT_EQ(shown.paints, 3) << "uncovered by its hidden sibling";
    EXPECT_EQ(hidden.paints, 1);
    {
        PaintCounter box;
        box.Create(L"Dialog", L"", WS_POPUP | WS_VISIBLE, {10, 10, 50, 50}, &dialog, 0);
        system.DispatchPending();
        EXPECT_EQ(box.paints, 1);
        EXPECT_EQ(shown.paints, 3);
    }
    system.DispatchPending();
    EXPECT_EQ(dialog.paints, 3);
    EXPECT_EQ(shown.paints, 4) << "uncovered by a window that is gone";
}

}  // namespace
}  // namespace quorvex
