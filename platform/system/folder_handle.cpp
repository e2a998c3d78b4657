#include "platform/system/folder_handle.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "platform/system/folder_stream.h"
#include "platform/system/posix.h"

namespace quorvex {
namespace {

int FolderFlags(FolderHandle::Access access)
{
    return (access == FolderHandle::Access::Read ? O_RDONLY : O_PATH) | O_DIRECTORY | O_CLOEXEC;
}

}  // namespace

FolderHandle::~FolderHandle()
{
    Close();
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : descriptor(std::exchange(other.descriptor, -1)), path(std::move(other.path))
{
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        descriptor = std::exchange(other.descriptor, -1);
        path = std::move(other.path);
    }
    return *this;
}

SystemResult FolderHandle::Open(const std::filesystem::path& folder, Access access)
{
    Close();
    const SystemResult opened = Posix::Open(folder.c_str(), FolderFlags(access));
    if (!opened.Ok())
        return opened;
    descriptor = static_cast<int>(opened.value);
    path = folder;
    return {};
}

void FolderHandle::Close()
{
    if (descriptor >= 0)
        (void)Posix::Close(descriptor);  // only read through, or flushed by Sync
    descriptor = -1;
}

SystemResult FolderHandle::Subfolder(std::string_view name, bool create, FolderHandle& subfolder,
                                     Access access) const
{
    const std::string entry(name);
    if (create) {
        const SystemResult made = Posix::MakeDirectoryAt(descriptor, entry.c_str(), 0700);
        if (!made.Ok() && made.error != EEXIST)
            return made;
    }
    const SystemResult opened =
        Posix::OpenAt(descriptor, entry.c_str(), FolderFlags(access) | O_NOFOLLOW);
    if (!opened.Ok())
        return opened;
    subfolder.Close();
    subfolder.descriptor = static_cast<int>(opened.value);
    subfolder.path = entry == "." ? path : path / entry;
    return {};
}

bool FolderHandle::IsAt(const std::filesystem::path& other) const
{
    struct stat held {};
    struct stat named {};
    return Posix::Status(descriptor, held).Ok() && Posix::Status(other.c_str(), named).Ok() &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

std::optional<std::string> FolderHandle::ReadLink(std::string_view name) const
{
    std::string target;
    if (!Posix::ReadLinkAt(descriptor, std::string(name).c_str(), target).Ok())
        return std::nullopt;
    return target;
}

bool FolderHandle::IsLink(std::string_view name) const
{
    struct stat status {};
    return Posix::StatusAt(descriptor, std::string(name).c_str(), status, false).Ok() &&
           S_ISLNK(status.st_mode);
}

SystemResult FolderHandle::MakeLink(std::string_view name,
                                    const std::filesystem::path& target) const
{
    return Posix::SymbolicLinkAt(target.c_str(), descriptor, std::string(name).c_str());
}

bool FolderHandle::MakeFifo(std::string_view name) const
{
    return Posix::MakeFifoAt(descriptor, std::string(name).c_str(), 0600).Ok();
}

bool FolderHandle::Rename(std::string_view from, std::string_view to) const
{
    return Posix::RenameAt(descriptor, std::string(from).c_str(), std::string(to).c_str()).Ok();
}

bool FolderHandle::Remove(std::string_view name) const
{
    return Posix::UnlinkAt(descriptor, std::string(name).c_str()).Ok();
}

std::vector<std::string> FolderHandle::Entries() const
{
    std::vector<std::string> names;
    FolderStream stream;
    if (!stream.Open(*this))
        return names;
    while (const char* name = stream.Next())
        names.emplace_back(name);
    if (stream.Failed())
        names.clear();
    return names;
}

bool FolderHandle::Sync() const
{
    return Posix::Sync(descriptor).Ok();
}

}  // namespace quorvex
