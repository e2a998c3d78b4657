#include "platform/testing/bare_relay.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>

#include "platform/system/posix.h"

namespace quorvex {

BareRelay::~BareRelay()
{
    Stop();
}

bool BareRelay::Start(const std::filesystem::path& first, const std::filesystem::path& second)
{
    if (running.load())
        return false;
    const std::filesystem::path paths[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        const SystemResult opened =
            Posix::Open(paths[i].c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (!opened.Ok()) {
            CloseAll();
            return false;
        }
        fds[i] = static_cast<int>(opened.value);
    }
    const SystemResult wake = Posix::EventFd();
    if (!wake.Ok()) {
        CloseAll();
        return false;
    }
    wakeFd = static_cast<int>(wake.value);
    running.store(true);
    if (!readers[0].Start([this] { Reader(0); }) || !readers[1].Start([this] { Reader(1); }) ||
        !relay.Start([this] { Relay(); })) {
        Stop();
        return false;
    }
    return true;
}

void BareRelay::Stop()
{
    if (!running.exchange(false)) {
        CloseAll();
        return;
    }
    (void)Posix::SignalEventFd(wakeFd);  // ends the readers' polls
    for (Slot& slot : slots) {
        slot.state.store(Slot::kEmpty);
        (void)Posix::FutexWake(slot.state, 1);
    }
    WakeRelay();
    for (Thread& reader : readers)
        reader.Join();
    relay.Join();
    CloseAll();
}

void BareRelay::CloseAll()
{
    for (int& fd : fds) {
        if (fd >= 0)
            (void)Posix::Close(fd);
        fd = -1;
    }
    if (wakeFd >= 0)
        (void)Posix::Close(wakeFd);
    wakeFd = -1;
}

void BareRelay::Reader(std::size_t index)
{
    Slot& slot = slots[index];
    unsigned char chunk[kChunkSize];
    while (running.load(std::memory_order_relaxed)) {
        const SystemResult got = Posix::Read(fds[index], chunk, kChunkSize);
        if (got.Ok() && got.value > 0) {
            WaitUntilEmpty(slot);
            if (!running.load(std::memory_order_relaxed))
                return;
            slot.length = static_cast<std::uint32_t>(got.value);
            std::memcpy(slot.bytes, chunk, slot.length);
            // Sequentially consistent against the relay thread's announcement that it
            // sleeps: one of the two sees the other.
            slot.state.store(Slot::kFull, std::memory_order_seq_cst);
            if (relayAsleep.load(std::memory_order_seq_cst) != 0)
                WakeRelay();
            continue;
        }
        if (got.Ok() || got.error != EAGAIN)
            return;  // hung up
        short ttyEvents = 0;
        short wakeEvents = 0;
        if (!Posix::Poll(fds[index], POLLIN, wakeFd, -1, ttyEvents, wakeEvents).Ok() ||
            (wakeEvents & POLLIN) != 0 || (ttyEvents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return;
    }
}

void BareRelay::WaitUntilEmpty(Slot& slot)
{
    std::uint32_t seen = slot.state.load(std::memory_order_acquire);
    while (seen != Slot::kEmpty) {
        if (seen == Slot::kFull && !slot.state.compare_exchange_weak(seen, Slot::kFullReaderAsleep,
                                                                     std::memory_order_acquire))
            continue;
        (void)Posix::FutexWait(slot.state, Slot::kFullReaderAsleep, nullptr);
        seen = slot.state.load(std::memory_order_acquire);
    }
}

void BareRelay::WakeRelay()
{
    if (relayAsleep.exchange(0, std::memory_order_seq_cst) != 0)
        (void)Posix::FutexWake(relayAsleep, 1);
}

void BareRelay::Relay()
{
    unsigned char chunk[kChunkSize];
    while (running.load(std::memory_order_relaxed)) {
        bool took = false;
        for (std::size_t index = 0; index < slots.size() && !took; ++index) {
            Slot& slot = slots[index];
            if (slot.state.load(std::memory_order_acquire) == Slot::kEmpty)
                continue;
            const std::uint32_t length = slot.length;
            std::memcpy(chunk, slot.bytes, length);
            if (slot.state.exchange(Slot::kEmpty, std::memory_order_release) ==
                Slot::kFullReaderAsleep)
                (void)Posix::FutexWake(slot.state, 1);
            if (!WriteAll(fds[1 - index], chunk, length))
                return;
            took = true;
        }
        if (took)
            continue;
        relayAsleep.store(1, std::memory_order_seq_cst);
        if (slots[0].state.load(std::memory_order_seq_cst) != Slot::kEmpty ||
            slots[1].state.load(std::memory_order_seq_cst) != Slot::kEmpty ||
            !running.load(std::memory_order_seq_cst)) {
            relayAsleep.store(0, std::memory_order_relaxed);
            continue;
        }
        (void)Posix::FutexWait(relayAsleep, 1, nullptr);
        relayAsleep.store(0, std::memory_order_relaxed);
    }
}

bool BareRelay::WriteAll(int fd, const unsigned char* bytes, std::uint32_t length)
{
    while (length > 0) {
        const SystemResult sent = Posix::Write(fd, bytes, length);
        if (sent.Ok()) {
            bytes += sent.value;
            length -= static_cast<std::uint32_t>(sent.value);
            continue;
        }
        if (sent.error != EAGAIN)
            return false;
        short ttyEvents = 0;
        short wakeEvents = 0;
        if (!Posix::Poll(fd, POLLOUT, wakeFd, -1, ttyEvents, wakeEvents).Ok() ||
            (wakeEvents & POLLIN) != 0)
            return false;
    }
    return true;
}

}  // namespace quorvex
