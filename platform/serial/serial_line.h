#pragma once

#include <cstdint>

#include "platform/serial/dcb.h"

namespace quorvex {

// All termios work of the serial layer, kept in one place because Linux wants its own
// header set for arbitrary rates and that set cannot be mixed with <termios.h>.
class SerialLine {
public:
    // Makes the line raw and 8-bit clean with the record's rate, character size, parity
    // and stop bits: receiver on, modem-control lines ignored, no hardware or software flow
    // control, received parity not checked, no output processing, reads that return at once.
    // Returns false for values the record cannot mean (a rate of 0, a character size
    // outside 5 to 8, an unknown parity or stop-bit code), which keep the line's old value
    // while the rest is applied, or when the device refuses the whole request; a device
    // that takes only part of it (a pseudo-terminal keeps CS8 and no parity) is left with
    // what it took.
    static bool Apply(int fd, const Dcb& settings);

    // Drops DTR and RTS. Devices without modem lines refuse quietly.
    static void LowerModemLines(int fd);

    // The line errors (framing, parity, overrun, break) the device has counted since it
    // was opened. False for devices that count none.
    static bool ErrorCount(int fd, std::uint64_t& count);
};

}  // namespace quorvex
