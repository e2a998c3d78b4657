#pragma once

#include <cstdint>

namespace quorvex {

// The line parameters of a connection, always in this order. Encodings are those of the
// serial line-settings record: parity 0 none, 1 odd, 2 even (3 mark, 4 space); data bits per
// character; stop bits 0 one, 1 one and a half, 2 two.
struct LineSettings {
    std::uint32_t baudRate = 0;
    std::uint8_t parity = 0;
    std::uint8_t dataBits = 0;
    std::uint8_t stopBits = 0;
};

}  // namespace quorvex
