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

// Whoever else may write in a folder can put a link, or a file of their own, where the
// program is about to create or lock one: it is never followed, and never written.
TEST_F(PosixFileTest, NothingIsCreatedOrLockedThroughALinkOrOverAnotherFile)
{
    const fs::path victim = prefix.Path() / "victim";
    testing::WriteFile(victim, "precious");
    const fs::path nowhere = prefix.Path() / "nowhere";
    fs::create_symlink(victim, prefix.Path() / "to-victim");
    fs::create_symlink(nowhere, prefix.Path() / "to-nowhere");
    testing::WriteFile(path, "old contents");

    PosixFile file;
    EXPECT_EQ(file.Open(path, PosixFile::Mode::CreateNew), Result::AlreadyExists);
    EXPECT_EQ(testing::ReadFile(path), "old contents");
    for (const char* link : {"to-victim", "to-nowhere"}) {
        SCOPED_TRACE(link);
        EXPECT_EQ(file.Open(prefix.Path() / link, PosixFile::Mode::CreateNew),
                  Result::AlreadyExists);
        EXPECT_EQ(file.Open(prefix.Path() / link, PosixFile::Mode::LockCompanion),
                  Result::NotRegular);
        EXPECT_EQ(file.Open(prefix.Path() / link, PosixFile::Mode::ReadUnlinked),
                  Result::NotRegular);
    }
    EXPECT_EQ(testing::ReadFile(victim), "precious");
    EXPECT_FALSE(fs::exists(nowhere)) << "nothing made at a link's target";
    EXPECT_EQ(file.Open(prefix.Path() / "to-victim", PosixFile::Mode::Read), Result::Ok)
        << "a plain read follows the link, as a hive that is a link is read";

    const fs::path fresh = prefix.Path() / "fresh";
    ASSERT_EQ(file.Open(fresh, PosixFile::Mode::CreateNew), Result::Ok);
    ASSERT_TRUE(file.WriteAll("new"));
    file.Close();
    EXPECT_EQ(testing::ReadFile(fresh), "new");
    EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all,
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
    fs::rename(next, path);
    ASSERT_EQ(PosixFile::IdentityOf(path, after), Result::Ok);
    EXPECT_NE(after, before) << "same size and contents, another file";
}

}  // namespace
}  // namespace quorvex
