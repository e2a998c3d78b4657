#pragma once

#include <array>
#include <cstdint>

#include "platform/threads/critical_section.h"
#include "platform/threads/event.h"

namespace quorvex {

// A fixed circular store of bytes between one producer thread and one consumer thread.
// It never allocates and never refuses a write: when a write would overfill it, the oldest
// bytes are dropped, so the newest 4095 bytes survive in order.
//
// The consumer waits on the data event, which is set by every write of at least one byte
// and reset only when a read or Clear leaves the ring empty. The producer waits on the
// empty event, which is the opposite. Write, Read, GetUsed and Clear may be called from any
// thread; the events are fixed for the ring's life.
class RingBuffer {
public:
    static constexpr std::uint32_t kStorageSize = 4096;
    static constexpr std::uint32_t kCapacity = kStorageSize - 1;  // one position stays free

    RingBuffer();
    virtual ~RingBuffer();
    RingBuffer(const RingBuffer&) = delete;
    RingBuffer& operator=(const RingBuffer&) = delete;

    void Write(const unsigned char* source, std::uint32_t length);
    std::uint32_t Read(unsigned char* destination, std::uint32_t maximum);
    std::uint32_t GetUsed();
    // Discards what is held and releases a producer waiting for an empty ring.
    void Clear();

    Event& GetDataEvent() { return dataEvent; }
    Event& GetEmptyEvent() { return emptyEvent; }

private:
    std::uint32_t UsedLocked() const;
    void WriteLocked(const unsigned char* source, std::uint32_t length);
    std::uint32_t ReadLocked(unsigned char* destination, std::uint32_t maximum);

    std::array<unsigned char, kStorageSize> storage;
    std::uint32_t readPos = 0;
    std::uint32_t writePos = 0;
    CriticalSection lock;
    Event dataEvent{Event::ResetMode::Manual};
    Event emptyEvent{Event::ResetMode::Manual};
};

}  // namespace quorvex
