#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/device_node.h"

namespace quorvex {

class LiveRecords;
class PortRecords;
class PrefixSurvey;

// One port as quorvex would open it, looked at and never opened: whether an output is
// listed, where the port's name leads (devices/comn, or /dev/ttyS<n-1>), what stands there,
// whether this user may open it, and who holds it; and so whether quorvex could open it.
// Opening is left to stat, the system's device list, an access check by the effective ids
// and the holders: opening a serial port raises its DTR line, and opening a bound RFCOMM
// device starts a Bluetooth connection. The survey, the records and the live records
// outlive the object. Owner's thread only.
class PortCheck {
public:
    struct Port {
        unsigned number = 0;  // n of COMn
        bool receiver = false;
        std::size_t catalogueIndex = 0;  // an output's
        std::string displayText;         // an output's row in the list, UTF-8
    };

    // `sys` is where the system's device list is mounted.
    PortCheck(const PrefixSurvey& survey, const PortRecords& records, const LiveRecords& live,
              std::filesystem::path sys);

    // Appends what is found of `port`, one finding a line, each starting with the port's
    // name; true when quorvex could open it.
    bool Check(const Port& port, std::vector<std::string>& lines) const;

private:
    using Say = std::function<void(const std::string&)>;

    // Where the port's name leads: the path quorvex opens, and the device it reaches.
    struct Place {
        std::filesystem::path opened;
        std::filesystem::path device;
        bool fallback = false;
    };

    std::optional<Place> Locate(const Port& port, bool listed, const Say& say) const;
    bool DescribeDevice(const Port& port, const Place& place, const DeviceNode::Facts& facts,
                        const Say& say) const;
    bool Access(const Place& place, const DeviceNode::Facts& facts, const Say& say) const;
    bool Holders(const Port& port, const Place& place, const Say& say) const;
    // What to do about a port with nothing behind it.
    std::string Remedy(const Port& port, const Place& place) const;

    const PrefixSurvey& survey;
    const PortRecords& records;
    const LiveRecords& live;
    const std::filesystem::path sys;
};

}  // namespace quorvex
