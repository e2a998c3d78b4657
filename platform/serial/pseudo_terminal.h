#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <span>

namespace quorvex {

// A pseudo-terminal pair that stands for a serial cable: a program opens the device side
// (DevicePath) as it would a serial port, and the far side, held by this object, is the
// cable's other end: a simulated receiver, or a test's view of the line.
//
// The line is raw from the start. With DeviceSide::Held this object also keeps the device
// side open, so that the pair outlives a program's own opens and closes (tests and
// benchmarks). With DeviceSide::Free it does not, as a real line's far end does not, and
// then nobody but the program that opens the device holds it; while nobody does, what is
// sent is refused rather than left for the next opener. Descriptors never reach child
// processes. One thread at a time uses an object.
class PseudoTerminal {
public:
    enum class DeviceSide { Held, Free };

    PseudoTerminal() = default;
    ~PseudoTerminal();  // closes both sides
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Makes the pair. False, with Error() saying why and nothing left open, on failure or
    // when this object already holds a pair.
    bool Open(DeviceSide side = DeviceSide::Held);
    // The errno of the last failure.
    int Error() const { return error; }
    const std::filesystem::path& DevicePath() const { return devicePath; }

    // True while some process holds the device side open.
    bool DeviceIsOpen() const;

    // Writes every byte to the far side, waiting at most `limit` in all. False when the time
    // ran out, the device side is closed (DeviceSide::Free) or the pair is hung up.
    bool Send(std::span<const unsigned char> bytes,
              std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads exactly bytes.size() bytes from the far side, waiting at most `limit` in all.
    bool Receive(std::span<unsigned char> bytes,
                 std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Reads what has arrived, waiting at most `limit` for the first byte; 0 when none came.
    // While nobody holds the device side open it returns 0 at once, with what was left
    // unread; callers that loop on it must wait elsewhere meanwhile.
    std::size_t ReceiveSome(std::span<unsigned char> bytes, std::chrono::milliseconds limit);

    // The far side's descriptor, for benchmarks that drive it with their own loop.
    int FarDescriptor() const { return far; }

    // Closes the far side: the device hangs up, as when a USB adapter is pulled out.
    void HangUp();

private:
    void Fail(int errorNumber);

    int far = -1;
    int device = -1;
    int error = 0;
    std::filesystem::path devicePath;
};

}  // namespace quorvex
