#include "platform/system/prefix.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

// Sets or clears an environment variable for the length of one test.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (previous)
            ::setenv(name, previous->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> previous;
};

// The three variables a prefix may come from, each set to a folder under the scratch root,
// to "" or left unset; and where the prefix is then expected, under that root.
struct Case {
    const char* name;
    const char* own;
    const char* config;
    const char* home;
    std::optional<fs::path> expected;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

class PrefixLocateTest : public ::testing::TestWithParam<Case> {};

TEST_P(PrefixLocateTest, FollowsTheVariablesInOrder)
{
    testing::TempPrefix scratch;
    const fs::path root = scratch.Path();
    const Case c = GetParam();
    auto under = [&](const char* value) {
        return value == nullptr || *value == '\0' ? std::string() : (root / value).string();
    };
    const std::string own = under(c.own), config = under(c.config), home = under(c.home);
    ScopedVariable prefix("QUORVEX_PREFIX", c.own ? own.c_str() : nullptr);
    ScopedVariable xdg("XDG_CONFIG_HOME", c.config ? config.c_str() : nullptr);
    ScopedVariable user("HOME", c.home ? home.c_str() : nullptr);
    if (c.expected) {
        EXPECT_EQ(Prefix::Locate(), root / *c.expected);
    } else {
        EXPECT_EQ(Prefix::Locate(), std::nullopt);
        EXPECT_EQ(Prefix::Folder(), std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Variables, PrefixLocateTest,
    ::testing::Values(Case{"OwnVariableFirst", "own", "xdg", "home", fs::path("own")},
                      Case{"ConfigHomeWhenOwnIsEmpty", "", "xdg", "home",
                           fs::path("xdg") / "quorvex"},
                      Case{"HomeWhenNeitherIsSet", nullptr, nullptr, "home",
                           fs::path("home") / ".config" / "quorvex"},
                      Case{"NothingWithoutAnyVariable", nullptr, nullptr, nullptr, std::nullopt}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(PrefixTest, CreatesAPrivateFolderOnFirstUse)
{
    testing::TempPrefix scratch;
    const fs::path wanted = scratch.Path() / "a" / "b" / "quorvex";
    ScopedVariable prefix("QUORVEX_PREFIX", wanted.c_str());
    EXPECT_FALSE(fs::exists(wanted));
    EXPECT_EQ(Prefix::Folder(), wanted);
    EXPECT_EQ(fs::status(wanted).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(Prefix::Folder(), wanted) << "an existing folder is used as it is";
}

TEST(PrefixTest, PrivateFoldersAreMadeInsideThePrefixForTheUserAlone)
{
    testing::TempPrefix scratch;
    const fs::path wanted = scratch.Path() / "new" / "quorvex";
    ScopedVariable prefix("QUORVEX_PREFIX", wanted.c_str());
    EXPECT_EQ(Prefix::PrivateFolder("windows"), wanted / "windows");
    EXPECT_EQ(fs::status(wanted / "windows").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(Prefix::PrivateFolder("windows"), wanted / "windows") << "and then used as they are";
}

// Whatever stands in the way, the answer is nothing rather than a path that is no folder.
TEST(PrefixTest, AFileInTheWayIsNoFolder)
{
    testing::TempPrefix scratch;
    std::fclose(std::fopen((scratch.Path() / "locks").c_str(), "w"));
    EXPECT_EQ(Prefix::PrivateFolder("locks"), std::nullopt);

    const fs::path blocked = scratch.Path() / "file";
    std::fclose(std::fopen(blocked.c_str(), "w"));
    ScopedVariable prefix("QUORVEX_PREFIX", blocked.c_str());
    EXPECT_EQ(Prefix::Folder(), std::nullopt);
    EXPECT_EQ(Prefix::PrivateFolder("locks"), std::nullopt);
}

}  // namespace
}  // namespace quorvex
