#pragma once

#include <functional>

#include "platform/registry/hive_file.h"
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
};

}  // namespace quorvex
