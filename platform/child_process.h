#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvex {

// Another program run beside this one, for benchmarks that measure it side by side and for
// tests that watch a second process. Owner's thread only.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // stops it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program (looked up in PATH) with these arguments, argument 0 included.
    bool Start(const std::vector<std::string>& arguments);
    // The same, with the program's standard output kept for ReadLine.
    bool StartReadingOutput(const std::vector<std::string>& arguments);
    // Asks it to end (SIGTERM) and waits until it has.
    void Stop();
    int Pid() const { return pid; }

    // The next line of the program's output without its line end; nothing once the output
    // has ended. Blocks until a line or the end comes.
    std::optional<std::string> ReadLine();

    // Waits for the program to end: its exit status (0-255), or -1 when a signal ended it
    // or none runs.
    int Wait();

    // Ends it at once, as a crash would (SIGKILL); Wait collects it.
    void Kill();

private:
    bool Spawn(const std::vector<std::string>& arguments, bool readOutput);

    int pid = -1;
    int output = -1;
    std::string pending;
};

}  // namespace quorvex
