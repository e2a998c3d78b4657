#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvex {

// Another program run as a child, with its standard output read line by line. For tests
// and tools that watch a second process. Owner's thread only.
class ChildProcess {
public:
    ChildProcess() = default;
    virtual ~ChildProcess();  // kills and reaps a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `path` with `arguments`, in the current environment; false when it could not.
    bool Start(const std::string& path, const std::vector<std::string>& arguments = {});
    // Starts the program (looked up in PATH) with these arguments, argument 0 included,
    // its output left where this program's goes.
    bool Start(const std::vector<std::string>& arguments);

    // The next line of the child's output without its line end; nothing once the output
    // has ended. Blocks until a line or the end comes.
    std::optional<std::string> ReadLine();

    // Waits for the child to end; its exit status (0-255), or -1 when it was killed by a
    // signal or none runs.
    int Wait();

    // Ends the child at once, as a crash would (SIGKILL).
    void Kill();
    // Asks it to end (SIGTERM) and waits until it has.
    void Stop();
    int Pid() const { return pid; }

private:
    int pid = -1;
    int output = -1;
    std::string pending;
};

}  // namespace quorvex
