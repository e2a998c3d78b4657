#include "platform/system/program_file.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

TEST(ProgramFileTest, ApplicationNameDropsDirectoryAndExtension)
{
    EXPECT_EQ(ProgramFile::ApplicationName(L"\\Windows\\Quorvex.exe"), L"Quorvex");
    EXPECT_EQ(ProgramFile::ApplicationName(L"/usr/local/bin/quorvex"), L"quorvex");
    EXPECT_EQ(ProgramFile::ApplicationName(L"C:Relay.tar.gz"), L"Relay.tar");
    EXPECT_EQ(ProgramFile::ApplicationName(L"/opt/my.tools/bridge"), L"bridge")
        << "a dot in a directory is no extension";
    EXPECT_EQ(ProgramFile::ApplicationName(L"/opt/gps v1.2 beta"), L"gps v1.2 beta")
        << "a space after the dot means there is no extension";
    EXPECT_EQ(ProgramFile::ApplicationName(L".hidden"), L"");
    EXPECT_EQ(ProgramFile::ApplicationName(L"/bin/"), L"");
}

TEST(ProgramFileTest, PathNamesThisTestProgram)
{
    const std::wstring path = ProgramFile::Path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), L'/');
    EXPECT_EQ(ProgramFile::ApplicationName(path), L"platform_system_test");
}

}  // namespace
}  // namespace quorvex
