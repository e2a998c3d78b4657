#include "platform/gui/parsed_dialog_template.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/window/window_types.h"
#include "tests/support/template_builder.h"

namespace quorvex {
namespace {

using testing::TemplateBuilder;

TemplateBuilder TwoItems()
{
    TemplateBuilder t(0x90C00040, 0x80040000, 160, 166, L"Quorvex", 2);
    t.Item({0x50020000, 9, 10, 141, 11, 1013, kStaticClassOrdinal, L"Quorvex settings:"});
    t.Item({0x50210003, 65, 33, 76, 75, 1005, kComboBoxClassOrdinal, L""});
    return t;
}

TEST(ParsedDialogTemplateTest, ReadsHeaderFontAndItems)
{
    const auto bytes = TwoItems().bytes;
    const auto parsed = ParsedDialogTemplate::Parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->style, 0x90C00040u);
    EXPECT_EQ(parsed->exStyle, 0x80040000u);
    EXPECT_EQ(parsed->cx, 160);
    EXPECT_EQ(parsed->cy, 166);
    EXPECT_EQ(parsed->title.text, L"Quorvex");
    EXPECT_FALSE(parsed->menu.IsOrdinal());
    EXPECT_EQ(parsed->pointSize, 8);
    EXPECT_EQ(parsed->typeface, L"MS Sans Serif");
    ASSERT_EQ(parsed->items.size(), 2u);
    const auto& heading = parsed->items[0];
    EXPECT_EQ(heading.id, 1013);
    EXPECT_EQ(heading.windowClass.ordinal, kStaticClassOrdinal);
    EXPECT_EQ(heading.title.text, L"Quorvex settings:");
    EXPECT_EQ((std::array<int, 4>{heading.x, heading.y, heading.cx, heading.cy}),
              (std::array<int, 4>{9, 10, 141, 11}));
    EXPECT_EQ(parsed->items[1].style, 0x50210003u);
    EXPECT_TRUE(parsed->items[1].title.text.empty());
}

// No DS_SETFONT, a title with a surrogate pair, an item at a negative x whose title is an
// ordinal and which carries four bytes of creation data, and an item with id 0xFFFF.
std::vector<std::byte> UnusualTemplate()
{
    TemplateBuilder t(0x80000000, 0, 10, 10, L"\xD83D\xDE00!", 2);
    t.Item({0x50000003, -4, 0, 10, 10, 7, kStaticClassOrdinal, L""});
    // Rewrite the first item's title as an ordinal and give it four bytes of creation data.
    t.bytes.resize(t.bytes.size() - 4);
    t.Word(0xFFFF);
    t.Word(129);
    t.Word(6);
    t.Dword(0xAABBCCDD);
    t.Item({0x50000000, 1, 2, 3, 4, 0xFFFF, kButtonClassOrdinal, L"x"});
    return t.bytes;
}

TEST(ParsedDialogTemplateTest, JoinsSurrogatePairsIntoOneCharacter)
{
    const auto bytes = UnusualTemplate();
    const auto parsed = ParsedDialogTemplate::Parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->title.text, std::wstring(1, static_cast<wchar_t>(0x1F600)) + L"!");
}

TEST(ParsedDialogTemplateTest, ReadsNoFontWithoutTheSetFontStyle)
{
    const auto bytes = UnusualTemplate();
    const auto parsed = ParsedDialogTemplate::Parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->typeface.empty());
    EXPECT_EQ(parsed->items[0].x, -4) << "the first item follows the title at once";
}

TEST(ParsedDialogTemplateTest, ReadsOrdinalTitlesAndCreationData)
{
    const auto bytes = UnusualTemplate();  // creation data is read in place
    const auto parsed = ParsedDialogTemplate::Parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->items[0].title.ordinal, 129);
    ASSERT_EQ(parsed->items[0].creationData.size(), 4u);
    EXPECT_EQ(parsed->items[0].creationData[0], std::byte{0xDD});
    EXPECT_EQ(parsed->items[1].id, 0xFFFF) << "the next item starts after the data";
    EXPECT_EQ(parsed->items[1].title.text, L"x");
}

TEST(ParsedDialogTemplateTest, RefusesEveryTruncation)
{
    const auto bytes = TwoItems().bytes;
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(ParsedDialogTemplate::Parse(std::span(bytes).first(length)))
            << "cut at " << length;
}

// A template whose lengths or counts promise more than its bytes hold, by name.
struct Lie {
    const char* name;
    std::vector<std::byte> bytes;
};

void PrintTo(const Lie& lie, std::ostream* out)
{
    *out << lie.name;
}

class ParsedDialogTemplateLieTest : public ::testing::TestWithParam<Lie> {};

TEST_P(ParsedDialogTemplateLieTest, IsRefused)
{
    EXPECT_FALSE(ParsedDialogTemplate::Parse(GetParam().bytes));
}

Lie ItemCountBeyondTheBytes()
{
    auto bytes = TwoItems().bytes;
    bytes[8] = std::byte{0xFF};  // item count 0xFF02
    bytes[9] = std::byte{0xFF};
    return {"ItemCountBeyondTheBytes", bytes};
}

Lie TypefaceWithoutItsNul()
{
    TemplateBuilder t(0x40, 0, 1, 1, L"", 0);
    t.bytes.resize(t.bytes.size() - 2);
    return {"TypefaceWithoutItsNul", t.bytes};
}

Lie CreationDataPastTheEnd()
{
    TemplateBuilder t(0, 0, 1, 1, L"", 1);
    t.Item({0, 0, 0, 0, 0, 1, kStaticClassOrdinal, L""});
    t.bytes.resize(t.bytes.size() - 2);
    t.Word(200);
    return {"CreationDataPastTheEnd", t.bytes};
}

INSTANTIATE_TEST_SUITE_P(Lies, ParsedDialogTemplateLieTest,
                         ::testing::Values(ItemCountBeyondTheBytes(), TypefaceWithoutItsNul(),
                                           CreationDataPastTheEnd()),
                         [](const ::testing::TestParamInfo<Lie>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace quorvex
