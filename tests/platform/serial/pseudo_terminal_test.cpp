#include "platform/serial/pseudo_terminal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <numeric>

namespace quorvex {
namespace {

using namespace std::chrono_literals;

// Reads exactly bytes.size() bytes from a device-side descriptor, giving up when none come
// for 10 s: a line left cooked holds its bytes back.
bool ReadAll(int fd, std::span<unsigned char> bytes)
{
    while (!bytes.empty()) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 10000) != 1)
            return false;
        const ssize_t got = ::read(fd, bytes.data(), bytes.size());
        if (got <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(got));
    }
    return true;
}

// A far end that does not hold the device side: the program that opens the device is its
// only holder, so a live owner lookup sees that program alone, and the line is raw before
// the program has set anything, so that every byte value passes both ways unchanged.
TEST(PseudoTerminalTest, AFreeDeviceSideIsHeldOnlyByWhoeverOpensItAndIsRawFromTheStart)
{
    PseudoTerminal line;
    ASSERT_TRUE(line.Open(PseudoTerminal::DeviceSide::Free));
    EXPECT_FALSE(line.DeviceIsOpen());
    const std::array<unsigned char, 1> early{'x'};
    EXPECT_FALSE(line.Send(early, 100ms));

    const int device = ::open(line.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(device, 0);
    EXPECT_TRUE(line.DeviceIsOpen());

    std::array<unsigned char, 256> all{};
    std::iota(all.begin(), all.end(), 0);
    ASSERT_TRUE(line.Send(all));
    std::array<unsigned char, 256> seen{};
    ASSERT_TRUE(ReadAll(device, seen));
    EXPECT_EQ(seen, all);

    ASSERT_EQ(::write(device, all.data(), all.size()), 256);
    seen.fill(0);
    ASSERT_TRUE(line.Receive(seen));
    EXPECT_EQ(seen, all);

    ::close(device);
    EXPECT_FALSE(line.DeviceIsOpen());
    EXPECT_FALSE(line.Send(early, 100ms));
    EXPECT_EQ(line.ReceiveSome(seen, 100ms), 0u);
}

TEST(PseudoTerminalTest, AHeldDeviceSideOutlivesAProgramsClose)
{
    PseudoTerminal line;
    ASSERT_TRUE(line.Open());
    EXPECT_TRUE(line.DeviceIsOpen());
    ::close(::open(line.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    EXPECT_TRUE(line.DeviceIsOpen());
    EXPECT_FALSE(line.Open());  // one pair per object
    line.HangUp();
    EXPECT_FALSE(line.DeviceIsOpen());
}

}  // namespace
}  // namespace quorvex
