// The lamp's frames, and its flashes timed by the blink thread on a manual clock.
#include "dialog/status_lamp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
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

// How long a test waits for the blink thread before it calls the rule it waits on broken:
// far longer than a woken thread takes on a loaded machine.
constexpr auto kPatience = std::chrono::seconds(10);

// The lamp, counting its paints, so that a test knows a repaint it waits for has been done.
class CountedLamp : public StatusLamp {
public:
    int paints = 0;

protected:
    void OnPaint() override
    {
        StatusLamp::OnPaint();
        ++paints;
    }
};

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

    // Dispatches what the blink thread asks for until `done` holds; false when it does not
    // within kPatience.
    bool Await(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        system.DispatchPending();
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            (void)WindowSystemTestHelper::WaitAndDispatchFor(system, left);  // done() says
        }
        return true;
    }

    bool AwaitFrame(int frame)
    {
        return Await([&] { return Shown() == FramePixels(frame); });
    }
    bool AwaitLit(bool lit)
    {
        return Await([&] { return lamp.IsLit() == lit; });
    }
    // Until the lamp has painted once more than `paints` times.
    bool AwaitRepaint(int paints)
    {
        return Await([&] { return lamp.paints > paints; });
    }

    // The blink thread's next timed wait, counted from the first.
    bool AwaitTimedWait() { return clock.WaitForTimedWaits(++timedWaits, kPatience); }

    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system{display, clock};
    Bitmap strip;
    Window parent;
    CountedLamp lamp;
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
    ASSERT_TRUE(AwaitTimedWait())
        << "a new lamp is lit, so the blink thread's first wait is the timed one";
    clock.Advance(StatusLamp::kFlash);
    ASSERT_TRUE(AwaitLit(false)) << "the first flash ends when its wait times out";
    // The blink thread may have gone dark before the loop looked: the first paint, due since
    // the lamp was shown, is then still pending.
    system.DispatchPending();
    EXPECT_EQ(Shown(), FramePixels(kBlank));

    // A flash of the blank lamp and of the dark one looks the same as no flash: compared
    // once the flash's own repaint is done.
    int paints = lamp.paints;
    lamp.Pulse();
    ASSERT_TRUE(AwaitRepaint(paints)) << "a pulse after a dark spell lights the lamp and repaints";
    EXPECT_TRUE(lamp.IsLit());
    EXPECT_EQ(Shown(), FramePixels(kBlank)) << "a lit blank lamp is blank";
    lamp.SetState(StatusLamp::LampDark);
    ASSERT_TRUE(AwaitFrame(kGrey)) << "a dark lamp is grey";
    paints = lamp.paints;
    lamp.Pulse();
    ASSERT_TRUE(AwaitRepaint(paints)) << "a pulse after a dark spell lights the lamp and repaints";
    EXPECT_TRUE(lamp.IsLit());
    EXPECT_EQ(Shown(), FramePixels(kGrey)) << "a lit dark lamp is grey";

    lamp.SetState(StatusLamp::LampBlue);
    EXPECT_FALSE(lamp.IsLit()) << "a new state starts dark";
    system.DispatchPending();
    EXPECT_EQ(Shown(), FramePixels(kGrey));
    lamp.Pulse();
    ASSERT_TRUE(AwaitFrame(kBlue)) << "a pulse lights the blue lamp";

    lamp.SetState(StatusLamp::LampBlue);
    EXPECT_TRUE(lamp.IsLit()) << "the same state changes nothing";
    EXPECT_EQ(system.DispatchPending(), 0u) << "and asks for no repaint";

    lamp.SetState(StatusLamp::LampGreen);
    ASSERT_TRUE(AwaitFrame(kGrey)) << "SetState to a new state clears lit: its dark frame shows";
    lamp.Pulse();
    ASSERT_TRUE(AwaitFrame(kGreen)) << "a pulse lights the green lamp";

    lamp.SetState(7);
    ASSERT_TRUE(AwaitFrame(kBlank)) << "a state outside 0 to 3 shows the blank frame";
}

TEST_F(StatusLampTest, PulsesCloserThanAFlashKeepItLitAndItGoesDarkAFlashAfterTheLast)
{
    ASSERT_TRUE(lamp.Create(WS_CHILD | WS_VISIBLE, {0, 0, 0, 0}, &parent, 200));
    ASSERT_TRUE(AwaitTimedWait())
        << "a new lamp is lit, so the blink thread's first wait is the timed one";
    clock.Advance(StatusLamp::kFlash);
    ASSERT_TRUE(AwaitLit(false)) << "the first flash ends when its wait times out";
    lamp.SetState(StatusLamp::LampBlue);
    lamp.Pulse();
    ASSERT_TRUE(AwaitFrame(kBlue)) << "a pulse lights the blue lamp";
    system.DispatchPending();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(AwaitTimedWait()) << "a lit lamp waits for its flash to end";
        EXPECT_EQ(clock.NextDeadline(), clock.Now() + std::chrono::milliseconds(250))
            << "a flash lasts 250 ms after the last pulse";
        clock.Advance(std::chrono::milliseconds(200));
        lamp.Pulse();
    }
    ASSERT_TRUE(AwaitTimedWait()) << "each pulse starts the 250 ms again";
    EXPECT_TRUE(lamp.IsLit());
    EXPECT_EQ(system.DispatchPending(), 0u) << "pulses during a flash cause no repaint";
    clock.Advance(std::chrono::milliseconds(249));
    EXPECT_TRUE(lamp.IsLit());
    clock.Advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(AwaitFrame(kGrey)) << "the lamp goes dark 250 ms after the last pulse";
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
