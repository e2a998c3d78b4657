#pragma once

#include <chrono>
#include <optional>
#include <span>

namespace quorvex {

// How a message loop blocks. By default the poller blocks in poll(2); a toolkit that runs an
// event loop of its own blocks there instead, watching the same descriptors, so that one
// thread and one wait serve both. Owner's thread only.
class BlockingWait {
public:
    virtual ~BlockingWait() = default;

    // Returns once one of `descriptors` may be readable (or hung up), `timeout` has passed
    // (none: no limit), or sooner, when the toolkit had work of its own. The poller then looks
    // at the descriptors without waiting, so an early return costs one look and nothing else.
    virtual void Block(std::span<const int> descriptors,
                       std::optional<std::chrono::milliseconds> timeout) = 0;
};

}  // namespace quorvex
