#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/system/folder_handle.h"

namespace quorvex::testing {

// A fresh, empty prefix folder for one test, mode 0700 as the program wants it:
// QUORVEX_PREFIX points at it while the object lives, and the folder is removed with
// everything in it afterwards.
class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const std::filesystem::path& Path() const { return path; }

    // Maps a serial device name to a device node: devices/<name> -> target. The devices
    // folder is made with mode 0700 when missing.
    void LinkDevice(const std::string& name, const std::filesystem::path& target) const;

    // The prefix opened as the program opens it; a test fails when it cannot be.
    FolderHandle Open() const;

private:
    std::filesystem::path path;
    std::optional<std::string> previous;
};

}  // namespace quorvex::testing
