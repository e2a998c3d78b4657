#include "tests/support/process_table_stand_in.h"

#include <vector>

#include "platform/system/posix.h"

namespace quorvex::testing {
namespace {

// The device pairs are made through, as /dev/ptmx is.
constexpr DeviceNumber kMaster{5, 2};

}  // namespace

DeviceNumber ProcessTableStandIn::NodeDevice(const std::filesystem::path& node)
{
    NodeStatus status;
    if (!Posix::StatNode(node.c_str(), status).Ok())
        return {};
    return {status.deviceMajor, status.deviceMinor};
}

FileNumber ProcessTableStandIn::NodeFile(const std::filesystem::path& node)
{
    NodeStatus status;
    if (!Posix::StatNode(node.c_str(), status).Ok())
        return {};
    return {status.fileSystemMajor, status.fileSystemMinor, status.inode};
}

void ProcessTableStandIn::Start(int pid, const std::string& command)
{
    const std::lock_guard guard(mutex);
    processes[pid].command = command;
}

void ProcessTableStandIn::Hold(int pid, int descriptor, DeviceNumber device)
{
    const std::lock_guard guard(mutex);
    processes[pid].descriptors[descriptor] = device;
}

void ProcessTableStandIn::HoldMaster(int pid, int descriptor, DeviceNumber slave)
{
    const std::lock_guard guard(mutex);
    processes[pid].descriptors[descriptor] = kMaster;
    processes[pid].masters[descriptor] = slave;
}

void ProcessTableStandIn::Lock(int pid, FileNumber file)
{
    const std::lock_guard guard(mutex);
    processes[pid].locks.push_back(file);
}

void ProcessTableStandIn::Close(int pid, int descriptor)
{
    const std::lock_guard guard(mutex);
    processes[pid].descriptors.erase(descriptor);
    processes[pid].masters.erase(descriptor);
}

void ProcessTableStandIn::Block()
{
    const std::lock_guard guard(mutex);
    blocked = true;
    release.Reset();
}

void ProcessTableStandIn::Unblock()
{
    {
        const std::lock_guard guard(mutex);
        blocked = false;
    }
    release.Set();
}

void ProcessTableStandIn::WaitForBlockedScan()
{
    waiting.Wait();
}

bool ProcessTableStandIn::GaveUp() const
{
    const std::lock_guard guard(mutex);
    return gaveUp;
}

std::size_t ProcessTableStandIn::Scans() const
{
    const std::lock_guard guard(mutex);
    return scans;
}

void ProcessTableStandIn::ForEachProcess(const std::function<bool(int pid)>& visit) const
{
    bool hold = false;
    {
        const std::lock_guard guard(mutex);
        ++scans;
        hold = blocked;
    }
    if (hold) {
        waiting.Set();
        if (!release.WaitFor(kGiveUp)) {
            const std::lock_guard guard(mutex);
            gaveUp = true;
        }
    }
    std::vector<int> pids;
    {
        const std::lock_guard guard(mutex);
        for (const auto& [pid, process] : processes)
            pids.push_back(pid);
    }
    for (const int pid : pids)
        if (!visit(pid))
            return;
}

void ProcessTableStandIn::ForEachDescriptor(
    int pid,
    const std::function<bool(int descriptor, std::optional<DeviceNumber> device)>& visit) const
{
    std::map<int, DeviceNumber> descriptors;
    {
        const std::lock_guard guard(mutex);
        if (const auto found = processes.find(pid); found != processes.end())
            descriptors = found->second.descriptors;
    }
    for (const auto& [descriptor, device] : descriptors)
        if (!visit(descriptor, device))
            return;
}

std::optional<DeviceNumber> ProcessTableStandIn::DeviceOf(int pid, int descriptor) const
{
    const std::lock_guard guard(mutex);
    const auto process = processes.find(pid);
    if (process == processes.end())
        return std::nullopt;
    const auto found = process->second.descriptors.find(descriptor);
    if (found == process->second.descriptors.end())
        return std::nullopt;
    return found->second;
}

std::optional<DeviceNumber> ProcessTableStandIn::SlaveOf(int pid, int descriptor,
                                                         DeviceNumber device) const
{
    const std::lock_guard guard(mutex);
    const auto process = processes.find(pid);
    if (device != kMaster || process == processes.end())
        return std::nullopt;
    const auto found = process->second.masters.find(descriptor);
    if (found == process->second.masters.end())
        return std::nullopt;
    return found->second;
}

void ProcessTableStandIn::ForEachLock(
    const std::function<bool(int pid, FileNumber file)>& visit) const
{
    std::vector<std::pair<int, FileNumber>> locks;
    {
        const std::lock_guard guard(mutex);
        for (const auto& [pid, process] : processes)
            for (const FileNumber& file : process.locks)
                locks.emplace_back(pid, file);
    }
    for (const auto& [pid, file] : locks)
        if (!visit(pid, file))
            return;
}

std::string ProcessTableStandIn::Command(int pid) const
{
    const std::lock_guard guard(mutex);
    const auto found = processes.find(pid);
    return found == processes.end() ? std::string() : found->second.command;
}

}  // namespace quorvex::testing
