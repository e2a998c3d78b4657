#include "platform/registry/descriptor_scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "platform/system/posix.h"

namespace quorvex {

DescriptorScanner::DescriptorScanner(const ProcessTable& table, Clock& clock)
    : table(table),
      clock(clock),
      asked(Event::ResetMode::Automatic, clock),
      stop(Event::ResetMode::Manual, clock),
      scanEnded(Event::ResetMode::Automatic, clock)
{
}

DescriptorScanner::~DescriptorScanner()
{
    stopping = true;
    stop.Set();
    worker.Join();
}

std::vector<DescriptorScanner::Finding> DescriptorScanner::Holders(DeviceNumber device)
{
    if (!worker.IsStarted())
        (void)worker.Start([this] { Work(); });  // without a worker nothing is ever found
    std::vector<Finding> holders;
    {
        const CriticalSection::Guard guard(section);
        if (std::find(wanted.begin(), wanted.end(), device) == wanted.end() &&
            wanted.size() < kMostDevices)
            wanted.push_back(device);
        for (const auto& [scanned, findings] : found)
            if (scanned == device)
                holders = findings;
    }
    asked.Set();
    return holders;
}

void DescriptorScanner::Work()
{
    Event* const wakes[] = {&stop, &asked};
    std::optional<Clock::TimePoint> due;  // the earliest start of the next scan
    while (Event::WaitAny(wakes) == 1) {
        if (due) {
            const Clock::Duration left = *due - clock.Now();
            if (left > Clock::Duration::zero() && stop.WaitFor(left))
                return;
        }
        // The pause goes by the processor time the scan used, not by how long it took: on
        // a busy machine a scan takes longer without costing more.
        const Clock::TimePoint start = clock.Now();
        const auto used = Posix::ThreadCpuTime();
        if (!Scan())
            continue;
        const auto paced =
            std::chrono::duration_cast<Clock::Duration>((Posix::ThreadCpuTime() - used) / kShare);
        due = start + std::max<Clock::Duration>(kMinPause, paced);
    }
}

bool DescriptorScanner::Scan()
{
    std::vector<DeviceNumber> devices;
    {
        const CriticalSection::Guard guard(section);
        // A question that came while the last scan took its devices has been answered.
        if (wanted.empty())
            return false;
        devices.swap(wanted);
        ++scansBegun;
    }
    std::vector<std::pair<DeviceNumber, std::vector<Finding>>> scanned;
    for (const DeviceNumber device : devices)
        scanned.emplace_back(device, std::vector<Finding>{});

    const int self = Posix::ProcessId();
    table.ForEachProcess([&](int pid) {
        if (pid == self)
            return !stopping;
        // What this process adds to each device's findings, taken back again when it
        // turns out to hold that line's master side.
        std::array<std::size_t, kMostDevices> before{};
        for (std::size_t i = 0; i < scanned.size(); ++i)
            before[i] = scanned[i].second.size();
        std::uint32_t farEnds = 0;
        table.ForEachDescriptor(pid, [&](int descriptor, std::optional<DeviceNumber> device) {
            if (!device)
                return !stopping;
            std::optional<DeviceNumber> slave;
            bool looked = false;
            for (std::size_t i = 0; i < scanned.size(); ++i) {
                auto& [wantedDevice, findings] = scanned[i];
                if (*device == wantedDevice) {
                    if (findings.size() < kMostFindings)
                        findings.push_back({pid, descriptor});
                    continue;
                }
                if (!looked) {
                    slave = table.SlaveOf(pid, descriptor, *device);
                    looked = true;
                }
                if (slave && *slave == wantedDevice)
                    farEnds |= 1u << i;
            }
            return !stopping;
        });
        for (std::size_t i = 0; i < scanned.size(); ++i)
            if (farEnds & (1u << i))
                scanned[i].second.resize(before[i]);
        return !stopping;
    });
    if (stopping)
        return false;

    {
        const CriticalSection::Guard guard(section);
        found = std::move(scanned);
        ++scansEnded;
    }
    scanEnded.Set();
    return true;
}

}  // namespace quorvex
