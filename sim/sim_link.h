#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/serial/pseudo_terminal.h"
#include "platform/serial/serial_device.h"

namespace quorvex {

// The line a simulated receiver talks on: a serial device, opened exclusively by name as
// Quorvex opens one and set to 8N1 at the chosen rate, or a pseudo-terminal made for it,
// whose device side it leaves free for the program under test. Used by one thread.
class SimLink {
public:
    SimLink() = default;
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    // False, with `error` saying why, when the device cannot be opened or set.
    bool OpenDevice(const std::string& name, std::uint32_t baud, std::string& error);
    bool OpenPseudoTerminal(std::string& error);

    // The device node the other end opens: the pseudo-terminal's device side, or the
    // device the name resolved to.
    const std::filesystem::path& DevicePath() const { return path; }

    // Whether anyone is at the other end to hear: always for a device, and for a
    // pseudo-terminal while someone holds its device side open.
    bool Listening() const;

    enum class Sent { Whole, NobodyListening, Failed };
    // Writes `bytes` within 100 ms.
    Sent Send(std::string_view bytes);

    // Waits up to `limit` for bytes from the other end and reads what has come; 0 when
    // nothing came. Returns 0 at once while nobody is listening.
    std::size_t Receive(std::span<unsigned char> buffer, std::chrono::milliseconds limit);

private:
    SerialDevice device;
    PseudoTerminal terminal;
    bool isTerminal = false;
    std::filesystem::path path;
};

}  // namespace quorvex
