#pragma once

#include <filesystem>
#include <functional>
#include <mutex>

#include "platform/registry/hive_file.h"
#include "platform/registry/live_records.h"
#include "platform/registry/registry_types.h"

namespace quorvex {

// The process's two hive files, in the prefix as it is now: a test or a user that points
// QUORVEX_PREFIX elsewhere is followed at the next call. One lock serialises every
// registry operation of the process; other processes are kept apart by the hive's file lock.
class RegistryHives {
public:
    // Runs `use` on the hive of `root` while holding the lock. False, without running it,
    // when there is no prefix folder.
    static bool Use(RegistryRoot root, const std::function<void(HiveFile&)>& use);

    // Runs `use` on the process's live records, with the prefix folder, under the same lock.
    // Never call it from inside Use.
    static bool UseLive(
        const std::function<void(LiveRecords&, const std::filesystem::path& prefix)>& use);

private:
    friend class RegistryHivesTestHelper;

    static std::mutex& Mutex();
    static LiveRecords& Live();
};

}  // namespace quorvex
