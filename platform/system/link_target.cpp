#include "platform/system/link_target.h"

#include <string>

#include "platform/system/posix.h"

namespace quorvex {

std::filesystem::path LinkTarget::Final(std::filesystem::path path)
{
    constexpr int kMaxLinks = 40;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        char target[4096];
        const SystemResult read = Posix::ReadLink(path.c_str(), target, sizeof target);
        if (!read.Ok() || static_cast<std::size_t>(read.value) >= sizeof target)
            break;
        const std::filesystem::path next(std::string(target, static_cast<std::size_t>(read.value)));
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

}  // namespace quorvex
