#pragma once

#include <string>
#include <vector>

namespace quorvex {

// Another program run beside this one, for benchmarks that measure it side by side.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // stops it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program (looked up in PATH) with these arguments, argument 0 included.
    bool Start(const std::vector<std::string>& arguments);
    // Asks it to end (SIGTERM) and waits until it has.
    void Stop();
    int Pid() const { return pid; }

private:
    int pid = -1;
};

}  // namespace quorvex
