#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvex {

// Which device a device node or a descriptor stands for: the same device has the same
// number under any path, and another device has another.
struct DeviceNumber {
    unsigned major = 0;
    unsigned minor = 0;

    friend bool operator==(const DeviceNumber&, const DeviceNumber&) = default;
};

// Which file a lock is on: the device of the file system it lives on, and its inode. For a
// device node that is the node, not the device: a lock taken through another node of the
// same device is on another file.
struct FileNumber {
    unsigned major = 0;
    unsigned minor = 0;
    std::uint64_t inode = 0;

    friend bool operator==(const FileNumber&, const FileNumber&) = default;
};

// What the system tells of its processes, as far as finding who holds a device needs it:
// the live system's (ProcFolder), or a test's stand-in. Every call may come from any
// thread, and none waits for another process.
class ProcessTable {
public:
    virtual ~ProcessTable() = default;

    // Calls `visit` with the id of each process, until it returns false.
    virtual void ForEachProcess(const std::function<bool(int pid)>& visit) const = 0;

    // Calls `visit` with each descriptor that process `pid` holds, and the character device
    // it is open on (nothing for any other kind of file), until it returns false.
    virtual void ForEachDescriptor(
        int pid,
        const std::function<bool(int descriptor, std::optional<DeviceNumber> device)>& visit)
        const = 0;

    // The character device that descriptor `descriptor` of process `pid` is open on now.
    virtual std::optional<DeviceNumber> DeviceOf(int pid, int descriptor) const = 0;

    // When that descriptor, open on `device`, is the master side of a pseudo-terminal
    // pair: the device of the pair's slave side, the line whose far end it is.
    virtual std::optional<DeviceNumber> SlaveOf(int pid, int descriptor,
                                                DeviceNumber device) const = 0;

    // Calls `visit` with each lock held on a file (flock, fcntl or lockf; a process that
    // waits for a lock holds none) and the process that took it, until it returns false.
    virtual void ForEachLock(const std::function<bool(int pid, FileNumber file)>& visit) const = 0;

    // The name of process `pid` (its comm); empty when it is gone.
    virtual std::string Command(int pid) const = 0;
};

}  // namespace quorvex
