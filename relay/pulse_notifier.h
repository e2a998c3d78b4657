#pragma once

namespace quorvex {

// Told after each chunk the relay forwards in one direction. Pulse is called from the
// relay thread, must return at once and must be safe against the notifier's own threads.
class PulseNotifier {
public:
    virtual ~PulseNotifier() = default;
    virtual void Pulse() = 0;
};

}  // namespace quorvex
