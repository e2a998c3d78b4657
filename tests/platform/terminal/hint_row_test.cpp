#include "platform/terminal/hint_row.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvex {
namespace {

TEST(HintRowTest, ShowsWholeKeysAndKeepsTheWaysOutLongest)
{
    const std::wstring all = L" F10: OK   Tab: next   Enter: choose   Ctrl-C: quit";
    EXPECT_EQ(HintRow::Compose(80, false), all);
    EXPECT_EQ(HintRow::Compose(static_cast<int>(all.size()), false), all);
    EXPECT_EQ(HintRow::Compose(50, false), L" F10: OK   Tab: next   Ctrl-C: quit");
    EXPECT_EQ(HintRow::Compose(35, false), L" F10: OK   Tab: next   Ctrl-C: quit");
    EXPECT_EQ(HintRow::Compose(34, false), L" F10: OK   Ctrl-C: quit");
    EXPECT_EQ(HintRow::Compose(23, false), L" F10: OK   Ctrl-C: quit");
    EXPECT_EQ(HintRow::Compose(22, false), L" F10: OK");
    EXPECT_EQ(HintRow::Compose(8, false), L" F10: OK");
    EXPECT_EQ(HintRow::Compose(7, false), L"");
    EXPECT_EQ(HintRow::Compose(0, false), L"");
}

TEST(HintRowTest, ATerminalTooSmallSaysSoWhereTheReasonFitsWhole)
{
    EXPECT_EQ(HintRow::Compose(80, true), L" Terminal too small.   F10: OK   Ctrl-C: quit");
    EXPECT_EQ(HintRow::Compose(44, true), L" Terminal too small.   F10: OK");
    EXPECT_EQ(HintRow::Compose(30, true), L" Terminal too small.   F10: OK");
    EXPECT_EQ(HintRow::Compose(29, true), L" F10: OK");
}

TEST(HintRowTest, NeverLongerThanTheRow)
{
    for (const bool tooSmall : {false, true})
        for (int columns = -1; columns <= 60; ++columns)
            EXPECT_LE(HintRow::Compose(columns, tooSmall).size(),
                      static_cast<std::size_t>(std::max(columns, 0)))
                << columns << (tooSmall ? " too small" : "");
}

}  // namespace
}  // namespace quorvex
