#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/byte_reader.h"
#include "resources/program_resources.h"
#include "tests/support/utf16_text.h"

namespace quorvex {
namespace {

// One block of the record, read as the platform's version calls walk it.
struct Block {
    std::size_t start;
    std::uint16_t length, valueLength, type;
    std::wstring key;
    std::size_t valueAt;
    std::vector<Block> children;
};

// Reads the block at `in.Position()`, which ends `length` bytes after its start; children
// start on 4-byte boundaries and must end inside their parent. False on any inconsistency.
bool ReadBlock(ByteReader& in, Block& block, std::size_t limit)
{
    const std::size_t start = in.Position();
    block.start = start;
    block.length = in.U16();
    block.valueLength = in.U16();
    block.type = in.U16();
    block.key = testing::ReadText(in);
    in.Align4();
    block.valueAt = in.Position();
    const std::size_t end = start + block.length;
    if (!in.Ok() || end > limit || block.valueAt > end)
        return false;
    // A text value's length is in 16-bit units, a binary one's in bytes.
    in.Seek(in.Position() + (block.type == 1 ? 2u * block.valueLength : block.valueLength));
    while (true) {
        in.Align4();
        if (in.Position() >= end)
            break;
        Block child;
        if (!ReadBlock(in, child, end))
            return false;
        block.children.push_back(std::move(child));
    }
    in.Seek(end);
    return in.Ok();
}

class VersionRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bytes = ProgramResources()
                    .Find(ResourceType::Version, 1)
                    .value_or(std::span<const std::byte>{});
        ByteReader in(bytes);
        ASSERT_TRUE(ReadBlock(in, root, bytes.size()));
        ASSERT_EQ(root.length, bytes.size()) << "the record is one block";
    }

    std::wstring TextAt(std::size_t at) const
    {
        ByteReader in(bytes);
        in.Seek(at);
        return testing::ReadText(in);
    }

    std::span<const std::byte> bytes;
    Block root;
};

TEST_F(VersionRecordTest, FixedPartNamesVersion1001OfAnApplication)
{
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    EXPECT_EQ(root.type, 0);
    ASSERT_EQ(root.valueLength, 52);
    EXPECT_EQ(root.valueAt % 4, 0u);
    ByteReader in(bytes);
    in.Seek(root.valueAt);
    const std::uint32_t expected[] = {
        0xFEEF04BD,              // signature
        0x00010000,              // structure version
        0x00010000, 0x00000001,  // file version 1.0.0.1
        0x00010000, 0x00000001,  // product version 1.0.0.1
        0x3F,                    // file flags mask
        0,                       // file flags
        0x4,                     // VOS__WINDOWS32
        0x1,                     // VFT_APP
        0,                       // subtype
        0,          0,           // date
    };
    for (std::uint32_t value : expected)
        EXPECT_EQ(in.U32(), value) << "at " << in.Position() - 4;
}

TEST_F(VersionRecordTest, StringBlockHoldsTheProgramsNamesAndVersions)
{
    ASSERT_EQ(root.children.size(), 2u);
    const Block& stringInfo = root.children[0];
    EXPECT_EQ(stringInfo.key, L"StringFileInfo");
    ASSERT_EQ(stringInfo.children.size(), 1u);
    const Block& table = stringInfo.children[0];
    EXPECT_EQ(table.key, L"040904E4");
    EXPECT_EQ(table.valueLength, 0);

    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"FileDescription", L"Quorvex"},  {L"FileVersion", L"1.0.0.1"},
        {L"InternalName", L"Quorvex.exe"}, {L"OriginalFilename", L"Quorvex.exe"},
        {L"ProductName", L"Quorvex"},      {L"ProductVersion", L"1.0.0.1"},
    };
    ASSERT_EQ(table.children.size(), std::size(expected));
    for (std::size_t i = 0; i < table.children.size(); ++i) {
        const Block& string = table.children[i];
        const std::wstring value = expected[i].second;
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(string.key, expected[i].first);
        EXPECT_EQ(string.type, 1);
        EXPECT_EQ(string.valueLength, value.size() + 1) << "16-bit units, with the NUL";
        EXPECT_EQ(TextAt(string.valueAt), value);
        EXPECT_EQ(string.start + string.length, string.valueAt + 2 * (value.size() + 1))
            << "the length ends with the value's NUL, before any padding";
    }
}

TEST_F(VersionRecordTest, TranslationIsUsEnglishInCodePage1252)
{
    ASSERT_EQ(root.children.size(), 2u);
    const Block& varInfo = root.children[1];
    EXPECT_EQ(varInfo.key, L"VarFileInfo");
    ASSERT_EQ(varInfo.children.size(), 1u);
    const Block& translation = varInfo.children[0];
    EXPECT_EQ(translation.key, L"Translation");
    EXPECT_EQ(translation.type, 0);
    ASSERT_EQ(translation.valueLength, 4);
    ByteReader in(bytes);
    in.Seek(translation.valueAt);
    EXPECT_EQ(in.U16(), 0x0409);
    EXPECT_EQ(in.U16(), 0x04E4);
    EXPECT_EQ(in.Position(), bytes.size()) << "the translation ends the record";
}

}  // namespace
}  // namespace quorvex
