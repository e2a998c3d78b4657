#include "platform/resource/bitmap.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/resource/resource_module.h"
#include "tests/support/dib_builder.h"

namespace quorvex {
namespace {

// 0x00yyxx10: every pixel tells where it is.
std::uint32_t Position(int x, int y)
{
    return static_cast<std::uint32_t>(y) << 16 | static_cast<std::uint32_t>(x) << 8 | 0x10;
}

// 5 x 3 pixels: 15 bytes a row, padded to 16, so that a loader ignoring the padding fails.
std::vector<std::byte> Strip(bool bottomUp = true)
{
    return testing::MakeDib(5, 3, Position, bottomUp);
}

TEST(BitmapTest, ReadsBottomUpRowsFromTheLastStoredRowUp)
{
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadDib(Strip()));
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.Pixel(0, 0), Position(0, 0));
    EXPECT_EQ(bitmap.Pixel(4, 2), Position(4, 2));
}

TEST(BitmapTest, ReadsTopDownRowsInTheirStoredOrder)
{
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadDib(Strip(false)));
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.Pixel(0, 0), Position(0, 0));
    EXPECT_EQ(bitmap.Pixel(4, 2), Position(4, 2));
}

TEST(BitmapTest, LoadsAnImageOfTheModuleByItsId)
{
    const auto strip = Strip();
    const std::array<ResourceEntry, 1> entries{{{ResourceType::Bitmap, 129, 1033, strip}}};
    const ResourceModule module(entries, {});
    Bitmap bitmap;
    EXPECT_TRUE(bitmap.LoadBitmap(module, 129));
    EXPECT_FALSE(bitmap.LoadBitmap(module, 130));
    EXPECT_FALSE(bitmap.IsLoaded()) << "a failed load leaves the bitmap empty";
}

// One way to damage the strip, named for the test's name.
struct Damage {
    const char* name;
    std::function<void(std::vector<std::byte>&)> apply;
};

void PrintTo(const Damage& damage, std::ostream* out)
{
    *out << damage.name;
}

class BitmapRefusalTest : public ::testing::TestWithParam<Damage> {};

TEST_P(BitmapRefusalTest, RefusesTheImageAndHoldsNothing)
{
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadDib(Strip()));
    auto bytes = Strip();
    GetParam().apply(bytes);
    EXPECT_FALSE(bitmap.LoadDib(bytes));
    EXPECT_FALSE(bitmap.IsLoaded());
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, BitmapRefusalTest,
    ::testing::Values(
        Damage{"Empty", [](auto& bytes) { bytes.clear(); }},
        Damage{"HeaderCut", [](auto& bytes) { bytes.resize(39); }},
        Damage{"LastRowShort", [](auto& bytes) { bytes.pop_back(); }},
        Damage{"EightBitPixels", [](auto& bytes) { bytes[14] = std::byte{8}; }},
        Damage{"Compressed", [](auto& bytes) { bytes[16] = std::byte{1}; }},
        Damage{"WidthNearTwoToThe31", [](auto& bytes) { bytes[7] = std::byte{0x7F}; }},
        Damage{"NoRows", [](auto& bytes) { std::fill_n(bytes.begin() + 8, 4, std::byte{0}); }},
        Damage{"HeaderLongerThanTheImage", [](auto& bytes) { bytes[1] = std::byte{0x10}; }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvex
