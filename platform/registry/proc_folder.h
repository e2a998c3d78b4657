#pragma once

#include <filesystem>
#include <vector>

#include "platform/registry/process_table.h"

namespace quorvex {

// The process table that a /proc folder shows: /proc itself, or a folder laid out like it.
// Descriptors are told apart by the device they are open on (their status, links
// followed), never by the path they show. No read blocks, and every read but the lock
// table's is bounded: that one is read piece by piece, however long another user makes it.
// Keeps nothing but what it is given or finds when made (its folder, the devices through
// which pairs are made), so any thread may call it.
class ProcFolder final : public ProcessTable {
public:
    explicit ProcFolder(std::filesystem::path folder = "/proc");

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
    std::filesystem::path folder;
    // The devices through which pseudo-terminal pairs are made: /dev/ptmx and devpts's own
    // ptmx node, which need not have the same number.
    std::vector<DeviceNumber> masters;
};

}  // namespace quorvex
