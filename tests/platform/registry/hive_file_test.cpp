#include "platform/registry/hive_file.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

constexpr std::array<std::byte, 4> kOne{std::byte{1}};

bool SetOne(HiveFile& hive, std::wstring_view key, std::wstring_view value)
{
    return hive.Modify(
        [&](HiveKey& root) { return root.ObtainSubKey(key).SetValue(value, 4, kOne); });
}

// Two HiveFile objects on one path stand for two processes sharing the hive: each keeps
// its own parsed copy, and only the file and its lock are shared.
class HiveFileTest : public ::testing::Test {
protected:
    testing::TempPrefix prefix;
    const std::filesystem::path path = prefix.Path() / "system.reg";
    HiveFile mine{path, L"HKEY_LOCAL_MACHINE"};
    HiveFile theirs{path, L"HKEY_LOCAL_MACHINE"};
};

TEST_F(HiveFileTest, ParsesOnlyWhenTheFileChanged)
{
    ASSERT_TRUE(SetOne(theirs, L"k", L"a"));
    EXPECT_NE(mine.Current().FindSubKey(L"k"), nullptr);
    mine.Current();
    mine.Current();
    EXPECT_EQ(mine.ParseCount(), 1u);

    ASSERT_TRUE(SetOne(theirs, L"k", L"b"));
    EXPECT_NE(mine.Current().FindSubKey(L"k")->FindValue(L"b"), nullptr);
    EXPECT_EQ(mine.ParseCount(), 2u);
    ASSERT_TRUE(SetOne(mine, L"k", L"c"));
    mine.Current();
    EXPECT_EQ(mine.ParseCount(), 2u) << "its own write needs no new parse";

    std::filesystem::remove(path);
    EXPECT_EQ(mine.Current().SubKeyCount(), 0u) << "a removed hive is an empty one";
}

TEST_F(HiveFileTest, AChangeStartsFromTheFileNotFromAStaleCopy)
{
    mine.Current();
    ASSERT_TRUE(SetOne(theirs, L"k", L"theirs"));
    ASSERT_TRUE(SetOne(mine, L"k", L"mine"));
    const HiveKey* key = theirs.Current().FindSubKey(L"k");
    ASSERT_NE(key, nullptr);
    EXPECT_NE(key->FindValue(L"theirs"), nullptr) << "the other writer's change survives";
    EXPECT_NE(key->FindValue(L"mine"), nullptr);
}

TEST_F(HiveFileTest, AFailedWriteLeavesTheHiveAsItWas)
{
    ASSERT_TRUE(SetOne(mine, L"k", L"kept"));
    // A folder where the temporary file belongs makes the write fail.
    std::filesystem::create_directory(prefix.Path() / "system.reg.tmp");
    EXPECT_FALSE(SetOne(mine, L"k", L"lost"));
    EXPECT_EQ(mine.Current().FindSubKey(L"k")->FindValue(L"lost"), nullptr)
        << "memory does not claim what the disk lacks";
    EXPECT_NE(theirs.Current().FindSubKey(L"k")->FindValue(L"kept"), nullptr);
}

}  // namespace
}  // namespace quorvex
