#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/live_records.h"

namespace quorvex {

class ResourceModule;

// Everything quorvex-check tells, in the order it tells it: the prefix, the records, the
// receiver COM2 and each output port, and the outcome. It looks and never changes
// anything: no device is opened, no setting is written, nothing is made, not even the
// prefix. `resources` (the output ports' texts) outlives the object. Owner's thread only.
class CheckReport {
public:
    // Where the answers come from: the system's own places, or a test's.
    struct Sources {
        std::filesystem::path sys = "/sys";  // the system's device list
        LiveRecords::Sources live;           // who holds a device
    };

    explicit CheckReport(const ResourceModule& resources);
    CheckReport(const ResourceModule& resources, Sources sources);

    // Looks at the prefix at `location` (nothing: no variable names one) and its ports.
    void Run(const std::optional<std::filesystem::path>& location);

    // The findings, one a line, for a person to read.
    const std::vector<std::string>& Lines() const { return lines; }

    // True when quorvex would start, and could open the receiver and at least one listed
    // output port.
    bool CouldConnect() const { return couldConnect; }

private:
    const ResourceModule& resources;
    const std::filesystem::path sys;
    LiveRecords live;
    std::vector<std::string> lines;
    bool couldConnect = false;
};

}  // namespace quorvex
