#include "relay/relay_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial/pseudo_terminal.h"
#include "platform/serial/serial_device.h"
#include "platform/serial/serial_device_test_helper.h"
#include "platform/testing/device_holder.h"
#include "platform/testing/random_bytes.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"
#include "serial/serial_port_test_helper.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

class CountingLamp : public PulseNotifier {
public:
    void Pulse() override
    {
        std::lock_guard lock(mutex);
        ++pulses;
        changed.notify_all();
    }

    // Waits until at least `count` pulses came, then says how many there are.
    int WaitFor(int count)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 10s, [&] { return pulses >= count; });
        return pulses;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    int pulses = 0;
};

// Sees every device the engine opens, and can hold an opening until the test lets it go.
class OpenGate {
public:
    explicit OpenGate(bool holdOpenings)
    {
        SerialDeviceTestHelper::SetOpenObserver(
            [this, holdOpenings](const std::filesystem::path& node) {
                {
                    std::lock_guard lock(mutex);
                    opened.push_back(node);
                }
                if (holdOpenings) {
                    entered.Set();
                    release.Wait();
                }
            });
    }
    ~OpenGate() { SerialDeviceTestHelper::SetOpenObserver(nullptr); }

    std::vector<std::filesystem::path> Opened()
    {
        std::lock_guard lock(mutex);
        return opened;
    }

    Event entered{Event::ResetMode::Manual};
    Event release{Event::ResetMode::Manual};

private:
    std::mutex mutex;
    std::vector<std::filesystem::path> opened;
};

class RelayEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(receiver.Open());
        ASSERT_TRUE(output.Open());
        prefix.LinkDevice("com2", receiver.DevicePath());
        prefix.LinkDevice("com5", output.DevicePath());
    }

    bool Connect(RelayEngine& relay, const wchar_t* outputName = L"COM5:")
    {
        return relay.Connect(L"COM2:", outputName, 115200, 0, 8, 0);
    }

    static RelayEngine::Status Settle(RelayEngine& relay)
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (relay.GetStatus() == RelayEngine::StatusBusy &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        return relay.GetStatus();
    }

    // Both devices are free again: nothing of the engine holds them.
    bool BothDevicesFree()
    {
        SerialDevice probe;
        const bool receiverFree = probe.Open(L"COM2:");
        probe.Close();
        const bool outputFree = probe.Open(L"COM5:");
        probe.Close();
        return receiverFree && outputFree;
    }

    // Sends one byte each way and checks that it comes out on the other side.
    void ExpectRelaying(PseudoTerminal& from, PseudoTerminal& to, unsigned char byte)
    {
        ASSERT_TRUE(from.Send({&byte, 1}));
        unsigned char got = 0;
        ASSERT_TRUE(to.Receive({&got, 1}));
        EXPECT_EQ(got, byte);
    }

    testing::TempPrefix prefix;
    PseudoTerminal receiver;
    PseudoTerminal output;
    // Declared before the engine, so that they outlive its relay thread.
    CountingLamp lamp;
    CountingLamp otherLamp;
    RelayEngine engine;
};

TEST_F(RelayEngineTest, AnIdleEngineIsReadyAndDisconnectsHarmlessly)
{
    EXPECT_EQ(engine.GetStatus(), RelayEngine::StatusReady);
    EXPECT_FALSE(engine.IsRelaying());
    engine.Disconnect();
    EXPECT_EQ(engine.GetStatus(), RelayEngine::StatusReady);
}

