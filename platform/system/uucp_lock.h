#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvex {

// The UUCP lock file LCK..<device> that other programs leave in a lock folder while they
// hold a device: its PID as text ("%10d\n"); binary PIDs of old tools are not honoured.
// Callable from any thread.
class UucpLock {
public:
    // The live process, other than this one, that the lock for `deviceName` (a file name
    // such as "ttyUSB0") names. The folder is writable by everyone, so whatever sits under
    // the name is opened without blocking and only read when it is a regular file, a link
    // is not followed, and only the first bytes are read.
    static std::optional<int> Holder(const std::filesystem::path& folder,
                                     std::string_view deviceName);
};

}  // namespace quorvex
