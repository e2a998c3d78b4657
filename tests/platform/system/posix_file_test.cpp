#include "platform/system/posix_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/file_text.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using Result = PosixFile::Result;

class PosixFileTest : public ::testing::Test {
protected:
    testing::TempPrefix prefix;
    const fs::path path = prefix.Path() / "hive.reg";
};

// A file left by an earlier run, or by the user, may be readable by everyone.
TEST_F(PosixFileTest, ReplaceEmptiesAFileAndMakesItTheUsersAlone)
{
    testing::WriteFile(path, "old contents");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    PosixFile file;
    ASSERT_EQ(file.Open(path, PosixFile::Mode::Replace), Result::Ok);
    ASSERT_TRUE(file.WriteAll("new"));
    ASSERT_TRUE(file.Sync());
    file.Close();
    EXPECT_EQ(testing::ReadFile(path), "new");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PosixFileTest, ReadAllRefusesAFileLargerThanItsLimit)
{
    testing::WriteFile(path, "0123456789");
    PosixFile file;
    std::string text = "stale";
    ASSERT_EQ(file.Open(path, PosixFile::Mode::Read), Result::Ok);
    EXPECT_EQ(file.ReadAll(text, 9), Result::TooLarge);
    EXPECT_TRUE(text.empty()) << "nothing read";
    ASSERT_EQ(file.Open(path, PosixFile::Mode::Read), Result::Ok);
    EXPECT_EQ(file.ReadAll(text, 10), Result::Ok);
    EXPECT_EQ(text, "0123456789") << "a file of exactly the limit is read";
}

// The hives tell a missing file (an empty hive) and a taken name (a stale aside copy) from
// a failure, so the results must name those causes.
TEST_F(PosixFileTest, ResultsNameAMissingFileAndATakenName)
{
    PosixFile file;
    FileIdentity identity;
    EXPECT_EQ(file.Open(path, PosixFile::Mode::Read), Result::NotFound);
    EXPECT_EQ(PosixFile::IdentityOf(path, identity), Result::NotFound);
    testing::WriteFile(path, "x");
    EXPECT_EQ(PosixFile::IdentityOf(path / "below", identity), Result::NotFound)
        << "a file where a folder should be";
    testing::WriteFile(prefix.Path() / "aside", "y");
    EXPECT_EQ(PosixFile::Link(path, prefix.Path() / "aside"), Result::AlreadyExists);
    EXPECT_EQ(testing::ReadFile(prefix.Path() / "aside"), "y");
}

TEST_F(PosixFileTest, AReplacedFileHasAnotherIdentity)
{
    testing::WriteFile(path, "first");
    FileIdentity before, same, after;
    ASSERT_EQ(PosixFile::IdentityOf(path, before), Result::Ok);
    PosixFile held;
    ASSERT_EQ(held.Open(path, PosixFile::Mode::Read), Result::Ok);
    ASSERT_EQ(held.Identity(same), Result::Ok);
    EXPECT_EQ(same, before) << "by path or by descriptor alike";

    const fs::path next = prefix.Path() / "hive.new";
    testing::WriteFile(next, "first");
    ASSERT_TRUE(PosixFile::Rename(next, path));
    ASSERT_EQ(PosixFile::IdentityOf(path, after), Result::Ok);
    EXPECT_NE(after, before) << "same size and contents, another file";
}

}  // namespace
}  // namespace quorvex
