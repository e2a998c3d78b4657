// The lamp's frames, and its flashes timed by the blink thread on a manual clock.
#include "dialog/status_lamp.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/resource/bitmap.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "resources/bitmap_ids.h"
#include "resources/program_resources.h"

namespace quorvex {
namespace {

constexpr int kGrey = 0, kBlue = 1, kGreen = 2, kBlank = 3;

class StatusLampTest : public ::testing::Test {
protected:
    StatusLampTest()
    {
        strip.LoadBitmap(ProgramResources(), BitmapId::FrameStrip);
        parent.Create(L"", L"", WS_POPUP | WS_VISIBLE, {0, 0, 200, 200}, nullptr, 0);
    }

    std::vector<std::uint32_t> FramePixels(int frame) const
    {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < StatusLamp::kHeight; ++y)
            for (int x = 0; x < StatusLamp::kWidth; ++x)
                pixels.push_back(strip.Pixel(StatusLamp::kWidth * frame + x, y));
        return pixels;
    }

    std::vector<std::uint32_t> Shown() const
    {
        const auto pixels = lamp.PaintedPixels();
        return {pixels.begin(), pixels.end()};
    }

    // Dispatches what the blink thread asks for until the lamp shows `frame`.
    void AwaitFrame(int frame)
    {
        while (Shown() != FramePixels(frame))
            WindowSystemTestHelper::WaitAndDispatch(system);
    }

    // Dispatches until the blink thread has set the flash to `lit`.
    void AwaitLit(bool lit)
    {
        while (lamp.IsLit() != lit)
            WindowSystemTestHelper::WaitAndDispatch(system);
    }

    // The blink thread's timed waits begun so far; it counts them as it goes.
    void AwaitTimedWait() { clock.WaitForTimedWaits(++timedWaits); }

    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system{display, clock};
    Bitmap strip;
    Window parent;
    StatusLamp lamp;
    std::size_t timedWaits = 0;
};

TEST_F(StatusLampTest, IsFifteenByFourteenAtTheRectanglesCornerAndPaintsWhenShown)
{
    ASSERT_TRUE(lamp.Create(WS_CHILD, {5, 6, 300, 300}, &parent, 200));
    EXPECT_EQ(lamp.RectInParent(), (Rect{5, 6, 20, 20}));
    EXPECT_FALSE(lamp.IsWindowVisible());
    system.DispatchPending();
    EXPECT_TRUE(Shown().empty()) << "hidden: nothing painted";
    lamp.ShowWindow(SW_SHOW);
    system.DispatchPending();
    EXPECT_EQ(Shown(), FramePixels(kBlank)) << "painted once shown, though never invalidated";
}

TEST_F(StatusLampTest, ShowsTheFrameOfItsStateAndWhetherAFlashIsLit)
{
    ASSERT_TRUE(lamp.Create(WS_CHILD | WS_VISIBLE, {0, 0, 0, 0}, &parent, 200));
    // Made lit, the blink thread's first wait is the timed one; it ends dark.
    AwaitTimedWait();
    clock.Advance(StatusLamp::kFlash);
    AwaitLit(false);
    // The blink thread may have gone dark before the loop looked: the first paint, due since
    // the lamp was shown, is then still pending.
    system.DispatchPending();
    EXPECT_EQ(Shown(), FramePixels(kBlank));

    lamp.SetState(StatusLamp::LampDark);
    AwaitFrame(kGrey);
    lamp.Pulse();
    AwaitLit(true);
    EXPECT_EQ(Shown(), FramePixels(kGrey)) << "a flash of the dark lamp looks the same";

    lamp.SetState(StatusLamp::LampBlue);
    EXPECT_FALSE(lamp.IsLit()) << "a new state starts dark";
    system.DispatchPending();
    EXPECT_EQ(Shown(), FramePixels(kGrey));
    lamp.Pulse();
    AwaitFrame(kBlue);

    lamp.SetState(StatusLamp::LampBlue);
    EXPECT_TRUE(lamp.IsLit()) << "the same state changes nothing";
    EXPECT_EQ(system.DispatchPending(), 0u) << "and asks for no repaint";

    lamp.SetState(StatusLamp::LampGreen);
    AwaitFrame(kGrey);
    lamp.Pulse();
    AwaitFrame(kGreen);

    lamp.SetState(7);
    AwaitFrame(kBlank);
}

TEST_F(StatusLampTest, PulsesCloserThanAFlashKeepItLitAndItGoesDarkAFlashAfterTheLast)
{
    ASSERT_TRUE(lamp.Create(WS_CHILD | WS_VISIBLE, {0, 0, 0, 0}, &parent, 200));
    AwaitTimedWait();
    clock.Advance(StatusLamp::kFlash);
    AwaitLit(false);
    lamp.SetState(StatusLamp::LampBlue);
    lamp.Pulse();
    AwaitFrame(kBlue);
    system.DispatchPending();
    for (int i = 0; i < 3; ++i) {
        AwaitTimedWait();
        clock.Advance(std::chrono::milliseconds(200));
        lamp.Pulse();
    }
    AwaitTimedWait();
    EXPECT_TRUE(lamp.IsLit());
    EXPECT_EQ(system.DispatchPending(), 0u) << "pulses during a flash cause no repaint";
    clock.Advance(std::chrono::milliseconds(249));
    EXPECT_TRUE(lamp.IsLit());
    clock.Advance(std::chrono::milliseconds(1));
    AwaitFrame(kGrey);
    EXPECT_FALSE(lamp.IsLit());
}

TEST_F(StatusLampTest, IsTornDownOnceWhenItsParentGoesAndPulsesMeanwhileAreHarmless)
{
    ASSERT_TRUE(lamp.Create(WS_CHILD | WS_VISIBLE, {0, 0, 0, 0}, &parent, 200));
    lamp.Pulse();
    parent.Destroy();
    EXPECT_FALSE(lamp.IsCreated());
    lamp.Pulse();  // after its teardown: nothing to signal
    EXPECT_FALSE(lamp.Destroy());
}

}  // namespace
}  // namespace quorvex
