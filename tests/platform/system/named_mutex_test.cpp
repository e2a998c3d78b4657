#include "platform/system/named_mutex.h"

#include <gtest/gtest.h>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

TEST(NamedMutexTest, ASecondHolderFindsItTakenUntilTheFirstLetsGo)
{
    testing::TempPrefix prefix;
    const FolderHandle folder = prefix.Open();
    NamedMutex first, second;
    EXPECT_EQ(first.Create(folder, L"/usr/bin/quorvex"), NamedMutex::Result::Created);
    EXPECT_EQ(second.Create(folder, L"/usr/bin/quorvex"), NamedMutex::Result::AlreadyExists);
    EXPECT_FALSE(second.IsHeld());
    EXPECT_EQ(second.Create(folder, L"/usr/bin/other"), NamedMutex::Result::Created);
    first.Close();
    EXPECT_EQ(second.Create(folder, L"/usr/bin/quorvex"), NamedMutex::Result::Created);
}

}  // namespace
}  // namespace quorvex
