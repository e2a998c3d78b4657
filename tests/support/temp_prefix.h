#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvex::testing {

// A fresh, empty prefix folder for one test: QUORVEX_PREFIX points at it while the object
// lives, and the folder is removed with everything in it afterwards.
class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const std::filesystem::path& Path() const { return path; }

    // Maps a serial device name to a device node: devices/<name> -> target.
    void LinkDevice(const std::string& name, const std::filesystem::path& target) const;

private:
    std::filesystem::path path;
    std::optional<std::string> previous;
};

}  // namespace quorvex::testing
