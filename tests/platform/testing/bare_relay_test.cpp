#include "platform/testing/bare_relay.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/serial/pseudo_terminal.h"
#include "platform/testing/random_bytes.h"
#include "platform/threads/thread.h"

namespace quorvex {
namespace {

// Benchmarks take this relay's figures as the ceiling of the real one's: a relay that lost
// bytes, or raced, would make that ceiling a lie.
TEST(BareRelayTest, RelaysEveryByteBothWaysAtOnce)
{
    PseudoTerminal first;
    PseudoTerminal second;
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(second.Open());
    BareRelay relay;
    ASSERT_TRUE(relay.Start(first.DevicePath(), second.DevicePath()));

    const auto outbound = RandomBytes::Make(256 * 1024, 1);
    const auto inbound = RandomBytes::Make(256 * 1024, 2);
    std::vector<unsigned char> outboundSeen(outbound.size());
    std::vector<unsigned char> inboundSeen(inbound.size());
    bool ok[4] = {};
    {
        Thread threads[4];
        threads[0].Start([&] { ok[0] = first.Send(outbound); });
        threads[1].Start([&] { ok[1] = second.Receive(outboundSeen); });
        threads[2].Start([&] { ok[2] = second.Send(inbound); });
        threads[3].Start([&] { ok[3] = first.Receive(inboundSeen); });
    }
    EXPECT_TRUE(ok[0] && ok[1] && ok[2] && ok[3]);
    EXPECT_EQ(outboundSeen, outbound);
    EXPECT_EQ(inboundSeen, inbound);
}

// Nobody reads the far side: the relay thread waits to write and the reader for an empty
// slot. Stop must end both waits and let the devices go.
TEST(BareRelayTest, StopEndsEveryWaitAndClosesTheDevices)
{
    PseudoTerminal first;
    PseudoTerminal second;
    ASSERT_TRUE(first.Open(PseudoTerminal::DeviceSide::Free));
    ASSERT_TRUE(second.Open(PseudoTerminal::DeviceSide::Free));
    BareRelay relay;
    ASSERT_TRUE(relay.Start(first.DevicePath(), second.DevicePath()));
    // More than the line, the slot and the chunk in hand can hold, so that every stage waits.
    const auto bytes = RandomBytes::Make(1024 * 1024, 3);
    (void)first.Send(bytes, std::chrono::milliseconds(200));

    relay.Stop();
    EXPECT_FALSE(first.DeviceIsOpen());
    EXPECT_FALSE(second.DeviceIsOpen());
}

}  // namespace
}  // namespace quorvex
