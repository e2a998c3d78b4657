#pragma once

#include "platform/registry/descriptor_scanner.h"
#include "platform/registry/live_records.h"

namespace quorvex {

// What tests may reach inside the live records. Included by tests only.
class LiveRecordsTestHelper {
public:
    static DescriptorScanner& Scanner(LiveRecords& live) { return *live.scanner; }
};

}  // namespace quorvex
