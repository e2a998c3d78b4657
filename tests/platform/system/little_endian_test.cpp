#include "platform/system/little_endian.h"

#include <gtest/gtest.h>

#include <array>

namespace quorvex {
namespace {

// The bytes are spelled out, so that a reader and a writer that agree on the wrong order
// still fail here.
constexpr std::array<std::byte, 4> kBytes{std::byte{0x78}, std::byte{0x56}, std::byte{0x34},
                                          std::byte{0x12}};

TEST(LittleEndianTest, TheLeastSignificantByteComesFirst)
{
    EXPECT_EQ(LittleEndian::Get16(kBytes.data()), 0x5678);
    EXPECT_EQ(LittleEndian::Get32(kBytes.data()), 0x12345678u);

    std::array<std::byte, 4> written{};
    LittleEndian::Put32(written.data(), 0x12345678u);
    EXPECT_EQ(written, kBytes);
    LittleEndian::Put16(written.data() + 2, 0xABCD);
    EXPECT_EQ(written[2], std::byte{0xCD});
    EXPECT_EQ(written[3], std::byte{0xAB});
}

TEST(LittleEndianTest, HighBitsSurviveTheRoundTrip)
{
    std::array<std::byte, 4> written{};
    LittleEndian::Put32(written.data(), 0xFFFE8001u);
    EXPECT_EQ(LittleEndian::Get32(written.data()), 0xFFFE8001u);
    static_assert(
        [] {
            std::array<std::byte, 2> bytes{};
            LittleEndian::Put16(bytes.data(), 0x8001);
            return LittleEndian::Get16(bytes.data());
        }() == 0x8001,
        "usable in constant expressions, as the compiled-in resources need");
}

}  // namespace
}  // namespace quorvex
