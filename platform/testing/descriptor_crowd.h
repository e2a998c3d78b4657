#pragma once

#include <cstddef>
#include <vector>

namespace quorvex {

// Other processes holding many descriptors open, as on a crowded machine: for benchmarks
// of what reads every process's descriptors. The processes are forked from this one and
// keep what it had open at that moment, so gather the crowd before opening what they
// should not hold. Used by one thread.
class DescriptorCrowd {
public:
    DescriptorCrowd() = default;
    ~DescriptorCrowd();  // disperses the crowd
    DescriptorCrowd(const DescriptorCrowd&) = delete;
    DescriptorCrowd& operator=(const DescriptorCrowd&) = delete;

    // Starts processes that each open /dev/null up to `perProcess` times (raising their own
    // limit on descriptors for it) until `count` descriptors are held, and returns once they
    // are. The value is how many are held: fewer when the system refused more.
    std::size_t Gather(std::size_t count, std::size_t perProcess);

    // Ends the processes; their descriptors are closed when this returns.
    void Disperse();

private:
    std::vector<int> children;
    int releasePipe = -1;
};

}  // namespace quorvex
