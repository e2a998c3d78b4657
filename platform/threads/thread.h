#pragma once

#include <functional>
#include <thread>

namespace quorvex {

// A thread of the program's own that is always joined, never detached. Start and Join
// are called by the thread that owns the object, never by the thread itself.
class Thread {
public:
    Thread() = default;
    ~Thread();  // joins a thread that is still running
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs `body` on a new thread. False when the system could not start one, or when
    // this object still holds a thread that has not been joined.
    bool Start(std::function<void()> body);

    // Waits, without a time limit, for the thread to end. Does nothing when none runs.
    void Join();

    // True from a successful Start until Join.
    bool IsStarted() const { return thread.joinable(); }

private:
    std::thread thread;
};

}  // namespace quorvex
