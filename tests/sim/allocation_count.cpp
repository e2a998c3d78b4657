#include "tests/sim/allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> allocations{0};

}  // namespace

// In a file of its own, so that no caller sees the pair inlined and takes malloc and free
// for a mismatched new and delete.
void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace quorvex::testing {

long AllocationCount()
{
    return allocations.load(std::memory_order_relaxed);
}

}  // namespace quorvex::testing
