#include "platform/system/prefix_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;
using Problem = PrefixCheck::Problem;

constexpr fs::perms kPrivate = fs::perms::owner_all;

fs::perms Mode(const fs::path& path)
{
    return fs::symlink_status(path).permissions() & fs::perms::mask;
}

// The scratch folder stands for the folders above a prefix; `prefix` is where one goes.
class PrefixCheckTest : public ::testing::Test {
protected:
    // The one problem the start would report, checked to name `folder` and `mend`.
    static void ExpectRefused(const fs::path& location, Problem problem, const fs::path& folder,
                              const std::string& mend)
    {
        FolderHandle opened;
        const auto finding = PrefixCheck::Open(location, opened);
        ASSERT_TRUE(finding) << "accepted";
        EXPECT_EQ(finding->problem, problem) << finding->Text();
        EXPECT_EQ(finding->folder, folder);
        EXPECT_EQ(finding->mend, mend);
        EXPECT_FALSE(opened.IsOpen());
        const std::string text = finding->Text();
        EXPECT_NE(text.find(folder.string()), std::string::npos) << text;
        EXPECT_NE(text.find(mend), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), std::string::npos) << "one line";
    }

    static std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

    testing::TempPrefix scratch;
    const fs::path prefix = scratch.Path() / "p";
};

TEST_F(PrefixCheckTest, AMissingPrefixAndTheFoldersAboveItAreMadeForTheUserAlone)
{
    const fs::path wanted = scratch.Path() / "a" / "b" / "quorvex";
    EXPECT_TRUE(PrefixCheck::Inspect(wanted).empty());
    EXPECT_FALSE(fs::exists(scratch.Path() / "a")) << "looking makes nothing";

    const mode_t before = ::umask(002);  // the umask many systems give their users
    FolderHandle folder;
    const auto finding = PrefixCheck::Open(wanted, folder);
    ::umask(before);
    ASSERT_FALSE(finding) << finding->Text();
    EXPECT_EQ(folder.Path(), wanted);
    EXPECT_EQ(Mode(scratch.Path() / "a"), kPrivate);
    EXPECT_EQ(Mode(scratch.Path() / "a" / "b"), kPrivate);
    EXPECT_EQ(Mode(wanted), kPrivate);

    FolderHandle windows;
    ASSERT_FALSE(PrefixCheck::Subfolder(folder, "windows", windows));
    EXPECT_EQ(Mode(wanted / "windows"), kPrivate);
    ASSERT_FALSE(PrefixCheck::Open(wanted, folder)) << "and then used as they are";
    EXPECT_TRUE(PrefixCheck::Inspect(wanted).empty());
}

TEST_F(PrefixCheckTest, APrefixOrAFolderOfItThatOthersMayWriteIsRefusedWithNothingTouched)
{
    fs::create_directory(prefix);
    fs::permissions(prefix, kPrivate | fs::perms::group_write);
    ExpectRefused(prefix, Problem::WritableByOthers, prefix, "chmod go-w " + Quoted(prefix));
    EXPECT_TRUE(fs::is_empty(prefix));

    fs::permissions(prefix, kPrivate);
    for (const char* name : {"devices", "locks", "windows"}) {
        SCOPED_TRACE(name);
        fs::create_directory(prefix / name);
        fs::permissions(prefix / name, kPrivate | fs::perms::others_write);
        ExpectRefused(prefix, Problem::WritableByOthers, prefix / name,
                      "chmod go-w " + Quoted(prefix / name));
        EXPECT_EQ(std::distance(fs::directory_iterator(prefix), fs::directory_iterator()), 1);
        fs::remove(prefix / name);
    }
}

