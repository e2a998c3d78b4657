#include "platform/registry/descriptor_scanner.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

bool Has(const std::vector<int>& pids, int pid)
{
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

}  // namespace

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
    stop.Set();
    worker.Join();
}

std::vector<DescriptorScanner::Finding> DescriptorScanner::Holders(const Device& device)
{
    if (!worker.IsStarted())
        (void)worker.Start([this] { Work(); });  // without a worker nothing is ever found
    std::vector<Finding> holders;
    {
        const CriticalSection::Guard guard(section);
        if (std::find(wanted.begin(), wanted.end(), device) == wanted.end() &&
            wanted.size() < kMostDevices)
            wanted.push_back(device);
        for (const Search& search : found)
            if (search.device == device)
                holders = search.findings;
    }
    asked.Set();
    return holders;
}

void DescriptorScanner::Work()
{
    Event* const wakes[] = {&stop, &asked};
    std::optional<Clock::TimePoint> rested;  // when the rest after the last scan ends
    while (Event::WaitAny(wakes) == 1) {
        if (rested) {
            const Clock::Duration left = *rested - clock.Now();
            if (left > Clock::Duration::zero() && stop.WaitFor(left))
                return;
        }
        if (const auto until = Scan())
            rested = until;
    }
}

std::optional<Clock::TimePoint> DescriptorScanner::Scan()
{
    std::vector<Search> searches;
    {
        const CriticalSection::Guard guard(section);
        // A question that came while the last scan took its devices has been answered.
        if (wanted.empty())
            return std::nullopt;
        for (const Device& device : wanted)
            searches.push_back({device, {}, {}});
        wanted.clear();
        ++scansBegun;
    }
    const auto used = Posix::ThreadCpuTime();
    Find(table, searches, stop);
    if (stop.IsSet())
        return std::nullopt;
    // The rest goes by the processor time the scan used, not by how long it took: on a busy
    // machine a scan takes longer without costing more. It is reckoned before the findings
    // are given out, so that nobody who has seen them can move the clock under it.
    const auto share =
        std::chrono::duration_cast<Clock::Duration>((Posix::ThreadCpuTime() - used) / kShare);
    const Clock::TimePoint rested = clock.Now() + std::max<Clock::Duration>(kMinPause, share);
    {
        const CriticalSection::Guard guard(section);
        found = std::move(searches);
        ++scansEnded;
    }
    scanEnded.Set();
    return rested;
}

std::vector<DescriptorScanner::Finding> DescriptorScanner::HoldersNow(const ProcessTable& table,
                                                                      const Device& device)
{
    std::vector<Search> searches{{device, {}, {}}};
    const Event never(Event::ResetMode::Manual);  // a scan the caller waits for is never cut short
    Find(table, searches, never);
    return std::move(searches.front().findings);
}

void DescriptorScanner::Find(const ProcessTable& table, std::vector<Search>& searches,
                             const Event& stop)
{
    const int self = Posix::ProcessId();
    ScanLocks(table, searches, self, stop);
    ScanDescriptors(table, searches, self, stop);
    for (Search& search : searches) {
        for (Finding& finding : search.findings)
            finding.locks = Has(search.lockers, finding.pid);
        // Lockers whose descriptors did not show (another user's processes) count by their
        // lock.
        for (const int pid : search.lockers)
            if (search.findings.size() < kMostFindings &&
                std::none_of(search.findings.begin(), search.findings.end(),
                             [pid](const Finding& finding) { return finding.pid == pid; }))
                search.findings.push_back({pid, -1, true});
    }
}

void DescriptorScanner::ScanLocks(const ProcessTable& table, std::vector<Search>& searches,
                                  int self, const Event& stop)
{
    table.ForEachLock([&](int pid, FileNumber file) {
        for (Search& search : searches)
            if (file == search.device.node && pid != self && !Has(search.lockers, pid) &&
                search.lockers.size() < kMostFindings)
                search.lockers.push_back(pid);
        return !stop.IsSet();
    });
}

void DescriptorScanner::ScanDescriptors(const ProcessTable& table, std::vector<Search>& searches,
                                        int self, const Event& stop)
{
    table.ForEachProcess([&](int pid) {
        if (pid == self)
            return !stop.IsSet();
        // What this process adds to each device's findings, taken back again when it
        // turns out to hold that line's master side and no lock.
        std::array<std::size_t, kMostDevices> before{};
        for (std::size_t i = 0; i < searches.size(); ++i)
            before[i] = searches[i].findings.size();
        std::array<bool, kMostDevices> farEnd{};
        table.ForEachDescriptor(pid, [&](int descriptor, std::optional<DeviceNumber> device) {
            if (!device)
                return !stop.IsSet();
            std::optional<DeviceNumber> slave;
            bool looked = false;
            for (std::size_t i = 0; i < searches.size(); ++i) {
                Search& search = searches[i];
                if (*device == search.device.number) {
                    if (search.findings.size() < kMostFindings)
                        search.findings.push_back({pid, descriptor});
                    continue;
                }
                if (!looked) {
                    slave = table.SlaveOf(pid, descriptor, *device);
                    looked = true;
                }
                farEnd[i] = farEnd[i] || (slave && *slave == search.device.number);
            }
            return !stop.IsSet();
        });
        for (std::size_t i = 0; i < searches.size(); ++i)
            if (farEnd[i] && !Has(searches[i].lockers, pid))
                searches[i].findings.resize(before[i]);
        return !stop.IsSet();
    });
}

}  // namespace quorvex
