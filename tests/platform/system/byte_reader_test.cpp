#include "platform/system/byte_reader.h"

#include <gtest/gtest.h>

#include <array>

namespace quorvex {
namespace {

constexpr std::array<std::byte, 7> kBytes{std::byte{0x01}, std::byte{0x34}, std::byte{0x12},
                                          std::byte{0xFE}, std::byte{0xFF}, std::byte{0xAA},
                                          std::byte{0xBB}};

TEST(ByteReaderTest, ReadsValuesOneAfterAnother)
{
    ByteReader in(kBytes);
    EXPECT_EQ(in.U8(), 0x01);
    EXPECT_EQ(in.U16(), 0x1234);
    EXPECT_EQ(in.I16(), -2);
    EXPECT_EQ(in.Position(), 5u);
    const auto rest = in.Take(2);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest.data(), kBytes.data() + 5) << "taken in place, not copied";
    EXPECT_TRUE(in.Ok());
}

// A value cut by the end yields zero and fails the reader, and so does everything after it,
// even a read that would fit: a parser asks Ok() once, after the whole record.
TEST(ByteReaderTest, AReadPastTheEndFailsForGood)
{
    ByteReader in(kBytes);
    in.Seek(4);
    EXPECT_EQ(in.U32(), 0u);
    EXPECT_FALSE(in.Ok());
    EXPECT_EQ(in.U8(), 0u) << "a byte is left, but the reader has failed";
    EXPECT_TRUE(in.Take(1).empty());

    ByteReader huge(kBytes);
    huge.U8();
    EXPECT_TRUE(huge.Take(SIZE_MAX).empty()) << "no overflow in the bounds check";
    EXPECT_FALSE(huge.Ok());
}

TEST(ByteReaderTest, AlignmentPastTheEndFailsButTheEndItselfIsFine)
{
    const std::array<std::byte, 8> eight{};
    ByteReader in(eight);
    in.U8();
    in.Align4();
    EXPECT_EQ(in.Position(), 4u);
    in.Align4();
    EXPECT_EQ(in.Position(), 4u) << "already aligned";
    in.Seek(7);
    in.Align4();
    EXPECT_TRUE(in.Ok()) << "the end of the bytes is a multiple of four";
    EXPECT_EQ(in.Position(), 8u);

    ByteReader odd(kBytes);
    odd.Seek(5);
    odd.Align4();
    EXPECT_FALSE(odd.Ok()) << "the record the padding would lead to is missing";
}

}  // namespace
}  // namespace quorvex
