#pragma once

#include <cstdint>
#include <string>

namespace quorvex {

// One candidate output port, made and destroyed only by the PortCatalogue.
class PortEntry {
public:
    PortEntry(std::wstring deviceName, std::wstring displayText, std::uint8_t isBluetooth,
              std::uint8_t isPresent)
        : deviceName(std::move(deviceName)),
          displayText(std::move(displayText)),
          isBluetooth(isBluetooth),
          isPresent(isPresent)
    {
    }
    virtual ~PortEntry() = default;

    const std::wstring deviceName;   // opened under this name, with its colon: "COM5:"
    const std::wstring displayText;  // its row in the output-port list
    const std::uint8_t isBluetooth;  // 1 for a Bluetooth virtual port, 0 for the wired one
    const std::uint8_t isPresent;    // 1 when the port is offered
};

}  // namespace quorvex
