#include "tests/support/temp_prefix.h"

#include <cstdlib>
#include <random>

#include <gtest/gtest.h>

#include "platform/system/prefix_check.h"

namespace quorvex::testing {

TempPrefix::TempPrefix()
{
    if (const char* value = std::getenv("QUORVEX_PREFIX"))
        previous = value;
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    do {
        path = base / ("quorvex-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path));
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    ::setenv("QUORVEX_PREFIX", path.c_str(), 1);
}

TempPrefix::~TempPrefix()
{
    if (previous)
        ::setenv("QUORVEX_PREFIX", previous->c_str(), 1);
    else
        ::unsetenv("QUORVEX_PREFIX");
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

void TempPrefix::LinkDevice(const std::string& name, const std::filesystem::path& target) const
{
    if (std::filesystem::create_directory(path / "devices"))
        std::filesystem::permissions(path / "devices", std::filesystem::perms::owner_all);
    std::filesystem::create_symlink(target, path / "devices" / name);
}

FolderHandle TempPrefix::Open() const
{
    FolderHandle folder;
    const auto finding = PrefixCheck::Open(path, folder);
    EXPECT_FALSE(finding) << finding->Text();
    return folder;
}

}  // namespace quorvex::testing
