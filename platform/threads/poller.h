#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

namespace quorvex {

class BlockingWait;

// What a message loop waits on: a set of descriptors and a wake-up that any thread may
// trigger. Wake is the only operation for other threads; everything else belongs to the
// thread that owns the poller.
class Poller {
public:
    Poller();
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    // False when the wake-up could not be created; Wait then only times out.
    bool IsValid() const { return wakeDescriptor >= 0; }

    // Ends the current or the next Wait. Never blocks; any thread may call it.
    void Wake();

    // Waits until a descriptor is readable (or hung up), Wake is called, or `timeout` runs
    // out (none: no limit). Marks `ready[i]` for each readable descriptor; returns the
    // number marked. A pending wake-up is consumed. With `blocking`, the wait blocks there
    // (the wake-up's descriptor among those it watches) and may end sooner.
    std::size_t Wait(std::span<const int> descriptors, std::span<bool> ready,
                     std::optional<std::chrono::milliseconds> timeout,
                     BlockingWait* blocking = nullptr);

private:
    int wakeDescriptor = -1;
};

}  // namespace quorvex
