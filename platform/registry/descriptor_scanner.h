#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/registry/process_table.h"
#include "platform/threads/clock.h"
#include "platform/threads/critical_section.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"

namespace quorvex {

// Finds the processes that hold a character device, by a scan of the system's lock table
// and of every process's descriptors that runs on a worker thread of its own: the thread
// that asks never waits for a scan, and gets what the last one found.
//
// The worker starts at the first question and scans only while questions come: each
// question asks for a scan, which starts once the worker has rested from the last one, for
// kMinPause and for at least the processor time that scan used divided by kShare, so that
// the worker uses less than kShare of a core; on a crowded machine the answers lag instead.
// Without questions the worker sleeps with no time limit.
//
// A process that holds the master side of a pseudo-terminal pair is the far end of that
// line, not a holder of its slave, and is not found for it unless it holds a lock on it
// too. This process is never found.
//
// Holders is called by one thread at a time; the table and the clock outlive the object.
class DescriptorScanner {
public:
    // A holder as the scan found it: a descriptor of its on the device, or, for a process
    // whose descriptors this one may not see, only its lock (descriptor -1).
    struct Finding {
        int pid = 0;
        int descriptor = -1;
        bool locks = false;  // it holds a lock on the device's node
    };

    // A device as the question names it: its number, and the node the question reached it
    // through, which is the file that other programs lock.
    struct Device {
        DeviceNumber number;
        FileNumber node;

        friend bool operator==(const Device&, const Device&) = default;
    };

    static constexpr double kShare = 0.01;
    static constexpr std::chrono::seconds kMinPause{2};
    // What one scan keeps: the devices asked about since the last scan began, and the first
    // holders found of each.
    static constexpr std::size_t kMostDevices = 4;
    static constexpr std::size_t kMostFindings = 8;

    DescriptorScanner(const ProcessTable& table, Clock& clock);
    ~DescriptorScanner();  // ends a scan under way and joins the worker
    DescriptorScanner(const DescriptorScanner&) = delete;
    DescriptorScanner& operator=(const DescriptorScanner&) = delete;

    // The holders of `device` that the last scan looking for it found, in the order found;
    // none before such a scan has ended. Asks for a new scan and returns at once. What a
    // scan found may have changed since: callers confirm a finding before they trust it.
    std::vector<Finding> Holders(const Device& device);

    // The holders of `device` that a scan made now on the calling thread finds, by the same
    // rules, with no worker and no rest: for a program that asks once. Takes as long as a
    // scan takes.
    static std::vector<Finding> HoldersNow(const ProcessTable& table, const Device& device);

private:
    friend class DescriptorScannerTestHelper;

    struct Search {
        Device device;
        std::vector<int> lockers;  // processes with a lock on the node
        std::vector<Finding> findings;
    };

    void Work();
    // Scans for the devices asked about since the last scan, and returns when the rest
    // after it ends; nothing when there were none, or when the object is being destroyed.
    std::optional<Clock::TimePoint> Scan();
    // One scan for `searches`, given up as soon as `stop` is set.
    static void Find(const ProcessTable& table, std::vector<Search>& searches, const Event& stop);
    static void ScanLocks(const ProcessTable& table, std::vector<Search>& searches, int self,
                          const Event& stop);
    static void ScanDescriptors(const ProcessTable& table, std::vector<Search>& searches, int self,
                                const Event& stop);

    const ProcessTable& table;
    Clock& clock;
    Event asked;
    Event stop;  // set once, when the object is being destroyed

    // Guards what follows, and is held only to read or swap it.
    CriticalSection section;
    std::vector<Device> wanted;  // asked about since the last scan began
    std::vector<Search> found;   // by the last scan
    std::uint64_t scansBegun = 0;
    std::uint64_t scansEnded = 0;
    Event scanEnded;  // set as each scan ends, for tests

    Thread worker;
};

}  // namespace quorvex
