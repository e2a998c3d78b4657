#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quorvex {

// What a port name stands for on this system: "COMn:" in any case, the colon optional, n a
// decimal number from 1, is the link `<prefix>/devices/comn` when that exists and
// /dev/ttyS<n-1> otherwise; a name starting with '/' is a device path as it stands. Anything
// else names nothing. Callable from any thread.
class PortName {
public:
    static std::optional<unsigned> Number(std::wstring_view name);

    // The link is returned as it stands, not followed. Without a prefix only the fallback
    // device is considered.
    static std::optional<std::filesystem::path> Resolve(
        std::wstring_view name, const std::optional<std::filesystem::path>& prefix);
};

}  // namespace quorvex
