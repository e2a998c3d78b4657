#include "platform/system/uucp_lock.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

// The PID at the start of the text, blanks before it allowed; 0 when there is none or it
// cannot be a PID, rather than one wrapped onto another process.
int Pid(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    long long pid = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        pid = pid * 10 + (text[at] - '0');
        if (pid > INT_MAX)
            return 0;
    }
    return static_cast<int>(pid);
}

}  // namespace

std::optional<int> UucpLock::Holder(const std::filesystem::path& folder,
                                    std::string_view deviceName)
{
    const std::filesystem::path lockPath = folder / ("LCK.." + std::string(deviceName));
    const SystemResult opened =
        Posix::Open(lockPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (!opened.Ok())
        return std::nullopt;
    const int lockFd = static_cast<int>(opened.value);
    char text[32];
    SystemResult got{-1, EINVAL};
    struct stat status {};
    if (Posix::Status(lockFd, status).Ok() && S_ISREG(status.st_mode))
        got = Posix::Read(lockFd, text, sizeof text);
    (void)Posix::Close(lockFd);  // read-only: nothing to lose
    if (!got.Ok())
        return std::nullopt;
    const int pid = Pid({text, static_cast<std::size_t>(got.value)});
    if (pid == 0 || pid == Posix::ProcessId() || !Posix::ProcessExists(pid))
        return std::nullopt;
    return pid;
}

}  // namespace quorvex
