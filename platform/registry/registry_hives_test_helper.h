#pragma once

#include <mutex>
#include <utility>

#include "platform/registry/live_records.h"
#include "platform/registry/registry_hives.h"

namespace quorvex {

// What tests may change of the registry's process-wide state. Included by tests only.
class RegistryHivesTestHelper {
public:
    // The live records answer from `sources` (a test's processes, lock folder, clock, its
    // idea of an RFCOMM tty), starting afresh: the next owner lookup starts a descriptor
    // scan at once.
    static void UseLiveSources(LiveRecords::Sources sources)
    {
        const std::lock_guard guard(RegistryHives::Mutex());
        RegistryHives::Live() = LiveRecords(std::move(sources));
    }

    // The process's live records, for the helpers of the classes inside them. Replaced only
    // by UseLiveSources.
    static LiveRecords& Live() { return RegistryHives::Live(); }
};

}  // namespace quorvex
