#include "platform/system/prefix.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace quorvex {
namespace {

std::optional<std::string> NonEmptyVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

}  // namespace

std::optional<std::filesystem::path> Prefix::Locate()
{
    if (auto prefix = NonEmptyVariable("QUORVEX_PREFIX"))
        return std::filesystem::path(*prefix);
    if (auto config = NonEmptyVariable("XDG_CONFIG_HOME"))
        return std::filesystem::path(*config) / "quorvex";
    if (auto home = NonEmptyVariable("HOME"))
        return std::filesystem::path(*home) / ".config" / "quorvex";
    return std::nullopt;
}

std::optional<std::filesystem::path> Prefix::Folder()
{
    auto folder = Locate();
    if (!folder)
        return std::nullopt;
    std::error_code error;
    if (std::filesystem::is_directory(*folder, error))
        return folder;
    // Parents are made with the usual mode; only the prefix itself is private.
    if (folder->has_parent_path())
        std::filesystem::create_directories(folder->parent_path(), error);
    if (::mkdir(folder->c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    if (!std::filesystem::is_directory(*folder, error))
        return std::nullopt;
    return folder;
}

}  // namespace quorvex
