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

TEST(PrefixTest, FollowsTheVariablesInOrder)
{
    testing::TempPrefix scratch;
    const fs::path root = scratch.Path();
    {
        ScopedVariable prefix("QUORVEX_PREFIX", (root / "own").c_str());
        ScopedVariable config("XDG_CONFIG_HOME", (root / "xdg").c_str());
        EXPECT_EQ(Prefix::Locate(), root / "own");
    }
    {
        ScopedVariable prefix("QUORVEX_PREFIX", "");
        ScopedVariable config("XDG_CONFIG_HOME", (root / "xdg").c_str());
        EXPECT_EQ(Prefix::Locate(), root / "xdg" / "quorvex");
    }
    {
        ScopedVariable prefix("QUORVEX_PREFIX", nullptr);
        ScopedVariable config("XDG_CONFIG_HOME", nullptr);
        ScopedVariable home("HOME", (root / "home").c_str());
        EXPECT_EQ(Prefix::Locate(), root / "home" / ".config" / "quorvex");
    }
    {
        ScopedVariable prefix("QUORVEX_PREFIX", nullptr);
        ScopedVariable config("XDG_CONFIG_HOME", nullptr);
        ScopedVariable home("HOME", nullptr);
        EXPECT_EQ(Prefix::Locate(), std::nullopt);
        EXPECT_EQ(Prefix::Folder(), std::nullopt);
    }
}

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

TEST(PrefixTest, AFileInTheWayIsNoFolder)
{
    testing::TempPrefix scratch;
    const fs::path blocked = scratch.Path() / "file";
    std::fclose(std::fopen(blocked.c_str(), "w"));
    ScopedVariable prefix("QUORVEX_PREFIX", blocked.c_str());
    EXPECT_EQ(Prefix::Folder(), std::nullopt);
}

}  // namespace
}  // namespace quorvex
