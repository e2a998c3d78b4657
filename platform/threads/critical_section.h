#pragma once

#include <mutex>

namespace quorvex {

// A lock for a short stretch of code that touches shared state. Not recursive; the thread
// that enters is the one that leaves. Prefer the Guard, which cannot forget to leave.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { mutex.lock(); }
    void Leave() { mutex.unlock(); }

    class Guard {
    public:
        explicit Guard(CriticalSection& section) : section(section) { section.Enter(); }
        ~Guard() { section.Leave(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CriticalSection& section;
    };

private:
    std::mutex mutex;
};

}  // namespace quorvex
