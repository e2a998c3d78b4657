#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "ports/port_entry.h"
#include "resources/string_ids.h"

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
    // A candidate as every build makes it; `alwaysOffered` for those offered whatever the
    // registry says.
    struct Candidate {
        std::wstring_view deviceName;
        std::uint16_t textId;
        std::uint8_t isBluetooth;
        bool alwaysOffered;
    };
    static constexpr std::array<Candidate, 4> kCandidates{{
        {L"COM1:", StringId::PortCom1, 0, true},
        {L"COM5:", StringId::PortCom5, 1, false},
        {L"COM6:", StringId::PortCom6, 1, false},
        {L"COM9:", StringId::PortCom9, 1, true},
    }};

    // Under HKEY_LOCAL_MACHINE: each subkey registers a Bluetooth port by its "Port" string.
    static constexpr std::wstring_view kBluetoothPortsKey =
        L"SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports";
    // A subkey's name longer than this is skipped, as its name does not fit the scan's buffer.
    static constexpr std::size_t kLongestSubKeyName = 31;
    // The most bytes of "Port" the scan reads; a larger value reads as nothing.
    static constexpr std::size_t kPortValueBytes = 16;

    // The catalogue index that a subkey's "Port" value (its stored bytes) makes present:
    // exactly "COM5" or "COM6"; nothing for any other text, "COM5:" with its colon included.
    static std::optional<std::size_t> RegisteredIndex(std::span<const std::byte> port);

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
