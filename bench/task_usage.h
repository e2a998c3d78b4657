#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::bench {

// CPU time and wake-ups of a set of threads, read from /proc.
struct Usage {
    double cpuSeconds = 0;
    std::uint64_t switches = 0;  // context switches, voluntary and not
    std::uint64_t wakeUps = 0;   // voluntary context switches: each a sleep and a wake-up

    Usage operator+(const Usage& other) const
    {
        return {cpuSeconds + other.cpuSeconds, switches + other.switches, wakeUps + other.wakeUps};
    }
    Usage operator-(const Usage& earlier) const
    {
        return {cpuSeconds - earlier.cpuSeconds, switches - earlier.switches,
                wakeUps - earlier.wakeUps};
    }
};

class TaskUsage {
public:
    // The thread ids of a process (`pid` "self" for this one).
    static std::vector<std::string> Threads(const std::string& pid);
    // The threads of this process that are not in `before` (an earlier Threads("self")), in
    // the order they started.
    static std::vector<std::string> StartedSince(const std::vector<std::string>& before);
    // The summed usage of these threads of the process; threads that ended count nothing.
    static Usage Of(const std::string& pid, const std::vector<std::string>& threads);
};

}  // namespace quorvex::bench
