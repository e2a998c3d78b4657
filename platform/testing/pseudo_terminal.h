#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <span>

namespace quorvex {

// A pseudo-terminal pair for tests and benchmarks: the program opens the device side
// (DevicePath) as it would a serial port, and the far side stands for the cable's other
// end. The device side is raw and held open by this object, so that the pair outlives the
// program's own opens and closes. One thread at a time uses the far side.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool Open();
    const std::filesystem::path& DevicePath() const { return devicePath; }

    // Writes every byte to the far side, waiting at most `limit` in all.
    bool Send(std::span<const unsigned char> bytes,
              std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads exactly bytes.size() bytes from the far side, waiting at most `limit` in all.
    bool Receive(std::span<unsigned char> bytes,
                 std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads what has arrived, waiting at most `limit` for the first byte; 0 when none came.
    std::size_t ReceiveSome(std::span<unsigned char> bytes, std::chrono::milliseconds limit);

    // The far side's descriptor, for benchmarks that drive it with their own loop.
    int FarDescriptor() const { return far; }

    // Closes the far side: the device hangs up, as when a USB adapter is pulled out.
    void HangUp();

private:
    int far = -1;
    int device = -1;
    std::filesystem::path devicePath;
};

}  // namespace quorvex
