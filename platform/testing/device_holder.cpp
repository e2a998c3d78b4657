#include "platform/testing/device_holder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

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
    // Test scaffolding: a close that fails loses nothing here, and a child that cannot answer
    // makes Hold fail, so the results of the closes and of the child's calls are not needed.
    if (!Posix::Pipe(ready, O_CLOEXEC).Ok())
        return false;
    if (!Posix::Pipe(release, O_CLOEXEC).Ok()) {
        (void)Posix::Close(ready[0]);
        (void)Posix::Close(ready[1]);
        return false;
    }
    const SystemResult forked = Posix::Fork();
    if (forked.Ok() && forked.value == 0) {
        // Only async-signal-safe calls from here on: the parent may have other threads.
        // The parent's ends must go, or the release pipe would never report its end.
        (void)Posix::Close(ready[0]);
        (void)Posix::Close(release[1]);
        const SystemResult opened = Posix::Open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const int fd = opened.Ok() ? static_cast<int>(opened.value) : -1;
        const bool held =
            fd >= 0 && (convention == Convention::Flock ? Posix::Flock(fd, LOCK_EX | LOCK_NB).Ok()
                                                        : Posix::Ioctl(fd, TIOCEXCL, nullptr).Ok());
        const char answer = held ? 'y' : 'n';
        (void)Posix::Write(ready[1], &answer, 1);
        char ignored;
        (void)Posix::Read(release[0], &ignored, 1);  // returns when the parent closes its end
        if (convention == Convention::TiocExcl && fd >= 0)
            (void)Posix::Ioctl(fd, TIOCNXCL, nullptr);
        Posix::ExitNow(0);
    }
    (void)Posix::Close(ready[1]);
    (void)Posix::Close(release[0]);
    releasePipe = release[1];
    child = forked.Ok() ? static_cast<int>(forked.value) : -1;
    char answer = 'n';
    const bool heard = child > 0 && Posix::Read(ready[0], &answer, 1).value == 1;
    (void)Posix::Close(ready[0]);
    if (!heard || answer != 'y') {
        Release();
        return false;
    }
    return true;
}

void DeviceHolder::Release()
{
    if (releasePipe >= 0)
        (void)Posix::Close(releasePipe);  // as in Hold
    releasePipe = -1;
    if (child > 0) {
        int status = 0;
        (void)Posix::WaitChild(child, status);  // the child only ever exits with 0
    }
    child = -1;
}

}  // namespace quorvex
