#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/registry/process_table.h"
#include "platform/threads/clock.h"
#include "platform/threads/critical_section.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"

namespace quorvex {

// Finds the processes that hold a character device open, by a scan of every process's
// descriptors that runs on a worker thread of its own: the thread that asks never waits
// for a scan, and gets what the last one found.
//
// The worker starts at the first question and scans only while questions come: each
// question asks for a scan, which starts as soon as the pace allows, no sooner than
// max(kMinPause, the processor time of the last scan / kShare) after the start of the last
// one, so that the worker uses at most kShare of a core; on a crowded machine the answers
// lag instead. Without questions the worker sleeps with no time limit.
//
// A process holding the master side of a pseudo-terminal pair is the far end of that
// line, not a holder of its slave, and is never found for it. This process is never found.
//
// Holders is called by one thread at a time; the table and the clock outlive the object.
class DescriptorScanner {
public:
    // One descriptor on the device, as the scan found it.
    struct Finding {
        int pid = 0;
        int descriptor = -1;
    };

    static constexpr double kShare = 0.01;
    static constexpr std::chrono::seconds kMinPause{2};
    // What one scan keeps: the devices asked about since the last scan began, and the first
    // descriptors found on each.
    static constexpr std::size_t kMostDevices = 4;
    static constexpr std::size_t kMostFindings = 8;

    DescriptorScanner(const ProcessTable& table, Clock& clock);
    ~DescriptorScanner();  // ends a scan under way and joins the worker
    DescriptorScanner(const DescriptorScanner&) = delete;
    DescriptorScanner& operator=(const DescriptorScanner&) = delete;

    // The descriptors the last scan that looked for `device` found on it, in the order
    // found; none before such a scan has ended. Asks for a new scan and returns at once.
    // What a scan found may have changed since: callers confirm a finding before they
    // trust it.
    std::vector<Finding> Holders(DeviceNumber device);

private:
    friend class DescriptorScannerTestHelper;

    void Work();
    // Scans for the devices asked about since the last scan; false when there were none,
    // or when the object is being destroyed.
    bool Scan();

    const ProcessTable& table;
    Clock& clock;
    Event asked;
    Event stop;
    std::atomic<bool> stopping{false};

    // Guards what follows, and is held only to read or swap it.
    CriticalSection section;
    std::vector<DeviceNumber> wanted;  // asked about since the last scan began
    std::vector<std::pair<DeviceNumber, std::vector<Finding>>> found;  // by the last scan
    std::uint64_t scansBegun = 0;
    std::uint64_t scansEnded = 0;
    Event scanEnded;  // set as each scan ends, for tests

    Thread worker;
};

}  // namespace quorvex
