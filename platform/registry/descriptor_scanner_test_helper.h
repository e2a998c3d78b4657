#pragma once

#include <cstdint>

#include "platform/registry/descriptor_scanner.h"

namespace quorvex {

// What tests may see of a descriptor scanner's worker. Included by tests only.
class DescriptorScannerTestHelper {
public:
    // How many scans have begun so far.
    static std::uint64_t ScansBegun(DescriptorScanner& scanner)
    {
        const CriticalSection::Guard guard(scanner.section);
        return scanner.scansBegun;
    }

    // Waits until `count` scans have ended, their findings given to questions from then on.
    static void WaitForScansEnded(DescriptorScanner& scanner, std::uint64_t count)
    {
        for (;;) {
            {
                const CriticalSection::Guard guard(scanner.section);
                if (scanner.scansEnded >= count)
                    return;
            }
            scanner.scanEnded.Wait();
        }
    }
};

}  // namespace quorvex
