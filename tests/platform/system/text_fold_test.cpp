#include "platform/system/text_fold.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace quorvex {
namespace {

// Names stored under one locale must match under any other: the terminal changes
// LC_CTYPE at run time, and the C locale folds no letter beyond ASCII.
TEST(TextFoldTest, FoldsTheSameWhateverTheProcessLocale)
{
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, locale) == nullptr)
            continue;
        EXPECT_TRUE(TextFold::Equal(L"Düsseldorf Ω", L"DÜSSELDORF ω")) << locale;
        EXPECT_TRUE(TextFold::Equal(L"com5", L"COM5"));
        EXPECT_FALSE(TextFold::Equal(L"COM5", L"COM5:"));
        EXPECT_FALSE(TextFold::Equal(L"[", L"{")) << "only letters fold";
        EXPECT_EQ(TextFold::Fold(L"pocketpc ä"), L"POCKETPC Ä");
    }
    std::setlocale(LC_CTYPE, previous.c_str());
}

}  // namespace
}  // namespace quorvex
