#include "platform/system/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/system/folder_handle.h"
#include "platform/system/posix.h"
#include "platform/system/prefix_check.h"
#include "platform/system/utf8.h"

namespace quorvex {
namespace {

// The name may be longer than a file name can be and may hold any character, so the file
// is named by a hash of it; the name itself is written inside for whoever looks.
std::string FileNameFor(const std::string& name)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%016llx.lock", static_cast<unsigned long long>(hash));
    return buffer;
}

}  // namespace

NamedMutex::~NamedMutex()
{
    Close();
}

NamedMutex::Result NamedMutex::Create(const FolderHandle& prefix, std::wstring_view name)
{
    Close();
    FolderHandle locks;
    if (PrefixCheck::Subfolder(prefix, "locks", locks))
        return Result::Failed;
    const std::string utf8 = ToUtf8(name);
    const SystemResult opened =
        Posix::OpenAt(locks.Descriptor(), FileNameFor(utf8).c_str(),
                      O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (!opened.Ok())
        return Result::Failed;
    const int fd = static_cast<int>(opened.value);
    const SystemResult locked = Posix::Flock(fd, LOCK_EX | LOCK_NB);
    if (!locked.Ok()) {
        (void)Posix::Close(fd);  // never locked, so nothing is lost
        return locked.error == EWOULDBLOCK ? Result::AlreadyExists : Result::Failed;
    }
    // Only the holder writes the name, for whoever looks; a lock file without it works alike.
    if (Posix::Truncate(fd, 0).Ok()) {
        const std::string line = utf8 + "\n";
        (void)Posix::Write(fd, line.data(), line.size());
    }
    descriptor = fd;
    return Result::Created;
}

void NamedMutex::Close()
{
    // The kernel drops the lock with the descriptor whatever close reports.
    if (descriptor >= 0)
        (void)Posix::Close(descriptor);
    descriptor = -1;
}

}  // namespace quorvex
