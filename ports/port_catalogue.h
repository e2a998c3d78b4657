#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ports/port_entry.h"

namespace quorvex {

class ResourceModule;

// The four candidate output ports, always all four and always in this order, so that an
// index names the same port everywhere: 0 "COM1:" (wired), 1 "COM5:", 2 "COM6:", 3 "COM9:"
// (Bluetooth). COM1 and COM9 are always offered; COM5 and COM6 only while the Bluetooth
// stack has registered a virtual serial port under that name. The offer is read from the
// registry at each Build. `resources` gives the display texts and must outlive the
// catalogue. Built and read on the dialog's thread only.
class PortCatalogue {
public:
    explicit PortCatalogue(const ResourceModule& resources);
    virtual ~PortCatalogue() = default;
    PortCatalogue(const PortCatalogue&) = delete;
    PortCatalogue& operator=(const PortCatalogue&) = delete;

    // Makes the four entries anew; references to the old entries become invalid.
    void Build();

    std::size_t GetCount() const { return entries.size(); }

    // The entry at a catalogue index below GetCount().
    const PortEntry& GetEntry(std::size_t index) const { return *entries[index]; }

private:
    void ScanBluetoothPorts();

    const ResourceModule& resources;
    std::vector<std::unique_ptr<PortEntry>> entries;
    std::uint8_t com5Present = 0;
    std::uint8_t com6Present = 0;
};

}  // namespace quorvex
