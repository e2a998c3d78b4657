#pragma once

#include <filesystem>
#include <optional>

namespace quorvex {

// Where the platform keeps its state, the registry hives and the device map: the folder
// $QUORVEX_PREFIX when set, else $XDG_CONFIG_HOME/quorvex, else $HOME/.config/quorvex. The
// environment is read on every call, so a test that points QUORVEX_PREFIX elsewhere is
// followed at once. Only PrefixCheck opens the folder, once it has found it the user's own.
class Prefix {
public:
    // The folder's path, nothing made or looked at; nothing when no variable names it.
    static std::optional<std::filesystem::path> Locate();
};

}  // namespace quorvex
