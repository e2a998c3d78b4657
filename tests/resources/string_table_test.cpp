#include <gtest/gtest.h>

#include <set>

#include "resources/program_resources.h"
#include "resources/string_table.h"

namespace quorvex {
namespace {

TEST(StringTableTest, EveryStringHasItsTextFollowedByItsNul)
{
    const std::pair<std::uint16_t, const wchar_t*> expected[] = {
        {130, L"None"},
        {131, L"Connected to"},
        {132, L"Disconnect"},
        {133, L"Connecting to"},
        {134, L"Available"},
        {135, L"Connect"},
        {136, L"In use by"},
        {137, L"Are you sure that you want to disconnect and exit Quorvex?"},
        {138, L"Are you sure that you want to exit Quorvex?"},
        {139, L"Odd"},
        {140, L"Even"},
        {141, L"Quorvex"},
        {142, L"External (COM1)"},
        {143, L"Bluetooth (COM5)"},
        {144, L"Bluetooth (COM6)"},
        {145, L"Bluetooth (COM9)"},
        {146, L"None"},
        {147,
         L"NMEA sentences may be delayed or discarded if a baud rate of 4800 or lower is "
         L"selected. To avoid problems, turn off NMEA messages that are not required, or "
         L"select a higher baud rate."},
    };
    for (const auto& [id, text] : expected) {
        SCOPED_TRACE(id);
        const auto loaded = ProgramResources().LoadString(id);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(*loaded, text);
        EXPECT_EQ(loaded->data()[loaded->size()], L'\0') << "read in place as NUL-terminated";
    }
}

TEST(StringTableTest, TableHoldsExactlyTheProgramsIdsWithTheirNulsCounted)
{
    std::set<std::uint16_t> ids;
    for (const StringEntry& entry : ProgramStrings()) {
        SCOPED_TRACE(entry.id);
        EXPECT_TRUE(ids.insert(entry.id).second) << "each id once";
        ASSERT_FALSE(entry.stored.empty());
        EXPECT_EQ(entry.stored.back(), L'\0');
        EXPECT_EQ(entry.stored.find(L'\0'), entry.stored.size() - 1) << "one NUL, at the end";
    }
    EXPECT_EQ(ids.size(), 18u);
    EXPECT_EQ(*ids.begin(), 130);
    EXPECT_EQ(*ids.rbegin(), 147);
    EXPECT_EQ(ProgramStrings()[0].stored.size(), 5u) << "\"None\" is stored as 5 characters";
    // Without string 57344 the application takes its name from the program file.
    EXPECT_FALSE(ProgramResources().LoadString(57344));
    EXPECT_FALSE(ProgramResources().LoadString(129));
    EXPECT_FALSE(ProgramResources().LoadString(148));
}

}  // namespace
}  // namespace quorvex
