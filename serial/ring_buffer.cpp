#include "serial/ring_buffer.h"

#include <algorithm>
#include <cstring>

namespace quorvex {

RingBuffer::RingBuffer()
{
    emptyEvent.Set();
}

RingBuffer::~RingBuffer() = default;

std::uint32_t RingBuffer::UsedLocked() const
{
    return writePos >= readPos ? writePos - readPos : writePos - readPos + kStorageSize;
}

void RingBuffer::Write(const unsigned char* source, std::uint32_t length)
{
    if (length == 0)
        return;
    // The events change under the lock; their waiters are woken once it is left.
    bool wake = false;
    {
        CriticalSection::Guard guard(lock);
        WriteLocked(source, length);
        wake = dataEvent.Signal();
        emptyEvent.Reset();
    }
    if (wake)
        dataEvent.WakeWaiters();
}

void RingBuffer::WriteLocked(const unsigned char* source, std::uint32_t length)
{
    while (length > 0) {
        const std::uint32_t piece = std::min(length, kStorageSize - writePos);
        // Decided before the copy: after it, a full ring and an empty one look alike.
        const bool overruns = (readPos > writePos && writePos + piece >= readPos) ||
                              (readPos == 0 && writePos + piece == kStorageSize);
        std::memcpy(storage.data() + writePos, source, piece);
        writePos += piece;
        if (writePos == kStorageSize)
            writePos = 0;
        if (overruns) {
            readPos = writePos + 1;
            if (readPos == kStorageSize)
                readPos = 0;
        }
        source += piece;
        length -= piece;
    }
}

std::uint32_t RingBuffer::Read(unsigned char* destination, std::uint32_t maximum)
{
    bool wake = false;
    std::uint32_t copied = 0;
    {
        CriticalSection::Guard guard(lock);
        copied = ReadLocked(destination, maximum);
        if (readPos == writePos) {
            dataEvent.Reset();
            wake = emptyEvent.Signal();
        }
    }
    if (wake)
        emptyEvent.WakeWaiters();
    return copied;
}

std::uint32_t RingBuffer::ReadLocked(unsigned char* destination, std::uint32_t maximum)
{
    std::uint32_t copied = 0;
    while (readPos != writePos && copied < maximum) {
        const std::uint32_t contiguous =
            writePos > readPos ? writePos - readPos : kStorageSize - readPos;
        const std::uint32_t piece = std::min(contiguous, maximum - copied);
        std::memcpy(destination + copied, storage.data() + readPos, piece);
        readPos += piece;
        if (readPos == kStorageSize)
            readPos = 0;
        copied += piece;
    }
    return copied;
}

std::uint32_t RingBuffer::GetUsed()
{
    CriticalSection::Guard guard(lock);
    return UsedLocked();
}

void RingBuffer::Clear()
{
    bool wake = false;
    {
        CriticalSection::Guard guard(lock);
        readPos = 0;
        writePos = 0;
        dataEvent.Reset();
        wake = emptyEvent.Signal();
    }
    if (wake)
        emptyEvent.WakeWaiters();
}

}  // namespace quorvex
