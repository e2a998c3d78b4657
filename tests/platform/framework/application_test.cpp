#include "platform/framework/application.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/testing/child_process.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

constexpr int kEndedWithMinusOne = 255;

// The framework's start, run as the program runs it: the probe says "ready" once its
// dialog is shown. The scratch folder holds the prefixes under test.
class ApplicationStartTest : public ::testing::Test {
protected:
    // Starts the probe on the prefix `location` and expects it to refuse the prefix: exit
    // code 255 and one line on standard error that names `folder` and `mend`.
    void ExpectRefused(const fs::path& location, const fs::path& folder, const std::string& mend)
    {
        ::setenv("QUORVEX_PREFIX", location.c_str(), 1);
        ChildProcess probe;
        ASSERT_TRUE(probe.Start(QUORVEX_INSTANCE_PROBE, {}, true));
        std::string line, more;
        ASSERT_TRUE(probe.ReadLine(line));
        if (line == "ready")
            probe.Kill();  // it started on the prefix
        EXPECT_FALSE(probe.ReadLine(more)) << "one line: " << more;
        EXPECT_EQ(probe.Wait(), kEndedWithMinusOne);
        EXPECT_TRUE(line.starts_with("instance_probe: ")) << line;
        EXPECT_NE(line.find(folder.string()), std::string::npos) << line;
        EXPECT_NE(line.find(mend), std::string::npos) << line;
    }

    static std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

    testing::TempPrefix scratch;
    const fs::path prefix = scratch.Path() / "p";
};

TEST_F(ApplicationStartTest, APrefixOthersMayWriteEndsTheStartWithNothingTouched)
{
    fs::create_directory(prefix);
    fs::permissions(prefix, fs::perms::owner_all | fs::perms::group_write);
    ExpectRefused(prefix, prefix, "chmod go-w " + Quoted(prefix));
    EXPECT_TRUE(fs::is_empty(prefix));

    const fs::path shared = scratch.Path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);
    ExpectRefused(shared / "p", shared, "chmod o-w " + Quoted(shared));
    EXPECT_TRUE(fs::is_empty(shared)) << "not even the prefix is made";
}

TEST_F(ApplicationStartTest, APrefixOfAnotherUserEndsTheStart)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the prefix to another user";
    fs::create_directory(prefix);
    fs::permissions(prefix, fs::perms::owner_all);
    ASSERT_EQ(::chown(prefix.c_str(), 65534, 65534), 0);
    ExpectRefused(prefix, prefix, "chown 0 " + Quoted(prefix));
    EXPECT_TRUE(fs::is_empty(prefix));
}

TEST_F(ApplicationStartTest, APrefixThatLinksToTheUsersOwnFolderIsUsedThere)
{
    const fs::path real = scratch.Path() / "dotfiles";
    fs::create_directory(real);
    fs::permissions(real, fs::perms::owner_all);
    fs::create_directory_symlink(real, prefix);
    ::setenv("QUORVEX_PREFIX", prefix.c_str(), 1);
    ChildProcess probe;
    ASSERT_TRUE(probe.Start(QUORVEX_INSTANCE_PROBE, {}, true));
    std::string line;
    ASSERT_TRUE(probe.ReadLine(line));
    EXPECT_EQ(line, "ready");
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(real / "windows")));
    probe.Kill();
    probe.Wait();
}

}  // namespace
}  // namespace quorvex
