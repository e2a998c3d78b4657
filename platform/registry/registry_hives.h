#pragma once

#include <filesystem>
#include <functional>
#include <mutex>

#include "platform/registry/hive_file.h"
#include "platform/registry/live_records.h"
#include "platform/registry/registry_types.h"

namespace quorvex {

// The process's two hive files, in the prefix as it is now: a test or a user that points
// QUORVEX_PREFIX elsewhere is followed at the next call. The registry opens the prefix
// itself, through PrefixCheck, and holds it open while it stays where the environment
// says; a prefix that is not the user's own makes every call fail. One lock serialises
// every registry operation of the process; other processes are kept apart by the hive's
// file lock.
class RegistryHives {
public:
    // Runs `use` on the hive of `root` while holding the lock. False, without running it,
    // when there is no prefix folder that may be used.
    static bool Use(RegistryRoot root, const std::function<void(HiveFile&)>& use);

    // Runs `use` on the process's live records, with the prefix folder, under the same lock.
    // Never call it from inside Use.
    static bool UseLive(
        const std::function<void(LiveRecords&, const std::filesystem::path& prefix)>& use);

private:
    friend class RegistryHivesTestHelper;

    struct Place;

    static std::mutex& Mutex();
    static LiveRecords& Live();
    // The prefix as it is now, opened and checked, with the hives in it; null when it
    // cannot be used. Under the lock.
    static Place* Current();
};

}  // namespace quorvex
