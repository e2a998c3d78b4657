#include "platform/display/program_display.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/system/program_file.h"
#include "platform/system/shared_library.h"
#include "platform/system/utf8.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDisplayTest, TheModuleLiesInLibQuorvexBesideTheProgramsFolder)
{
    EXPECT_EQ(ProgramDisplay::ModulePath("/usr/bin/quorvex"), "/usr/lib/quorvex/quorvex-pixel.so");
    EXPECT_EQ(ProgramDisplay::ModulePath("/home/ann/build/default/app/quorvex"),
              "/home/ann/build/default/lib/quorvex/quorvex-pixel.so");
}

// This test program's own module folder holds a module of another version (the build puts
// fake_display_module there); standard input is /dev/null, as a launcher gives it.
TEST(ProgramDisplayTest, AModuleOfAnotherVersionIsRefusedWithBothVersionsSaid)
{
    const int saved = ::dup(STDIN_FILENO);
    const int nothing = ::open("/dev/null", O_RDONLY);
    ASSERT_EQ(::dup2(nothing, STDIN_FILENO), STDIN_FILENO);
    ::close(nothing);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // a platform that needs no server
    EXPECT_EQ(ProgramDisplay::Choose(), ProgramDisplay::Choice::Window);
    ProgramDisplay source;
    std::string error;
    EXPECT_EQ(source.Open({}, error), nullptr);
    EXPECT_NE(error.find(ProgramDisplay::ModulePath(ToUtf8(ProgramFile::Path())) +
                         " is of version 0.0-test, this program of " QUORVEX_VERSION),
              std::string::npos)
        << error;
    // No display to say it on either.
    EXPECT_EQ(source.OpenForMessage({}), nullptr);
    ::unsetenv("QT_QPA_PLATFORM");
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

TEST(SharedLibraryTest, OnlyAnAbsolutePathToAFileNobodyElseMayWriteIsLoaded)
{
    testing::TempPrefix folder;
    const fs::path module = ProgramDisplay::ModulePath(ToUtf8(ProgramFile::Path()));
    const fs::path copy = folder.Path() / "module.so";
    fs::copy_file(module, copy);
    std::string error;
    SharedLibrary missing;
    EXPECT_FALSE(missing.Load((folder.Path() / "none.so").string(), error));
    EXPECT_EQ(error, (folder.Path() / "none.so").string() + " is missing");
    EXPECT_FALSE(SharedLibrary().Load("module.so", error));
    EXPECT_EQ(error, "module.so is not an absolute path");

    fs::permissions(copy, fs::perms::others_write, fs::perm_options::add);
    SharedLibrary open;
    EXPECT_FALSE(open.Load(copy.string(), error));
    EXPECT_EQ(error, copy.string() + " may be written by others");
    fs::permissions(copy, fs::perms::others_write, fs::perm_options::remove);
    EXPECT_TRUE(open.Load(copy.string(), error)) << error;
    EXPECT_NE(open.Symbol("quorvex_display_module_open"), nullptr);

    const fs::path text = folder.Path() / "text.so";
    std::ofstream(text) << "not a library\n";
    EXPECT_FALSE(SharedLibrary().Load(text.string(), error));
    EXPECT_TRUE(error.starts_with(text.string() + " cannot be loaded: ")) << error;
}

}  // namespace
}  // namespace quorvex
