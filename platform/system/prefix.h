#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvex {

// The folder where the platform keeps its state: the registry hives and the device map.
// It is $QUORVEX_PREFIX when set, else $XDG_CONFIG_HOME/quorvex, else
// $HOME/.config/quorvex. The environment is read on every call, so a test that points
// QUORVEX_PREFIX elsewhere is followed at once.
class Prefix {
public:
    // The folder, created with mode 0700 when it does not exist yet. Nothing when no
    // location can be told or the folder cannot be created.
    static std::optional<std::filesystem::path> Folder();

    // The folder's path without creating anything.
    static std::optional<std::filesystem::path> Locate();

    // A subfolder of the folder for one kind of state ("windows", "locks"), created with mode
    // 0700 when missing. Nothing when it cannot be made or something else stands in its way.
    static std::optional<std::filesystem::path> PrivateFolder(std::string_view name);
};

}  // namespace quorvex
