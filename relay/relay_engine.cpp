#include "relay/relay_engine.h"

#include <array>

#include "platform/threads/event.h"

namespace quorvex {
namespace {

constexpr std::uint32_t kChunkSize = 512;

}  // namespace

RelayEngine::RelayEngine() = default;

RelayEngine::~RelayEngine()
{
    connectWorker.Join();
    Disconnect();
}

void RelayEngine::SetNotifiers(PulseNotifier* receiverToOutput, PulseNotifier* outputToReceiver)
{
    receiverToOutputLamp.store(receiverToOutput, std::memory_order_release);
    outputToReceiverLamp.store(outputToReceiver, std::memory_order_release);
}

bool RelayEngine::Connect(std::wstring_view receiverName, std::wstring_view outputName,
                          std::uint32_t baudRate, std::uint8_t parity, std::uint8_t dataBits,
                          std::uint8_t stopBits)
{
    if (status.load(std::memory_order_acquire) == StatusBusy)
        return false;
    // The previous worker has set its final status and is at most returning: joining it
    // here is brief, and frees the slot for the new one.
    connectWorker.Join();
    status.store(StatusBusy, std::memory_order_relaxed);
    receiverPortName = receiverName;
    outputPortName = outputName;
    lineSettings = {baudRate, parity, dataBits, stopBits};
    // A worker that cannot start leaves the status busy, as the caller is told to expect.
    (void)connectWorker.Start([this] { ConnectWorker(); });
    return true;
}

RelayEngine::Status RelayEngine::GetStatus() const
{
    return status.load(std::memory_order_acquire);
}

bool RelayEngine::IsRelaying() const
{
    // The worker starts the relay thread before it publishes the status; while it is still
    // busy the thread object is its own.
    return GetStatus() != StatusBusy && relayThread.IsStarted();
}

bool RelayEngine::HasHungUp() const
{
    return IsRelaying() && (receiverPort.IsHungUp() || outputPort.IsHungUp());
}

void RelayEngine::Disconnect()
{
    // While an attempt runs, its worker owns both ports and the relay thread: closing them
    // under it would race its opening. The attempt keeps what it opens until the next
    // Disconnect, as a late success would anyway.
    if (GetStatus() == StatusBusy)
        return;
    if (relayThread.IsStarted()) {
        relayRunning.store(false, std::memory_order_relaxed);
        // Wakes the relay thread also when no data flows; its read of the empty ring
        // returns nothing and resets the event again.
        receiverPort.Ring().GetDataEvent().Set();
        relayThread.Join();
    }
    receiverPort.Close();
    outputPort.Close();
}

void RelayEngine::ConnectWorker()
{
    const std::wstring receiverName = receiverPortName;
    const std::wstring outputName = outputPortName;
    const LineSettings settings = lineSettings;

    bool opened = outputPort.OpenNamed(outputName, settings.baudRate, settings.parity,
                                       settings.dataBits, settings.stopBits);
    if (opened)
        opened = receiverPort.OpenNamed(receiverName, settings.baudRate, settings.parity,
                                        settings.dataBits, settings.stopBits);
    if (opened) {
        relayRunning.store(true, std::memory_order_relaxed);
        // A relay thread that cannot start is not detected: the ports stay open, quiet.
        (void)relayThread.Start([this] { RelayThread(); });
    } else {
        receiverPort.Close();
        outputPort.Close();
    }
    // Last: publishing the status hands the ports and the relay thread back to the UI thread.
    status.store(opened ? StatusReady : StatusFailed, std::memory_order_release);
}

void RelayEngine::RelayThread()
{
    std::array<Event*, 2> dataEvents = {&receiverPort.Ring().GetDataEvent(),
                                        &outputPort.Ring().GetDataEvent()};
    unsigned char chunk[kChunkSize];
    while (relayRunning.load(std::memory_order_relaxed)) {
        const std::optional<std::size_t> index = Event::WaitAny(dataEvents);
        if (index == 0) {
            const std::uint32_t count = receiverPort.Ring().Read(chunk, kChunkSize);
            if (count > 0) {
                outputPort.Write(chunk, count);
                if (PulseNotifier* lamp = receiverToOutputLamp.load(std::memory_order_acquire))
                    lamp->Pulse();
            }
        } else if (index == 1) {
            const std::uint32_t count = outputPort.Ring().Read(chunk, kChunkSize);
            if (count > 0) {
                receiverPort.Write(chunk, count);
                if (PulseNotifier* lamp = outputToReceiverLamp.load(std::memory_order_acquire))
                    lamp->Pulse();
            }
        }
    }
}

}  // namespace quorvex
