#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>

#include "platform/threads/thread.h"

namespace quorvex {

// The relay's shape with nothing between it and the kernel, for benchmarks to measure the
// ceiling that shape allows on a machine: a reader thread per device that reads 512 bytes
// at a time and hands each chunk over only into an empty slot, and one relay thread that
// waits on both slots, lower index first, and writes what it takes to the other device.
// No events, no locks, no time-outs: a futex word per slot and one for the relay thread.
//
// It waits for an empty slot before every chunk, as the relay waits for an empty ring once a
// port has received 4 KiB; a benchmark's first 4 KiB are too few to tell the difference.
class BareRelay {
public:
    BareRelay() = default;
    ~BareRelay();  // stops
    BareRelay(const BareRelay&) = delete;
    BareRelay& operator=(const BareRelay&) = delete;

    // Opens both devices (already raw) and starts the three threads. False, with nothing
    // left running, when a device cannot be opened or a thread cannot start.
    bool Start(const std::filesystem::path& first, const std::filesystem::path& second);
    // Ends the threads and closes the devices.
    void Stop();

private:
    static constexpr std::uint32_t kChunkSize = 512;

    // One reader's hand-over to the relay thread.
    struct Slot {
        static constexpr std::uint32_t kEmpty = 0;
        static constexpr std::uint32_t kFull = 1;
        static constexpr std::uint32_t kFullReaderAsleep = 2;

        std::atomic<std::uint32_t> state{kEmpty};
        std::uint32_t length = 0;
        unsigned char bytes[kChunkSize];
    };

    void Reader(std::size_t index);
    void Relay();
    void WaitUntilEmpty(Slot& slot);
    void WakeRelay();
    bool WriteAll(int fd, const unsigned char* bytes, std::uint32_t length);
    void CloseAll();

    std::array<int, 2> fds{-1, -1};
    int wakeFd = -1;
    std::atomic<bool> running{false};
    std::array<Slot, 2> slots;
    std::atomic<std::uint32_t> relayAsleep{0};
    std::array<Thread, 2> readers;
    Thread relay;
};

}  // namespace quorvex
