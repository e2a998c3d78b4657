#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/threads/thread.h"
#include "relay/pulse_notifier.h"
#include "serial/line_settings.h"
#include "serial/serial_port.h"

namespace quorvex {

// Joins the receiver port to the output port and forwards bytes both ways, in order, for as
// long as the connection lasts. Connect opens the ports on a short-lived worker thread and
// returns at once; the caller polls GetStatus. While relaying, a relay thread takes chunks
// of at most 512 bytes out of either port's ring and writes them to the other port, and
// pulses that direction's notifier after each chunk.
//
// Threads: every public operation, the constructor and the destructor belong to one thread
// (the UI thread). The notifiers are not owned and must outlive their use: set them to none
// before they go away.
class RelayEngine {
public:
    enum Status : int { StatusBusy = 0, StatusReady = 1, StatusFailed = 2 };

    RelayEngine();
    virtual ~RelayEngine();  // waits for a running attempt, then disconnects
    RelayEngine(const RelayEngine&) = delete;
    RelayEngine& operator=(const RelayEngine&) = delete;

    // Either may be null. Takes effect at once, also while relaying.
    void SetNotifiers(PulseNotifier* receiverToOutput, PulseNotifier* outputToReceiver);

    // Starts an attempt to open both ports with these settings (the output port first) and
    // returns true; false, changing nothing, while an attempt runs. Only while not relaying.
    bool Connect(std::wstring_view receiverPortName, std::wstring_view outputPortName,
                 std::uint32_t baudRate, std::uint8_t parity, std::uint8_t dataBits,
                 std::uint8_t stopBits);
    Status GetStatus() const;
    bool IsRelaying() const;
    // Whether either port of the running relay has hung up (a link lost, an adapter pulled
    // out): nothing passes any more, though the relay still runs until Disconnect.
    bool HasHungUp() const;
    // Stops the relay and closes both ports; safe at any time, leaves the status as it is.
    // An attempt still running is neither waited for nor cancelled: its ports are its own
    // until it ends, and if it succeeds the relay runs until the next Disconnect.
    void Disconnect();

private:
    friend class RelayEngineTestHelper;

    void ConnectWorker();
    void RelayThread();

    SerialPort receiverPort;
    SerialPort outputPort;
    Thread relayThread;
    std::atomic<bool> relayRunning{false};
    Thread connectWorker;
    std::wstring receiverPortName;
    std::wstring outputPortName;
    LineSettings lineSettings;
    std::atomic<Status> status{StatusReady};
    std::atomic<PulseNotifier*> receiverToOutputLamp{nullptr};
    std::atomic<PulseNotifier*> outputToReceiverLamp{nullptr};
};

}  // namespace quorvex