TEST_F(RelayEngineTest, RelaysAMebibyteEachWayAtOnceInOrder)
{
    engine.SetNotifiers(&lamp, nullptr);
    ASSERT_TRUE(Connect(engine));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);
    EXPECT_TRUE(engine.IsRelaying());

    const std::size_t size = 1 << 20;
    const auto outbound = RandomBytes::Make(size, 1);
    const auto inbound = RandomBytes::Make(size, 2);
    std::vector<unsigned char> outboundSeen(size);
    std::vector<unsigned char> inboundSeen(size);
    bool sentOut = false, sentIn = false, gotOut = false, gotIn = false;
    {
        Thread sendOut, sendIn, receiveOut, receiveIn;
        sendOut.Start([&] { sentOut = receiver.Send(outbound, 60s); });
        receiveOut.Start([&] { gotOut = output.Receive(outboundSeen, 60s); });
        sendIn.Start([&] { sentIn = output.Send(inbound, 60s); });
        receiveIn.Start([&] { gotIn = receiver.Receive(inboundSeen, 60s); });
    }
    EXPECT_TRUE(sentOut && sentIn && gotOut && gotIn);
    EXPECT_TRUE(outboundSeen == outbound) << "receiver to output";
    EXPECT_TRUE(inboundSeen == inbound) << "output to receiver";
    EXPECT_GE(lamp.WaitFor(static_cast<int>(size / 512)), static_cast<int>(size / 512));

    engine.Disconnect();
    EXPECT_EQ(engine.GetStatus(), RelayEngine::StatusReady);
    EXPECT_FALSE(engine.IsRelaying());
    EXPECT_TRUE(BothDevicesFree());
    ASSERT_TRUE(Connect(engine));
    EXPECT_EQ(Settle(engine), RelayEngine::StatusReady);
}

TEST_F(RelayEngineTest, PulsesOncePerChunkAndOnlyForTheLampsThatAreSet)
{
    engine.SetNotifiers(&lamp, nullptr);
    ASSERT_TRUE(Connect(engine));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);

    // One byte at a time, each its own chunk: exactly one pulse each.
    for (int i = 1; i <= 5; ++i) {
        ExpectRelaying(receiver, output, static_cast<unsigned char>(i));
        EXPECT_EQ(lamp.WaitFor(i), i);
    }
    // The relay thread serves chunks one after another, so a pulse for the traffic below
    // would come before the pulse for the marker that follows it.
    for (int i = 0; i < 5; ++i)
        ExpectRelaying(output, receiver, static_cast<unsigned char>(i));
    engine.SetNotifiers(nullptr, nullptr);
    ExpectRelaying(receiver, output, 42);
    // The byte can arrive before the relay has looked for a lamp to pulse; once a byte the
    // other way has come through, that chunk is over.
    ExpectRelaying(output, receiver, 44);
    engine.SetNotifiers(&lamp, nullptr);
    ExpectRelaying(receiver, output, 43);
    EXPECT_EQ(lamp.WaitFor(6), 6);
}

TEST_F(RelayEngineTest, FailedAttemptsLeaveBothPortsClosed)
{
    {
        OpenGate gate(false);
        prefix.LinkDevice("com9", prefix.Path() / "absent");
        ASSERT_TRUE(Connect(engine, L"COM9:"));
        EXPECT_EQ(Settle(engine), RelayEngine::StatusFailed);
        EXPECT_EQ(gate.Opened().size(), 1u) << "the receiver port is not tried";
    }
    EXPECT_FALSE(engine.IsRelaying());

    DeviceHolder holder;
    ASSERT_TRUE(holder.Hold(receiver.DevicePath(), DeviceHolder::Convention::Flock));
    ASSERT_TRUE(Connect(engine));
    EXPECT_EQ(Settle(engine), RelayEngine::StatusFailed);
    holder.Release();
    EXPECT_TRUE(BothDevicesFree()) << "the output port was closed again";

    ASSERT_TRUE(Connect(engine));
    EXPECT_EQ(Settle(engine), RelayEngine::StatusReady);
    ExpectRelaying(receiver, output, 7);
}

TEST_F(RelayEngineTest, RefusesASecondConnectWhileAnAttemptRuns)
{
    OpenGate gate(true);
    ASSERT_TRUE(Connect(engine));
    ASSERT_TRUE(gate.entered.WaitFor(10s));
    EXPECT_EQ(engine.GetStatus(), RelayEngine::StatusBusy);
    EXPECT_FALSE(Connect(engine));
    engine.Disconnect();  // neither waits for nor disturbs the attempt
    gate.release.Set();
    EXPECT_EQ(Settle(engine), RelayEngine::StatusReady);
    EXPECT_TRUE(engine.IsRelaying());
    ExpectRelaying(output, receiver, 9);
}

