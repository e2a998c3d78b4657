#pragma once

#include <filesystem>

namespace quorvex {

// Where a path leads once the symbolic links on its last component are followed, as
// open() follows them. Stateless; callable from any thread.
class LinkTarget {
public:
    // Stops after the kernel's own limit of links, or at a link it cannot read, and
    // returns the path reached so far.
    static std::filesystem::path Final(std::filesystem::path path);
};

}  // namespace quorvex
