#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/posix.h"

namespace quorvex {

// One open folder, owned and closed by this object. Every operation names an entry directly
// inside it and goes through the folder's descriptor, so what was checked about the folder
// when it was opened still holds when it is used: nobody can swap a folder on the way in
// between. A symbolic link at an entry is never followed, except where an operation says so.
// Move-only; the folder's operations may be called from any thread, as the system's are.
class FolderHandle {
public:
    enum class Access {
        Read,    // the full set of operations below
        Search,  // only to reach the entries inside and to ask the folder's status, which
                 // needs no permission to read the folder
    };

    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Opens the folder `path` names, links on the way followed: a place the user chose.
    // The outcome is the system's, as Posix gives it.
    SystemResult Open(const std::filesystem::path& path, Access access = Access::Read);
    bool IsOpen() const { return descriptor >= 0; }
    void Close();

    // The path the folder was opened by, for messages and for programs that want a path.
    const std::filesystem::path& Path() const { return path; }
    // The descriptor itself, for the platform's wrappers of calls made inside the folder.
    int Descriptor() const { return descriptor; }

    // The folder `name` inside this one, never through a link; with `create`, made with
    // mode 0700 first when missing. Fails with ELOOP or ENOTDIR when something else stands
    // there. The name "." opens this folder again, for instance to read what was only
    // searched.
    SystemResult Subfolder(std::string_view name, bool create, FolderHandle& subfolder,
                           Access access = Access::Read) const;

    // True while this is the folder `path` leads to, links followed.
    bool IsAt(const std::filesystem::path& path) const;

    // The target of the symbolic link `name`; nothing when `name` is no link.
    std::optional<std::string> ReadLink(std::string_view name) const;
    // True when `name` is a symbolic link.
    bool IsLink(std::string_view name) const;
    // Makes `name` a symbolic link to `target`; fails when the name is taken.
    SystemResult MakeLink(std::string_view name, const std::filesystem::path& target) const;
    bool MakeFifo(std::string_view name) const;  // mode 0600
    // Renames within the folder; a link at either name is renamed or replaced, not followed.
    bool Rename(std::string_view from, std::string_view to) const;
    bool Remove(std::string_view name) const;
    // The entries' names ("." and ".." left out); empty when the folder cannot be read.
    std::vector<std::string> Entries() const;
    // Waits until the folder's entries are on the disk.
    bool Sync() const;

private:
    int descriptor = -1;
    std::filesystem::path path;
};

}  // namespace quorvex
