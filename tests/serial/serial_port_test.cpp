#include "serial/serial_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/serial/pseudo_terminal.h"
#include "platform/serial/serial_device_test_helper.h"
#include "platform/testing/device_holder.h"
#include "platform/threads/thread.h"
#include "serial/serial_port_test_helper.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

std::vector<unsigned char> Sequence(std::size_t length)
{
    std::vector<unsigned char> bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    return bytes;
}

// Takes `count` bytes out of the port's ring as they arrive, as the relay would.
std::vector<unsigned char> DrainRing(SerialPort& port, std::size_t count)
{
    std::vector<unsigned char> bytes;
    while (bytes.size() < count) {
        if (!port.Ring().GetDataEvent().WaitFor(10s))
            break;
        unsigned char chunk[512];
        const std::uint32_t got = port.Ring().Read(chunk, sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(line.Open());
        prefix.LinkDevice("com7", line.DevicePath());
    }

    bool OpenPort(SerialPort& port) { return port.OpenNamed(L"COM7:", 9600, 0, 8, 0); }

    testing::TempPrefix prefix;
    PseudoTerminal line;
    SerialPort port;
};

TEST_F(SerialPortTest, ClosingIsHarmlessWhateverTheState)
{
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Close(), 0);
    prefix.LinkDevice("com8", prefix.Path() / "no-such-device");
    EXPECT_FALSE(port.OpenNamed(L"COM8:", 9600, 0, 8, 0));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.PortName(), L"COM8:");
    EXPECT_EQ(port.Close(), 0);
    const unsigned char byte = 1;
    port.Write(&byte, 1);  // closed: nothing happens

    ASSERT_TRUE(OpenPort(port));
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, RefusesADeviceSomeoneElseHolds)
{
    for (auto convention : {DeviceHolder::Convention::Flock, DeviceHolder::Convention::TiocExcl}) {
        DeviceHolder holder;
        ASSERT_TRUE(holder.Hold(line.DevicePath(), convention));
        EXPECT_FALSE(OpenPort(port));
        EXPECT_FALSE(port.IsOpen());
        holder.Release();
        ASSERT_TRUE(OpenPort(port));
        SerialPort second;
        EXPECT_FALSE(OpenPort(second)) << "a second open in this process";
        port.Close();
        EXPECT_TRUE(OpenPort(second)) << "the lock is released at close";
    }
}

TEST_F(SerialPortTest, RelaysBytesBetweenTheLineAndTheRing)
{
    ASSERT_TRUE(port.OpenNamed(L"com7", 4800, 2, 7, 2));
    const Dcb& settings = port.LineSettingsRecord();
    EXPECT_EQ(settings.DCBlength, 28u);
    EXPECT_EQ(settings.BaudRate, 4800u);
    EXPECT_EQ(settings.ByteSize, 7);
    EXPECT_EQ(settings.Parity, 2);
    EXPECT_EQ(settings.StopBits, 2);
    std::uint32_t flags = 0;
    static_assert(sizeof flags == 4);
    std::memcpy(&flags, reinterpret_cast<const unsigned char*>(&settings) + 8, 4);
    EXPECT_EQ(flags & 0x7FFF, 0x4001u);

    const auto incoming = Sequence(3000);
    ASSERT_TRUE(line.Send(incoming));
    EXPECT_EQ(DrainRing(port, incoming.size()), incoming);
    EXPECT_EQ(port.ReceivedTotal(), 3000u);

    const auto outgoing = Sequence(200);
    port.Write(outgoing.data(), 200);
    std::vector<unsigned char> received(200);
    ASSERT_TRUE(line.Receive(received));
    EXPECT_EQ(received, outgoing);

    // The running total survives closing and opening again.
    port.Close();
    ASSERT_TRUE(OpenPort(port));
    ASSERT_TRUE(line.Send(Sequence(50)));
    EXPECT_EQ(DrainRing(port, 50).size(), 50u);
    EXPECT_EQ(port.ReceivedTotal(), 3050u);
}

TEST_F(SerialPortTest, CloseReleasesAReaderWaitingForTheRingToDrain)
{
    ASSERT_TRUE(OpenPort(port));
    ASSERT_TRUE(line.Send(Sequence(6000)));
    // Nobody drains the ring, so the reader ends up holding a counted chunk that it may not
    // store. The totals say when: nothing stores or drains any more once that chunk must wait.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    bool holding = false;
    while (!holding && std::chrono::steady_clock::now() < deadline) {
        const std::uint32_t total = port.ReceivedTotal();
        const std::uint32_t used = port.Ring().GetUsed();
        holding =
            total > used && used > 0 && SerialPort::MustWaitForEmptyRing(used, total, total - used);
        if (!holding)
            std::this_thread::yield();
    }
    ASSERT_TRUE(holding);

    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Ring().GetUsed(), 0u);
    EXPECT_TRUE(port.Ring().GetEmptyEvent().IsSet());
    EXPECT_FALSE(port.Ring().GetDataEvent().IsSet());
}

