#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// Another program, started with one socket as its standard input and output, so that a test or
// a tool can drive it line by line and end it. It inherits the environment (and with it
// the prefix). The object kills and reaps a child still running when it is destroyed.
// Used by one thread.
class ChildProcess {
public:
    ChildProcess() = default;
    virtual ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path, or a name looked up in PATH) with `arguments`. False when it
    // could not be started or this object already runs a child. With `readErrors`, what the
    // child writes to its standard error comes through ReadLine too.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               bool readErrors = false);

    // The next line the child writes, without its newline; blocks until it is there.
    // False when the child's output ended first.
    bool ReadLine(std::string& line);

    // Writes `line` and a newline to the child's input. False when it is gone.
    bool WriteLine(std::string_view line);

    // Ends the child at once (SIGKILL), wherever it is.
    void Kill();

    // Waits for the child to end: its exit code, or minus the signal that ended it; -1000
    // when there is no child.
    int Wait();

    // The child's process id, -1 when there is none.
    int Pid() const { return pid; }

private:
    int pid = -1;
    int channel = -1;  // our end of the child's standard input and output
    std::string pending;
};

}  // namespace quorvex
