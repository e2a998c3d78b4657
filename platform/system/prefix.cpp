#include "platform/system/prefix.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

// Makes `folder` with mode 0700 unless a folder is there already.
bool MakePrivate(const std::filesystem::path& folder)
{
    const SystemResult made = Posix::MakeDirectory(folder.c_str(), 0700);
    std::error_code error;
    return made.Ok() || (made.error == EEXIST && std::filesystem::is_directory(folder, error));
}

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
    if (!MakePrivate(*folder))
        return std::nullopt;
    return folder;
}

std::optional<std::filesystem::path> Prefix::PrivateFolder(std::string_view name)
{
    const auto folder = Folder();
    if (!folder)
        return std::nullopt;
    auto subfolder = *folder / name;
    if (!MakePrivate(subfolder))
        return std::nullopt;
    return subfolder;
}

}  // namespace quorvex
