#include "platform/system/prefix.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/system/prefix_check.h"
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
        FolderHandle folder;
        const auto finding = PrefixCheck::Open(folder);
        ASSERT_TRUE(finding);
        EXPECT_EQ(finding->problem, PrefixCheck::Problem::NoLocation);
        EXPECT_FALSE(folder.IsOpen());
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

}  // namespace
}  // namespace quorvex
