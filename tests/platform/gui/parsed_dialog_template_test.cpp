#include "platform/gui/parsed_dialog_template.h"

#include <gtest/gtest.h>

#include <array>

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

TEST(ParsedDialogTemplateTest, ReadsOrdinalTitlesCreationDataAndSurrogates)
{
    TemplateBuilder t(0x80000000, 0, 10, 10, L"\xD83D\xDE00!", 2);  // no DS_SETFONT: no font fields
    t.Item({0x50000003, -4, 0, 10, 10, 7, kStaticClassOrdinal, L""});
    // Rewrite the first item's title as an ordinal and give it four bytes of creation data.
    t.bytes.resize(t.bytes.size() - 4);
    t.Word(0xFFFF);
    t.Word(129);
    t.Word(6);
    t.Dword(0xAABBCCDD);
    t.Item({0x50000000, 1, 2, 3, 4, 0xFFFF, kButtonClassOrdinal, L"x"});
    const auto parsed = ParsedDialogTemplate::Parse(t.bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->title.text, std::wstring(1, static_cast<wchar_t>(0x1F600)) + L"!");
    EXPECT_TRUE(parsed->typeface.empty());
    EXPECT_EQ(parsed->items[0].x, -4) << "positions are signed";
    EXPECT_EQ(parsed->items[0].title.ordinal, 129);
    ASSERT_EQ(parsed->items[0].creationData.size(), 4u);
    EXPECT_EQ(parsed->items[0].creationData[0], std::byte{0xDD});
    EXPECT_EQ(parsed->items[1].id, 0xFFFF);
    EXPECT_EQ(parsed->items[1].title.text, L"x");
}

TEST(ParsedDialogTemplateTest, RefusesEveryTruncationAndLyingCounts)
{
    const auto bytes = TwoItems().bytes;
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(ParsedDialogTemplate::Parse(std::span(bytes).first(length)))
            << "cut at " << length;

    auto lying = bytes;
    lying[8] = std::byte{0xFF};  // item count 0xFF02
    lying[9] = std::byte{0xFF};
    EXPECT_FALSE(ParsedDialogTemplate::Parse(lying));

    TemplateBuilder unterminated(0x40, 0, 1, 1, L"", 0);
    unterminated.bytes.resize(unterminated.bytes.size() - 2);  // typeface without its NUL
    EXPECT_FALSE(ParsedDialogTemplate::Parse(unterminated.bytes));

    TemplateBuilder oversized(0, 0, 1, 1, L"", 1);
    oversized.Item({0, 0, 0, 0, 0, 1, kStaticClassOrdinal, L""});
    oversized.bytes.resize(oversized.bytes.size() - 2);
    oversized.Word(200);  // creation data longer than what follows
    EXPECT_FALSE(ParsedDialogTemplate::Parse(oversized.bytes));
}

}  // namespace
}  // namespace quorvex
