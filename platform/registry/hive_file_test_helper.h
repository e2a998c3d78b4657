#pragma once

#include <cstdint>

#include "platform/registry/hive_file.h"
#include "platform/system/file_operations.h"

namespace quorvex {

// What tests may see and change of a HiveFile beyond its contract. Included by tests only.
class HiveFileTestHelper {
public:
    // How many times the file was parsed: an unchanged file is not parsed again.
    static std::uint64_t ParseCount(const HiveFile& hive) { return hive.parses; }

    // Makes the hive's writes go through `operations`, which must outlive the hive.
    static void UseOperations(HiveFile& hive, FileOperations& operations)
    {
        hive.operations = &operations;
    }
};

}  // namespace quorvex
