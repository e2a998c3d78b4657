#include "bench/task_usage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace quorvex::bench {

std::vector<std::string> TaskUsage::Threads(const std::string& pid)
{
    std::vector<std::string> threads;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + pid + "/task", error))
        threads.push_back(entry.path().filename().string());
    return threads;
}

std::vector<std::string> TaskUsage::StartedSince(const std::vector<std::string>& before)
{
    std::vector<std::string> started;
    for (const std::string& thread : Threads("self"))
        if (std::find(before.begin(), before.end(), thread) == before.end())
            started.push_back(thread);
    std::sort(started.begin(), started.end(), [](const std::string& a, const std::string& b) {
        return std::stol(a) < std::stol(b);
    });
    return started;
}

Usage TaskUsage::Of(const std::string& pid, const std::vector<std::string>& threads)
{
    Usage usage;
    for (const std::string& thread : threads) {
        const std::string task = "/proc/" + pid + "/task/" + thread;
        // schedstat has the time on a CPU in nanoseconds, far finer than the clock ticks of stat.
        std::ifstream schedstat(task + "/schedstat");
        std::uint64_t runNs = 0;
        if (schedstat >> runNs)
            usage.cpuSeconds += static_cast<double>(runNs) / 1e9;
        std::ifstream status(task + "/status");
        std::string key;
        std::uint64_t value = 0;
        while (status >> key) {
            const bool voluntary = key == "voluntary_ctxt_switches:";
            if ((voluntary || key == "nonvoluntary_ctxt_switches:") && status >> value) {
                usage.switches += value;
                if (voluntary)
                    usage.wakeUps += value;
            }
        }
    }
    return usage;
}

}  // namespace quorvex::bench
