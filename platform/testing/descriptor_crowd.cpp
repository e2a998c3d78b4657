#include "platform/testing/descriptor_crowd.h"

#include <algorithm>
#include <fcntl.h>

#include "platform/system/posix.h"

namespace quorvex {

DescriptorCrowd::~DescriptorCrowd()
{
    Disperse();
}

std::size_t DescriptorCrowd::Gather(std::size_t count, std::size_t perProcess)
{
    Disperse();
    int ready[2];
    int release[2];
    // Benchmark scaffolding, as DeviceHolder: a close that fails loses nothing here, and a
    // child that cannot answer only makes the crowd smaller.
    if (!Posix::Pipe(ready, O_CLOEXEC).Ok())
        return 0;
    if (!Posix::Pipe(release, O_CLOEXEC).Ok()) {
        (void)Posix::Close(ready[0]);
        (void)Posix::Close(ready[1]);
        return 0;
    }
    releasePipe = release[1];
    std::size_t asked = 0;
    while (asked < count && perProcess > 0) {
        const std::size_t share = std::min(perProcess, count - asked);
        const SystemResult forked = Posix::Fork();
        if (forked.Ok() && forked.value == 0) {
            // Only async-signal-safe calls from here on: the parent may have other threads.
            (void)Posix::Close(ready[0]);
            (void)Posix::Close(release[1]);
            (void)Posix::RaiseDescriptorLimit(share + 16);  // what it allows, it holds
            unsigned held = 0;
            while (held < share && Posix::Open("/dev/null", O_RDONLY).Ok())
                ++held;
            (void)Posix::Write(ready[1], &held, sizeof held);
            char ignored;
            (void)Posix::Read(release[0], &ignored, 1);  // returns when the parent closes its end
            Posix::ExitNow(0);
        }
        if (!forked.Ok())
            break;
        children.push_back(static_cast<int>(forked.value));
        asked += share;
    }
    (void)Posix::Close(ready[1]);
    (void)Posix::Close(release[0]);
    std::size_t held = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        unsigned one = 0;
        if (Posix::Read(ready[0], &one, sizeof one).value == sizeof one)
            held += one;
    }
    (void)Posix::Close(ready[0]);
    return held;
}

void DescriptorCrowd::Disperse()
{
    if (releasePipe >= 0)
        (void)Posix::Close(releasePipe);  // as in Gather
    releasePipe = -1;
    for (const int child : children) {
        int status = 0;
        (void)Posix::WaitChild(child, status);  // the children only ever exit with 0
    }
    children.clear();
}

}  // namespace quorvex
