#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/prefix.h"
#include "platform/utf8.h"

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

NamedMutex::Result NamedMutex::Create(std::wstring_view name)
{
    Close();
    const auto folder = Prefix::Folder();
    if (!folder)
        return Result::Failed;
    const auto locks = *folder / "locks";
    if (::mkdir(locks.c_str(), 0700) != 0 && errno != EEXIST)
        return Result::Failed;
    const std::string utf8 = ToUtf8(name);
    const auto path = locks / FileNameFor(utf8);
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Result::Failed;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::AlreadyExists : Result::Failed;
    }
    // Only the holder writes the name; a failed write leaves an unnamed but working lock.
    if (::ftruncate(fd, 0) == 0) {
        const std::string line = utf8 + "\n";
        [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    }
    descriptor = fd;
    return Result::Created;
}

void NamedMutex::Close()
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

}  // namespace quorvex
