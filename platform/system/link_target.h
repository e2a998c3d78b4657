#pragma once

#include <filesystem>
#include <optional>

namespace quorvex {

// Where a path leads once the symbolic links on its last component are followed, as
// open() follows them. Stateless; callable from any thread.
class LinkTarget {
public:
    // Stops after the kernel's own limit of links, or at a link it cannot read, and
    // returns the path reached so far.
    static std::filesystem::path Final(std::filesystem::path path);

    // The same for a path about to be written, but only through links that belong to the
    // user or to root: a link that someone else put in a folder they may write to would
    // send the write wherever they chose. Nothing when such a link is on the way, or the
    // links do not end within the kernel's limit.
    static std::optional<std::filesystem::path> Owned(std::filesystem::path path);
};

}  // namespace quorvex