TEST_F(RelayEngineTest, TheDestructorWaitsForAnAttemptStillOpening)
{
    // Set as soon as the engine's destruction begins, before the base destructor runs.
    struct Engine : RelayEngine {
        explicit Engine(Event& destroying) : destroying(destroying) {}
        ~Engine() override { destroying.Set(); }
        Event& destroying;
    };
    Event destroying(Event::ResetMode::Manual);
    OpenGate gate(true);
    auto relay = std::make_unique<Engine>(destroying);
    ASSERT_TRUE(Connect(*relay));
    ASSERT_TRUE(gate.entered.WaitFor(10s));
    Thread releaser;
    ASSERT_TRUE(releaser.Start([&] {
        destroying.Wait();
        gate.release.Set();
    }));
    relay.reset();  // must wait for the worker, then close what it opened
    releaser.Join();
    EXPECT_EQ(gate.Opened().size(), 2u);
    EXPECT_TRUE(BothDevicesFree());
}

// Records which direction each pulse was for, and can hold the relay thread in the first
// receiver-to-output pulse until released.
class OrderLamps {
public:
    class Lamp : public PulseNotifier {
    public:
        Lamp(OrderLamps& lamps, char direction) : lamps(lamps), direction(direction) {}
        void Pulse() override { lamps.Pulsed(direction); }

    private:
        OrderLamps& lamps;
        char direction;
    };

    std::string Order()
    {
        std::lock_guard lock(mutex);
        return order;
    }

    Lamp toOutput{*this, 'o'};
    Lamp toReceiver{*this, 'r'};
    Event holding{Event::ResetMode::Manual};
    Event release{Event::ResetMode::Manual};
    Event thirdPulse{Event::ResetMode::Manual};

private:
    void Pulsed(char direction)
    {
        std::size_t count = 0;
        {
            std::lock_guard lock(mutex);
            order += direction;
            count = order.size();
        }
        if (count == 1) {
            holding.Set();
            release.Wait();
        }
        if (count == 3)
            thirdPulse.Set();
    }

    std::mutex mutex;
    std::string order;
};

TEST_F(RelayEngineTest, ServesReceiverToOutputFirstWhenBothWait)
{
    // The engine's two ports, as their readers store into their rings.
    std::mutex portsMutex;
    std::vector<SerialPort*> ports;
    Event bothSeen(Event::ResetMode::Manual);
    SerialPortTestHelper::BeforeStore hook([&](SerialPort& port) {
        std::lock_guard lock(portsMutex);
        if (std::find(ports.begin(), ports.end(), &port) == ports.end())
            ports.push_back(&port);
        if (ports.size() == 2)
            bothSeen.Set();
    });
    OrderLamps lamps;
    engine.SetNotifiers(&lamps.toOutput, &lamps.toReceiver);
    ASSERT_TRUE(Connect(engine));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);

    ExpectRelaying(receiver, output, 1);
    ASSERT_TRUE(lamps.holding.WaitFor(10s));  // the relay thread is held in that chunk's pulse
    const unsigned char toReceiver = 2, toOutput = 3;
    ASSERT_TRUE(output.Send({&toReceiver, 1}));
    ASSERT_TRUE(receiver.Send({&toOutput, 1}));
    // Nothing takes from the rings while the relay thread is held: both fill and stay so.
    ASSERT_TRUE(bothSeen.WaitFor(10s));
    for (SerialPort* port : ports)
        ASSERT_TRUE(port->Ring().GetDataEvent().WaitFor(10s));
    lamps.release.Set();
    ASSERT_TRUE(lamps.thirdPulse.WaitFor(10s));
    EXPECT_EQ(lamps.Order(), "oor");
    engine.Disconnect();
    engine.SetNotifiers(nullptr, nullptr);
}

