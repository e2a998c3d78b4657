#pragma once

#include <cstdint>

namespace quorvex {

// The time-outs of a serial device's reads and writes, in milliseconds, as the handheld
// platform's record names them. A read waits at most ReadTotalTimeoutConstant (plus the
// multiplier per byte) for data; a write gives up after WriteTotalTimeoutConstant (plus
// its multiplier per byte). The interval time-out is not used on Linux.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

}  // namespace quorvex
