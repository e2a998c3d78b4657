#include "platform/system/posix_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/system/system_call.h"

namespace quorvex {
namespace {

PosixFile::Result FromErrno()
{
    switch (errno) {
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
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY | O_NONBLOCK;
            break;
        case Mode::Replace:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::LockCompanion:
            flags |= O_RDWR | O_CREAT;
            break;
        case Mode::Folder:
            flags |= O_RDONLY | O_DIRECTORY;
            break;
    }
    const int opened = RetryInterrupted([&] { return ::open(path.c_str(), flags, 0600); });
    if (opened < 0)
        return FromErrno();
    descriptor = opened;
    struct stat status {};
    if (mode == Mode::Read &&
        (RetryInterrupted([&] { return ::fstat(descriptor, &status); }) != 0 ||
         !S_ISREG(status.st_mode))) {
        Close();
        return Result::NotRegular;
    }
    // A file left by an earlier run may carry a wider mode than the one asked for.
    if (mode == Mode::Replace &&
        RetryInterrupted([&] { return ::fchmod(descriptor, 0600); }) != 0) {
        Close();
        return Result::Failed;
    }
    return Result::Ok;
}

void PosixFile::Close()
{
    if (descriptor >= 0) {
        // Nothing is written through a descriptor after its Sync, so a failed close loses
        // nothing; and close must not be retried on Linux.
        ::close(descriptor);
        descriptor = -1;
    }
}

bool PosixFile::LockExclusive()
{
    return RetryInterrupted([&] { return ::flock(descriptor, LOCK_EX); }) == 0;
}

bool PosixFile::TryLockExclusive()
{
    return RetryInterrupted([&] { return ::flock(descriptor, LOCK_EX | LOCK_NB); }) == 0;
}

PosixFile::Result PosixFile::Identity(FileIdentity& identity) const
{
    struct stat status {};
    if (RetryInterrupted([&] { return ::fstat(descriptor, &status); }) != 0)
        return FromErrno();
    identity = ToIdentity(status);
    return Result::Ok;
}

PosixFile::Result PosixFile::ReadAll(std::string& text, std::uint64_t limit)
{
    text.clear();
    char chunk[16384];
    for (;;) {
        const ssize_t count =
            RetryInterrupted([&] { return ::read(descriptor, chunk, sizeof chunk); });
        if (count < 0)
            return Result::Failed;
        if (count == 0)
            return Result::Ok;
        if (text.size() + static_cast<std::size_t>(count) > limit) {
            text.clear();
            return Result::TooLarge;
        }
        text.append(chunk, static_cast<std::size_t>(count));
    }
}

bool PosixFile::WriteAll(std::string_view text)
{
    while (!text.empty()) {
        const ssize_t count =
            RetryInterrupted([&] { return ::write(descriptor, text.data(), text.size()); });
        if (count <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

bool PosixFile::Sync()
{
    return RetryInterrupted([&] { return ::fsync(descriptor); }) == 0;
}

PosixFile::Result PosixFile::IdentityOf(const std::filesystem::path& path, FileIdentity& identity)
{
    struct stat status {};
    if (RetryInterrupted([&] { return ::stat(path.c_str(), &status); }) != 0)
        return FromErrno();
    if (!S_ISREG(status.st_mode))
        return Result::NotRegular;
    identity = ToIdentity(status);
    return Result::Ok;
}

bool PosixFile::Rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    return RetryInterrupted([&] { return ::rename(from.c_str(), to.c_str()); }) == 0;
}

PosixFile::Result PosixFile::Link(const std::filesystem::path& from,
                                  const std::filesystem::path& to)
{
    if (RetryInterrupted([&] { return ::link(from.c_str(), to.c_str()); }) != 0)
        return FromErrno();
    return Result::Ok;
}

bool PosixFile::Remove(const std::filesystem::path& path)
{
    return RetryInterrupted([&] { return ::unlink(path.c_str()); }) == 0;
}

}  // namespace quorvex