TEST_F(RelayEngineTest, DisconnectStopsTheRelayBeforeItClosesAPort)
{
    SerialPort* receiverPort = nullptr;
    SerialPortTestHelper::BeforeStore hook([&](SerialPort& port) {
        if (receiverPort == nullptr)
            receiverPort = &port;  // the first store: the receiver's byte below
    });
    OrderLamps lamps;
    engine.SetNotifiers(&lamps.toOutput, &lamps.toReceiver);
    ASSERT_TRUE(Connect(engine));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);
    ExpectRelaying(receiver, output, 1);
    ASSERT_TRUE(lamps.holding.WaitFor(10s));  // the relay thread is held, the ring empty

    Thread disconnecting;
    ASSERT_TRUE(disconnecting.Start([&] { engine.Disconnect(); }));
    // Disconnect wakes the relay thread through the receiver ring's data event and then
    // waits for it; until then both ports must stay open.
    ASSERT_TRUE(receiverPort->Ring().GetDataEvent().WaitFor(10s));
    SerialDevice probe;
    EXPECT_FALSE(probe.Open(L"COM2:")) << "the receiver port was closed under the relay";
    probe.Close();
    EXPECT_FALSE(probe.Open(L"COM5:")) << "the output port was closed under the relay";
    probe.Close();
    lamps.release.Set();
    disconnecting.Join();
    EXPECT_TRUE(BothDevicesFree());
    engine.SetNotifiers(nullptr, nullptr);
}

TEST_F(RelayEngineTest, DisconnectsWhileDataStreamsBothWays)
{
    engine.SetNotifiers(&lamp, &otherLamp);
    ASSERT_TRUE(Connect(engine));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);
    std::atomic<bool> streaming = true;
    const auto stream = [&](PseudoTerminal& from) {
        const auto bytes = RandomBytes::Make(512, 3);
        while (streaming)
            (void)from.Send(bytes, 50ms);  // fails once the relay stops taking them
    };
    const auto sink = [&](PseudoTerminal& to) {
        unsigned char bytes[4096];
        while (streaming)
            (void)to.ReceiveSome(bytes, 50ms);
    };
    {
        Thread threads[4];
        ASSERT_TRUE(threads[0].Start([&] { stream(receiver); }));
        ASSERT_TRUE(threads[1].Start([&] { stream(output); }));
        ASSERT_TRUE(threads[2].Start([&] { sink(receiver); }));
        ASSERT_TRUE(threads[3].Start([&] { sink(output); }));
        EXPECT_GE(lamp.WaitFor(20), 20);
        EXPECT_GE(otherLamp.WaitFor(20), 20);
        engine.Disconnect();
        streaming = false;
    }
    EXPECT_FALSE(engine.IsRelaying());
    EXPECT_TRUE(BothDevicesFree());
}

TEST_F(RelayEngineTest, AHangUpStopsNothingButTheLine)
{
    ASSERT_TRUE(Connect(engine));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);
    ExpectRelaying(receiver, output, 1);
    output.HangUp();
    const std::vector<unsigned char> lost(2000, 0xAA);
    ASSERT_TRUE(receiver.Send(lost));  // relayed to a dead line
    engine.Disconnect();
    EXPECT_FALSE(engine.IsRelaying());

    PseudoTerminal fresh;
    ASSERT_TRUE(fresh.Open());
    prefix.LinkDevice("com6", fresh.DevicePath());
    ASSERT_TRUE(Connect(engine, L"COM6:"));
    ASSERT_EQ(Settle(engine), RelayEngine::StatusReady);
    // What the dead line could not take may still wait in the receiver's device queue.
    const unsigned char marker = 2;
    ASSERT_TRUE(receiver.Send({&marker, 1}));
    unsigned char got = 0xAA;
    while (got == 0xAA)
        ASSERT_TRUE(fresh.Receive({&got, 1}));
    EXPECT_EQ(got, marker);
    ExpectRelaying(fresh, receiver, 3);
}

}  // namespace
}  // namespace quorvex
