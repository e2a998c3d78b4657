#include "platform/system/utf8.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

TEST(Utf8Test, RoundTripsEveryPlane)
{
    const std::wstring text = L"COM2: \u00e9\u20ac\U0001F6F0";
    EXPECT_EQ(ToUtf8(text), "COM2: \xc3\xa9\xe2\x82\xac\xf0\x9f\x9b\xb0");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
}

TEST(Utf8Test, BadInputBecomesReplacementCharacters)
{
    EXPECT_EQ(FromUtf8("a\xff"
                       "b"),
              L"a\uFFFDb");
    EXPECT_EQ(FromUtf8("\xc3"), L"\uFFFD") << "a sequence cut short at the end";
    EXPECT_EQ(FromUtf8("\xc0\xaf"), L"\uFFFD\uFFFD") << "an overlong form";
    EXPECT_EQ(FromUtf8("\xed\xa0\x80"), L"\uFFFD\uFFFD\uFFFD") << "an encoded surrogate";
    EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
    EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xef\xbf\xbd");
}

}  // namespace
}  // namespace quorvex
