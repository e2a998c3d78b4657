#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/folder_handle.h"

namespace quorvex {

// Whether the prefix is the user's own, so that nobody else can change what the program
// reads or make it write where they choose. The prefix is resolved first (a prefix that is
// a link, as dotfile managers make, is followed); then the folder and its folders
// (kFolders) must belong to the effective user and be writable by nobody else, and each
// folder above it must belong to root or the user and be writable by others only when it
// is sticky (as /tmp is). The check goes down from the root folder by descriptors, and the
// prefix is handed out open, so nothing can be swapped between the check and the use.
//
// A problem is a Finding, not a message: the program's start and a checking tool word it
// alike. Stateless; callable from any thread.
class PrefixCheck {
public:
    enum class Problem {
        NoLocation,        // no variable names the prefix
        Unusable,          // it cannot be resolved, made or opened (`detail` says why)
        NotAFolder,        // something else, or a link, stands where a folder belongs
        NotOwned,          // the prefix or one of its folders belongs to someone else
        WritableByOthers,  // the prefix or one of its folders: writable by group or others
        AncestorNotOwned,  // a folder above it belongs to neither root nor the user
        AncestorWritable,  // a folder above it is writable by others and not sticky
    };

    struct Finding {
        std::filesystem::path folder;
        Problem problem = Problem::Unusable;
        std::string detail;  // the mode, the owner or the system's reason
        std::string mend;    // the command that mends it; empty when no command will

        // One line for a person: the folder, what is wrong and the command that mends it.
        std::string Text() const;
    };

    // The prefix's own folders, checked with it.
    static constexpr std::array<std::string_view, 3> kFolders{"devices", "locks", "windows"};

    // Opens the prefix at `location` into `prefix`, making it and the folders above it
    // that are missing with mode 0700 first, and only below folders that passed. The
    // first problem found instead, with nothing made below it and `prefix` closed.
    static std::optional<Finding> Open(const std::filesystem::path& location, FolderHandle& prefix);
    // The same for the prefix the environment names (Prefix::Locate).
    static std::optional<Finding> Open(FolderHandle& prefix);

    // Every problem of the prefix at `location` as it stands, nothing made or changed; a
    // prefix that does not exist yet has none of its own.
    static std::vector<Finding> Inspect(const std::filesystem::path& location);
    // The same, and the prefix opened into `prefix` when it and the folders above it have
    // none (its own folders may have some: each of those is named in its finding); closed
    // otherwise, and while the prefix does not exist.
    static std::vector<Finding> Inspect(const std::filesystem::path& location,
                                        FolderHandle& prefix);

    // One of the prefix's folders (kFolders), made with mode 0700 when missing and checked
    // as the prefix is.
    static std::optional<Finding> Subfolder(const FolderHandle& prefix, std::string_view name,
                                            FolderHandle& subfolder);
};

}  // namespace quorvex
