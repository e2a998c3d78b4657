#pragma once

#include <chrono>

namespace quorvex {

// The signals that ask a tool to stop (SIGINT, SIGTERM, SIGHUP), taken synchronously, so
// that the tool can finish what it does and say so before it ends: while an object lives
// they are held back from the thread that made it, and from the threads that thread starts
// afterwards, and a wait on the object takes them. Make it before starting other threads;
// one object at a time, used by the thread that made it.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();  // lets the signals through again; one that arrived meanwhile acts then
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Sleeps up to `limit`, or less when a stop signal arrives; true once one has arrived,
    // now or earlier. A `limit` of zero only looks.
    bool WaitFor(std::chrono::nanoseconds limit);

private:
    bool arrived = false;
};

}  // namespace quorvex
