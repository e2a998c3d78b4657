#include "platform/system/posix_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "platform/system/folder_handle.h"
#include "platform/system/posix.h"

namespace quorvex {
namespace {

PosixFile::Result FromError(int error)
{
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return PosixFile::Result::NotFound;
        case EEXIST:
            return PosixFile::Result::AlreadyExists;
        default:
            return PosixFile::Result::Failed;
    }
}

FileIdentity ToIdentity(const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size),
            status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec,
            status.st_ctim.tv_sec * 1'000'000'000LL + status.st_ctim.tv_nsec};
}

}  // namespace

PosixFile::~PosixFile()
{
    Close();
}

PosixFile::PosixFile(PosixFile&& other) noexcept : descriptor(std::exchange(other.descriptor, -1))
{
}

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept
{
    if (this != &other) {
        Close();
        descriptor = std::exchange(other.descriptor, -1);
    }
    return *this;
}

PosixFile::Result PosixFile::Open(const std::filesystem::path& path, Mode mode)
{
    return OpenAt(AT_FDCWD, path.c_str(), mode);
}

PosixFile::Result PosixFile::Open(const FolderHandle& folder, std::string_view name, Mode mode)
{
    return OpenAt(folder.Descriptor(), std::string(name).c_str(), mode);
}

PosixFile::Result PosixFile::OpenAt(int folder, const char* name, Mode mode)
{
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY | O_NONBLOCK | O_NOCTTY;
            break;
        case Mode::ReadUnlinked:
            flags |= O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW;
            break;
        case Mode::CreateNew:
            flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
            break;
        case Mode::LockCompanion:
            flags |= O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY;
            break;
    }
    const SystemResult opened = Posix::OpenAt(folder, name, flags, 0600);
    if (!opened.Ok()) {
        // O_NOFOLLOW refuses a link with ELOOP: something other than the file asked for.
        if (opened.error == ELOOP && mode != Mode::Read)
            return mode == Mode::CreateNew ? Result::AlreadyExists : Result::NotRegular;
        return FromError(opened.error);
    }
    descriptor = static_cast<int>(opened.value);
    struct stat status {};
    if ((mode == Mode::Read || mode == Mode::ReadUnlinked) &&
        (!Posix::Status(descriptor, status).Ok() || !S_ISREG(status.st_mode))) {
        Close();
        return Result::NotRegular;
    }
    // The mode asked for may have lost bits to the umask; the file is the user's alone.
    if (mode == Mode::CreateNew && !Posix::ChangeMode(descriptor, 0600).Ok()) {
        Close();
        return Result::Failed;
    }
    return Result::Ok;
}

void PosixFile::Close()
{
    if (descriptor >= 0) {
        // Nothing is written through a descriptor after its Sync, so a failed close loses
        // nothing.
        (void)Posix::Close(descriptor);
        descriptor = -1;
    }
}

bool PosixFile::LockExclusive()
{
    return Posix::Flock(descriptor, LOCK_EX).Ok();
}

bool PosixFile::TryLockExclusive()
{
    return Posix::Flock(descriptor, LOCK_EX | LOCK_NB).Ok();
}

PosixFile::Result PosixFile::Identity(FileIdentity& identity) const
{
    struct stat status {};
    if (const SystemResult got = Posix::Status(descriptor, status); !got.Ok())
        return FromError(got.error);
    identity = ToIdentity(status);
    return Result::Ok;
}

PosixFile::Result PosixFile::ReadAll(std::string& text, std::uint64_t limit)
{
    text.clear();
    char chunk[16384];
    for (;;) {
        const SystemResult got = Posix::Read(descriptor, chunk, sizeof chunk);
        if (!got.Ok())
            return Result::Failed;
        const auto count = static_cast<std::size_t>(got.value);
        if (count == 0)
            return Result::Ok;
        if (text.size() + count > limit) {
            text.clear();
            return Result::TooLarge;
        }
        text.append(chunk, count);
    }
}

bool PosixFile::WriteAll(std::string_view text)
{
    while (!text.empty()) {
        const SystemResult sent = Posix::Write(descriptor, text.data(), text.size());
        if (!sent.Ok() || sent.value == 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(sent.value));
    }
    return true;
}

bool PosixFile::Sync()
{
    return Posix::Sync(descriptor).Ok();
}

PosixFile::Result PosixFile::IdentityOf(const std::filesystem::path& path, FileIdentity& identity)
{
    return IdentityAt(AT_FDCWD, path.c_str(), identity);
}

PosixFile::Result PosixFile::IdentityOf(const FolderHandle& folder, std::string_view name,
                                        FileIdentity& identity)
{
    return IdentityAt(folder.Descriptor(), std::string(name).c_str(), identity);
}

PosixFile::Result PosixFile::IdentityAt(int folder, const char* name, FileIdentity& identity)
{
    struct stat status {};
    if (const SystemResult got = Posix::StatusAt(folder, name, status, true); !got.Ok())
        return FromError(got.error);
    if (!S_ISREG(status.st_mode))
        return Result::NotRegular;
    identity = ToIdentity(status);
    return Result::Ok;
}

PosixFile::Result PosixFile::Link(const std::filesystem::path& from,
                                  const std::filesystem::path& to)
{
    if (const SystemResult linked = Posix::Link(from.c_str(), to.c_str()); !linked.Ok())
        return FromError(linked.error);
    return Result::Ok;
}

}  // namespace quorvex
