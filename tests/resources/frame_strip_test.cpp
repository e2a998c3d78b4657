#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/system/byte_reader.h"
#include "resources/bitmap_ids.h"
#include "resources/program_resources.h"

namespace quorvex {
namespace {

struct Rgb {
    int r, g, b;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

class FrameStripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        strip = ProgramResources()
                    .Find(ResourceType::Bitmap, BitmapId::FrameStrip)
                    .value_or(std::span<const std::byte>{});
        ASSERT_EQ(strip.size(), 2560u);
    }

    // The pixel in column x of the strip and row y counted from the top, as the lamp shows it.
    Rgb Pixel(int x, int y) const
    {
        const std::size_t at = 40 + static_cast<std::size_t>((13 - y) * 180 + x * 3);
        auto channel = [&](std::size_t i) { return std::to_integer<int>(strip[at + i]); };
        return {channel(2), channel(1), channel(0)};
    }

    static bool Near(const Rgb& a, const Rgb& b, int tolerance)
    {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
               std::abs(a.b - b.b) <= tolerance;
    }

    std::span<const std::byte> strip;
};

TEST_F(FrameStripTest, HeaderDescribesA60By14BottomUpTrueColourImage)
{
    ByteReader in(strip);
    EXPECT_EQ(in.U32(), 40u);    // biSize
    EXPECT_EQ(in.U32(), 60u);    // biWidth
    EXPECT_EQ(in.U32(), 14u);    // biHeight, positive: bottom-up
    EXPECT_EQ(in.U16(), 1);      // biPlanes
    EXPECT_EQ(in.U16(), 24);     // biBitCount
    EXPECT_EQ(in.U32(), 0u);     // BI_RGB
    EXPECT_EQ(in.U32(), 2520u);  // biSizeImage: 14 rows of 180 bytes, no padding
    EXPECT_EQ(in.U32(), 3780u);  // biXPelsPerMeter
    EXPECT_EQ(in.U32(), 3780u);  // biYPelsPerMeter
    EXPECT_EQ(in.U32(), 0u);     // biClrUsed: no colour table
    EXPECT_EQ(in.U32(), 0u);     // biClrImportant
    EXPECT_EQ(in.Position(), 40u);
}

TEST_F(FrameStripTest, LampFramesShowTheirDiscAndRingOnWhite)
{
    struct Lamp {
        Rgb disc;
        int discTolerance;
        Rgb ring;
    };
    const Lamp lamps[] = {
        {{219, 219, 219}, 0, {127, 127, 127}},  // grey, flat
        {{26, 154, 255}, 24, kBlack},           // blue, shaded
        {{136, 255, 26}, 24, kBlack},           // green, shaded
    };
    for (int frame = 0; frame < 3; ++frame) {
        SCOPED_TRACE(frame);
        const Lamp& lamp = lamps[frame];
        const int left = 15 * frame;
        EXPECT_TRUE(Near(Pixel(left + 7, 7), lamp.disc, lamp.discTolerance));
        EXPECT_EQ(Pixel(left + 7, 1), lamp.ring) << "top of the ring";
        EXPECT_EQ(Pixel(left + 7, 13), lamp.ring) << "bottom of the ring";
        EXPECT_EQ(Pixel(left + 1, 7), lamp.ring) << "left of the ring";
        EXPECT_EQ(Pixel(left + 13, 7), lamp.ring) << "right of the ring";
        for (int y : {0, 13})
            for (int x : {0, 14})
                EXPECT_EQ(Pixel(left + x, y), kWhite) << "corner " << x << "," << y;
        // The lamp stays inside its frame, so a frame cut one column off shows no stray ring.
        for (int y = 0; y < 14; ++y) {
            EXPECT_EQ(Pixel(left, y), kWhite) << y;
            EXPECT_EQ(Pixel(left + 14, y), kWhite) << y;
        }
    }
    // Lit from the upper left: brighter there than at the lower right.
    for (int frame : {1, 2}) {
        const Rgb upper = Pixel(15 * frame + 4, 4);
        const Rgb lower = Pixel(15 * frame + 10, 10);
        EXPECT_GT(upper.r + upper.g + upper.b, lower.r + lower.g + lower.b) << frame;
    }
}

TEST_F(FrameStripTest, BlankFrameIsAllWhite)
{
    for (int y = 0; y < 14; ++y)
        for (int x = 45; x < 60; ++x)
            ASSERT_EQ(Pixel(x, y), kWhite) << x << "," << y;
}

TEST_F(FrameStripTest, EmbedsTheCommittedImageWithoutItsFileHeader)
{
    std::ifstream file(QUORVEX_FRAME_STRIP_FILE, std::ios::binary);
    ASSERT_TRUE(file);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(bytes.size(), 14u + 2560u);
    for (std::size_t i = 0; i < strip.size(); ++i)
        ASSERT_EQ(std::to_integer<char>(strip[i]), bytes[14 + i]) << i;
}

}  // namespace
}  // namespace quorvex
