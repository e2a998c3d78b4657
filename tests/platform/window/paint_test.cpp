#include "platform/window/paint_context.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/resource/bitmap.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "tests/support/dib_builder.h"

namespace quorvex {
namespace {

// A 5 x 3 bitmap whose pixel (x, y), counted from the top, is 0x00yyxx10.
std::vector<std::byte> Strip()
{
    return testing::MakeDib(5, 3, [](int x, int y) {
        return static_cast<std::uint32_t>(y) << 16 | static_cast<std::uint32_t>(x) << 8 | 0x10;
    });
}

TEST(PaintContextTest, BlockCopiesFromASurfaceIntoTheWindow)
{
    HeadlessDisplay display;
    ManualClock clock;
    WindowSystem system(display, clock);
    Window parent;
    parent.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    Window lamp;
    lamp.Create({}, L"", WS_CHILD, {10, 10, 13, 12}, &parent, 200);  // 3 x 2

    Bitmap strip;
    ASSERT_TRUE(strip.LoadDib(Strip()));
    Surface offscreen;
    ASSERT_TRUE(offscreen.CreateCompatibleDC(lamp));
    Bitmap other;
    EXPECT_EQ(offscreen.SelectObject(&other), nullptr);
    EXPECT_EQ(offscreen.SelectObject(&strip), &other) << "the previous bitmap comes back";

    PaintContext paint;
    EXPECT_FALSE(paint.BitBlt(0, 0, 3, 2, offscreen, 0, 0, SRCCOPY)) << "not painting yet";
    ASSERT_TRUE(paint.BeginPaint(lamp));
    EXPECT_FALSE(paint.BitBlt(0, 0, 3, 2, offscreen, 2, 1, 0x00EE0086)) << "only straight copies";
    EXPECT_TRUE(paint.BitBlt(0, 0, 3, 2, offscreen, 2, 1, SRCCOPY));
    paint.EndPaint();
    ASSERT_EQ(lamp.PaintedSize(), (Size{3, 2}));
    const std::vector<std::uint32_t> expected{0x010210, 0x010310, 0x010410,
                                              0x020210, 0x020310, 0x020410};
    EXPECT_EQ(std::vector<std::uint32_t>(lamp.PaintedPixels().begin(), lamp.PaintedPixels().end()),
              expected);

    ASSERT_TRUE(paint.BeginPaint(lamp));
    EXPECT_TRUE(paint.BitBlt(-1, 0, 3, 1, offscreen, 2, 0, SRCCOPY))
        << "parts outside the window are left out";
    EXPECT_TRUE(paint.BitBlt(2, 1, 3, 1, offscreen, 0, 0, SRCCOPY));
    EXPECT_TRUE(paint.BitBlt(0, 1, 2, 1, offscreen, 4, 2, SRCCOPY))
        << "parts outside the bitmap are left out";
    paint.EndPaint();
    const std::vector<std::uint32_t> patched{0x000310, 0x000410, 0x010410,
                                             0x020410, 0x020310, 0x000010};
    EXPECT_EQ(std::vector<std::uint32_t>(lamp.PaintedPixels().begin(), lamp.PaintedPixels().end()),
              patched);
}

}  // namespace
}  // namespace quorvex