// A look at the prefix hands it out, to read what is safe, only while it and the folders
// above it pass; a folder of its own that fails is its own finding.
TEST_F(PrefixCheckTest, ALookHandsOutThePrefixOnlyWhenItAndTheFoldersAboveItPass)
{
    fs::create_directory(prefix);
    fs::permissions(prefix, kPrivate);
    fs::create_directory(prefix / "windows");
    fs::permissions(prefix / "windows", kPrivate | fs::perms::group_write);
    FolderHandle folder;
    auto findings = PrefixCheck::Inspect(prefix, folder);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].folder, prefix / "windows");
    ASSERT_TRUE(folder.IsOpen()) << "the prefix itself passes";
    EXPECT_TRUE(folder.IsAt(prefix));

    fs::permissions(prefix, kPrivate | fs::perms::others_write);
    findings = PrefixCheck::Inspect(prefix, folder);
    EXPECT_EQ(findings.size(), 2u);
    EXPECT_FALSE(folder.IsOpen()) << "nothing in a prefix others may write is read";

    fs::permissions(prefix, kPrivate);
    fs::permissions(scratch.Path(), kPrivate | fs::perms::others_write);
    findings = PrefixCheck::Inspect(prefix, folder);
    fs::permissions(scratch.Path(), kPrivate);
    EXPECT_FALSE(folder.IsOpen()) << "nor in one below a folder others may write";

    FolderHandle missing;
    EXPECT_TRUE(PrefixCheck::Inspect(scratch.Path() / "none", missing).empty());
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(fs::exists(scratch.Path() / "none"));
}

TEST_F(PrefixCheckTest, AFolderAboveThatOthersMayWriteCountsOnlyWhenItIsNotSticky)
{
    const fs::path shared = scratch.Path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);
    const fs::path inside = shared / "p";
    ExpectRefused(inside, Problem::AncestorWritable, shared, "chmod o-w " + Quoted(shared));
    EXPECT_FALSE(fs::exists(inside)) << "nothing made below a folder that failed";

    fs::create_directory(inside);
    fs::permissions(inside, kPrivate);
    const auto findings = PrefixCheck::Inspect(inside);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].folder, shared);

    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    FolderHandle folder;
    EXPECT_FALSE(PrefixCheck::Open(inside, folder)) << "as /tmp is";
}

TEST_F(PrefixCheckTest, APrefixThatIsALinkIsFollowedButNoFolderOfItMayBeOne)
{
    const fs::path real = scratch.Path() / "dotfiles" / "quorvex";
    fs::create_directories(real);
    fs::permissions(real, kPrivate);
    fs::create_directory_symlink(real, prefix);
    FolderHandle folder;
    ASSERT_FALSE(PrefixCheck::Open(prefix, folder));
    EXPECT_EQ(folder.Path(), real) << "the checked folder is the link's target";

    fs::create_directory_symlink(real, real / "locks");
    ExpectRefused(prefix, Problem::NotAFolder, real / "locks",
                  "mv " + Quoted(real / "locks") + " " + Quoted(real / "locks.aside"));
    fs::remove(real / "locks");
    FolderHandle locks;
    fs::create_directory_symlink(scratch.Path(), real / "locks");
    const auto finding = PrefixCheck::Subfolder(folder, "locks", locks);
    ASSERT_TRUE(finding);
    EXPECT_EQ(finding->problem, Problem::NotAFolder);
    EXPECT_FALSE(locks.IsOpen());
}

// Root passes every permission check of the system, so only ownership tells; another
// user's folder is made by handing one over, which only root can.
TEST_F(PrefixCheckTest, AFolderOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    constexpr uid_t kStranger = 65534;
    const std::string me = std::to_string(::geteuid());
    fs::create_directory(prefix);
    fs::permissions(prefix, kPrivate);
    ASSERT_EQ(::chown(prefix.c_str(), kStranger, kStranger), 0);
    ExpectRefused(prefix, Problem::NotOwned, prefix, "chown " + me + " " + Quoted(prefix));

    const fs::path theirs = scratch.Path() / "theirs";
    fs::create_directory(theirs);
    ASSERT_EQ(::chown(theirs.c_str(), kStranger, kStranger), 0);
    ExpectRefused(theirs / "p", Problem::AncestorNotOwned, theirs,
                  "chown " + me + " " + Quoted(theirs));
}

}  // namespace
}  // namespace quorvex
