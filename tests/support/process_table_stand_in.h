#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry/process_table.h"
#include "platform/threads/event.h"

namespace quorvex::testing {

// A process table that a test fills in: processes, their names and the descriptors they
// hold on devices. A scan can be held at its start until the test lets it go, to show that
// nobody else waits for it. Any thread may call it.
class ProcessTableStandIn final : public ProcessTable {
public:
    // A held scan gives up after this long, as a test that waited for it would hang.
    static constexpr std::chrono::seconds kGiveUp{20};
    // Process ids from here on belong to no real process (the kernel's ids stay below
    // 1 << 22), so a made-up process is never this test or one of its children.
    static constexpr int kFirstMadeUpPid = 1 << 23;

    // The device a node stands for, and the node itself as a file to lock.
    static DeviceNumber NodeDevice(const std::filesystem::path& node);
    static FileNumber NodeFile(const std::filesystem::path& node);

    // Process `pid`, named `command`, runs.
    void Start(int pid, const std::string& command);
    // It holds `descriptor` open on `device`.
    void Hold(int pid, int descriptor, DeviceNumber device);
    // It holds `descriptor` open on the master side of the pair whose slave is `slave`.
    void HoldMaster(int pid, int descriptor, DeviceNumber slave);
    // It holds a lock on `file`.
    void Lock(int pid, FileNumber file);
    // It has closed that descriptor.
    void Close(int pid, int descriptor);

    // Each scan from now on waits at its start until Unblock.
    void Block();
    void Unblock();
    // Waits until a scan waits at its start.
    void WaitForBlockedScan();
    // Whether a held scan gave up waiting.
    bool GaveUp() const;
    // How many scans have begun.
    std::size_t Scans() const;

    void ForEachProcess(const std::function<bool(int pid)>& visit) const override;
    void ForEachDescriptor(
        int pid,
        const std::function<bool(int descriptor, std::optional<DeviceNumber> device)>& visit)
        const override;
    std::optional<DeviceNumber> DeviceOf(int pid, int descriptor) const override;
    std::optional<DeviceNumber> SlaveOf(int pid, int descriptor,
                                        DeviceNumber device) const override;
    void ForEachLock(const std::function<bool(int pid, FileNumber file)>& visit) const override;
    std::string Command(int pid) const override;

private:
    struct Process {
        std::string command;
        std::map<int, DeviceNumber> descriptors;
        std::map<int, DeviceNumber> masters;  // descriptor -> the slave of its pair
        std::vector<FileNumber> locks;
    };

    mutable std::mutex mutex;
    std::map<int, Process> processes;
    bool blocked = false;
    mutable bool gaveUp = false;
    mutable std::size_t scans = 0;
    mutable Event release{Event::ResetMode::Manual};
    mutable Event waiting{Event::ResetMode::Automatic};
};

}  // namespace quorvex::testing