TEST_F(SerialPortTest, OpeningAnOpenPortIsRefusedAndKeepsItRelaying)
{
    ASSERT_TRUE(OpenPort(port));
    EXPECT_FALSE(OpenPort(port));
    EXPECT_TRUE(port.IsOpen());
    ASSERT_TRUE(line.Send(Sequence(10)));
    EXPECT_EQ(DrainRing(port, 10), Sequence(10));
}

TEST_F(SerialPortTest, AnOldPortHoldsAtMostOneChunkInItsRing)
{
    ASSERT_TRUE(OpenPort(port));
    ASSERT_TRUE(line.Send(Sequence(5000)));
    ASSERT_EQ(DrainRing(port, 5000).size(), 5000u);

    // Past 4 KiB received, every chunk waits for an empty ring. A consumer that takes a few
    // bytes at a time sees whether one is stored beside another.
    const auto incoming = Sequence(16384);
    bool sent = false;
    Thread sender;
    ASSERT_TRUE(sender.Start([&] { sent = line.Send(incoming); }));
    std::vector<unsigned char> got;
    std::uint32_t mostHeld = 0;
    while (got.size() < incoming.size() && port.Ring().GetDataEvent().WaitFor(10s)) {
        mostHeld = std::max(mostHeld, port.Ring().GetUsed());
        unsigned char piece[16];
        const std::uint32_t count = port.Ring().Read(piece, sizeof piece);
        got.insert(got.end(), piece, piece + count);
        std::this_thread::yield();
    }
    sender.Join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(got, incoming);
    EXPECT_LE(mostHeld, 512u);
}

TEST_F(SerialPortTest, AChunkStoredWhileClosingDoesNotSurviveTheClose)
{
    // The reader's second chunk is held after its last look at the running flag until Close
    // has cleared the ring, as a reader pre-empted there would be.
    Event held(Event::ResetMode::Manual);
    int stores = 0;
    SerialPortTestHelper::BeforeStore hook([&](SerialPort& reader) {
        if (++stores == 2) {
            held.Set();
            reader.Ring().GetEmptyEvent().Wait();
        }
    });

    ASSERT_TRUE(OpenPort(port));
    ASSERT_TRUE(line.Send(Sequence(1)));
    ASSERT_TRUE(port.Ring().GetDataEvent().WaitFor(10s));
    ASSERT_TRUE(line.Send(Sequence(1)));
    ASSERT_TRUE(held.WaitFor(10s));
    port.Close();
    EXPECT_EQ(port.Ring().GetUsed(), 0u);
    EXPECT_FALSE(port.Ring().GetDataEvent().IsSet());
}

TEST_F(SerialPortTest, AFailingEventWaitIsRetriedAfterAPause)
{
    // Every poll of the reader's event wait fails while `failing` holds, as poll() does when
    // the process may open no more descriptors. A reader that retries at once spins.
    std::atomic<int> polls = 0;
    std::atomic<bool> failing = false;
    Event spun(Event::ResetMode::Manual);
    SerialDeviceTestHelper::SetEventPollObserver([&] {
        if (!failing)
            return true;
        if (++polls == 1000)
            spun.Set();
        return false;
    });
    struct Restore {
        ~Restore() { SerialDeviceTestHelper::SetEventPollObserver(nullptr); }
    } restore;

    ASSERT_TRUE(OpenPort(port));
    ASSERT_TRUE(line.Send(Sequence(1)));
    ASSERT_TRUE(port.Ring().GetDataEvent().WaitFor(10s));  // the reader is up and waiting
    failing = true;
    ASSERT_TRUE(line.Send(Sequence(1)));  // ends the wait; the next one fails
    const bool spinning = spun.WaitFor(300ms);
    failing = false;
    port.Close();
    EXPECT_FALSE(spinning);
    EXPECT_LE(polls.load(), 10);
}

TEST(SerialPortRuleTest, TheReaderWaitsBeforeTheRingCouldOverflow)
{
    // Young port: the total decides, and a chunk that just fits is stored at once.
    EXPECT_FALSE(SerialPort::MustWaitForEmptyRing(0, 512, 512));
    EXPECT_FALSE(SerialPort::MustWaitForEmptyRing(3583, 512, 512));
    EXPECT_TRUE(SerialPort::MustWaitForEmptyRing(3585, 1024, 512));
    // Older than one ring: every chunk waits (at once when the ring is already empty).
    EXPECT_TRUE(SerialPort::MustWaitForEmptyRing(1, 5000, 100));
    EXPECT_TRUE(SerialPort::MustWaitForEmptyRing(0, 5000, 100));
    // After the 32-bit total wraps it is small again; a chunk that would not fit still waits.
    EXPECT_TRUE(SerialPort::MustWaitForEmptyRing(3700, 10, 512));
    EXPECT_FALSE(SerialPort::MustWaitForEmptyRing(100, 10, 512));
}

}  // namespace
}  // namespace quorvex
