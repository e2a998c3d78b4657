#include "platform/system/named_mutex.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/file_text.h"
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

// The lock file's name is the program's; the test finds it where the first holder left it.
TEST(NamedMutexTest, ALinkInTheLockFilesPlaceIsRefusedAndItsTargetLeftAlone)
{
    testing::TempPrefix prefix;
    const FolderHandle folder = prefix.Open();
    {
        NamedMutex first;
        ASSERT_EQ(first.Create(folder, L"/usr/bin/quorvex"), NamedMutex::Result::Created);
    }
    const auto lockFile = std::filesystem::directory_iterator(prefix.Path() / "locks")->path();
    const std::filesystem::path victim = prefix.Path() / "victim";
    testing::WriteFile(victim, "precious");
    std::filesystem::remove(lockFile);
    std::filesystem::create_symlink(victim, lockFile);

    NamedMutex second;
    EXPECT_EQ(second.Create(folder, L"/usr/bin/quorvex"), NamedMutex::Result::Failed);
    EXPECT_FALSE(second.IsHeld());
    EXPECT_EQ(testing::ReadFile(victim), "precious");
}

}  // namespace
}  // namespace quorvex
