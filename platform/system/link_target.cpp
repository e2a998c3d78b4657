#include "platform/system/link_target.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

constexpr int kMaxLinks = 40;

// The path the link at `path` names, relative ones taken from the link's folder; nothing
// when `path` is no link that can be read.
std::optional<std::filesystem::path> Next(const std::filesystem::path& path)
{
    std::string target;
    if (!Posix::ReadLink(path.c_str(), target).Ok())
        return std::nullopt;
    const std::filesystem::path next(target);
    return next.is_absolute() ? next : path.parent_path() / next;
}

}  // namespace

std::filesystem::path LinkTarget::Final(std::filesystem::path path)
{
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        const auto next = Next(path);
        if (!next)
            break;
        path = *next;
    }
    return path;
}

std::optional<std::filesystem::path> LinkTarget::Owned(std::filesystem::path path)
{
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat status {};
        if (!Posix::StatusAt(AT_FDCWD, path.c_str(), status, false).Ok() ||
            !S_ISLNK(status.st_mode))
            return path;
        if (status.st_uid != 0 && status.st_uid != Posix::EffectiveUser())
            return std::nullopt;
        const auto next = Next(path);
        if (!next)
            return std::nullopt;
        path = *next;
    }
    return std::nullopt;
}

}  // namespace quorvex
