#include "platform/window/paint_context.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/resource/bitmap.h"
#include "platform/resource/resource_module.h"
#include "platform/window/surface.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "tests/support/headless_screen.h"

namespace quorvex {
namespace {

// A 24-bit bottom-up bitmap whose pixel (x, y), counted from the top, is 0x00yyxx10.
std::vector<std::byte> Dib(int width, int height)
{
    std::vector<std::byte> bytes;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::byte>(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        bytes.push_back(static_cast<std::byte>(v & 0xFF));
        bytes.push_back(static_cast<std::byte>(v >> 8));
    };
    const int stride = (width * 3 + 3) & ~3;
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(24);
    put32(0);
    put32(static_cast<std::uint32_t>(stride * height));
    put32(3780);
    put32(3780);
    put32(0);
    put32(0);
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            bytes.push_back(std::byte{0x10});              // blue
            bytes.push_back(static_cast<std::byte>(x));    // green
            bytes.push_back(static_cast<std::byte>(row));  // red
        }
        for (int pad = width * 3; pad < stride; ++pad)
            bytes.push_back(std::byte{0});
    }
    return bytes;
}

TEST(BitmapTest, ReadsBottomUpRowsAndRefusesMalformedImages)
{
    Bitmap bitmap;
    const auto strip = Dib(5, 3);  // 15 bytes a row, padded to 16
    ASSERT_TRUE(bitmap.LoadDib(strip));
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0x00000010u) << "the last stored row is the top one";
    EXPECT_EQ(bitmap.Pixel(4, 2), 0x00020410u);

    EXPECT_FALSE(bitmap.LoadDib(std::span(strip).first(strip.size() - 1))) << "a short image";
    EXPECT_FALSE(bitmap.IsLoaded()) << "a failed load leaves the bitmap empty";
    auto eightBit = strip;
    eightBit[14] = std::byte{8};
    EXPECT_FALSE(bitmap.LoadDib(eightBit));
    auto huge = strip;
    huge[7] = std::byte{0x7F};  // width near 2^31
    EXPECT_FALSE(bitmap.LoadDib(huge));
    EXPECT_FALSE(bitmap.LoadDib({}));

    const std::array<ResourceEntry, 1> entries{{{ResourceType::Bitmap, 129, 1033, strip}}};
    const ResourceModule module(entries, {});
    EXPECT_TRUE(bitmap.LoadBitmap(module, 129));
    EXPECT_FALSE(bitmap.LoadBitmap(module, 130));
}

TEST(PaintContextTest, BlockCopiesFromASurfaceIntoTheWindow)
{
    testing::HeadlessScreen screen;
    Window parent;
    parent.Create(L"Dialog", L"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
    Window lamp;
    lamp.Create({}, L"", WS_CHILD, {10, 10, 13, 12}, &parent, 200);  // 3 x 2

    Bitmap strip;
    ASSERT_TRUE(strip.LoadDib(Dib(5, 3)));
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
