#include "platform/testing/device_holder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/system/posix.h"

namespace quorvex {

DeviceHolder::~DeviceHolder()
{
    Release();
}

bool DeviceHolder::Hold(const std::filesystem::path& device, Convention convention)
{
    Release();
    int ready[2];
    int release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(release, O_CLOEXEC) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here on: the parent may have other threads.
        // The parent's ends must go, or the release pipe would never report its end.
        ::close(ready[0]);
        ::close(release[1]);
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const bool held =
            fd >= 0 && (convention == Convention::Flock ? ::flock(fd, LOCK_EX | LOCK_NB) == 0
                                                        : ::ioctl(fd, TIOCEXCL) == 0);
        const char answer = held ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);  // returns when the parent closes its end
        if (convention == Convention::TiocExcl && fd >= 0)
            ::ioctl(fd, TIOCNXCL);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    releasePipe = release[1];
    child = pid;
    char answer = 'n';
    const bool heard = pid > 0 && Posix::Read(ready[0], &answer, 1).value == 1;
    ::close(ready[0]);
    if (!heard || answer != 'y') {
        Release();
        return false;
    }
    return true;
}

void DeviceHolder::Release()
{
    if (releasePipe >= 0)
        ::close(releasePipe);
    releasePipe = -1;
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    child = -1;
}

}  // namespace quorvex
