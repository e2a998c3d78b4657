#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/serial/dcb.h"
#include "platform/serial/serial_device.h"
#include "platform/threads/event.h"
#include "platform/threads/thread.h"
#include "serial/ring_buffer.h"

namespace quorvex {

// One serial device opened by name with the chosen line settings, served by a reader
// thread of its own that moves every received byte into the port's ring.
//
// Threads: Open and Close are called by one thread at a time (the relay engine's connect
// worker or the UI thread). Write may be called from one other thread while the port is
// open, and the ring is read by that thread. The reader thread exists from a successful
// Open until Close, which ends and joins it before the device is closed.
class SerialPort {
public:
    SerialPort();
    virtual ~SerialPort();  // closes the port
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Remembers the name, then opens it as Open does.
    bool OpenNamed(std::wstring_view name, std::uint32_t baudRate, std::uint8_t parity,
                   std::uint8_t dataBits, std::uint8_t stopBits);
    // Opens the device exclusively, with 100 ms read and write time-outs and the line
    // settings (a device that refuses them still counts as opened), and starts the reader.
    // False, with the port still closed, when the device is absent or held by anyone else;
    // false, changing nothing, on a port that is open.
    virtual bool Open(std::wstring_view name, std::uint32_t baudRate, std::uint8_t parity,
                      std::uint8_t dataBits, std::uint8_t stopBits);
    // Stops and joins the reader (discarding what the ring holds), then closes the device.
    // Harmless on a closed port. Always 0.
    virtual int Close();

    // Sends bytes with one bounded write; what the device does not take within 100 ms is
    // lost. Does nothing on a closed port.
    void Write(const unsigned char* bytes, std::uint32_t length);

    RingBuffer& Ring() { return ring; }
    bool IsOpen() const { return device.IsOpen(); }
    // Whether the device hung up since it was opened; any thread.
    bool IsHungUp() const { return device.IsHungUp(); }
    const std::wstring& PortName() const { return portName; }
    const Dcb& LineSettingsRecord() const { return lineSettings; }
    std::uint32_t ReceivedTotal() const { return receivedTotal.load(std::memory_order_relaxed); }

    // Whether the reader must wait for an empty ring before storing a chunk of `count` bytes,
    // given the bytes the ring holds and the running total received (with the chunk). The
    // total alone decides while it counts true; the second test keeps the ring from
    // overflowing once the 32-bit total has wrapped.
    static bool MustWaitForEmptyRing(std::uint32_t used, std::uint32_t receivedTotal,
                                     std::uint32_t count);

private:
    void ReaderThread();

    std::atomic<std::uint32_t> receivedTotal{0};
    RingBuffer ring;
    SerialDevice device;
    Thread readerThread;
    std::atomic<bool> readerRunning{false};
    Event readerStop{Event::ResetMode::Manual};  // set by Close: ends the reader's pauses
    std::wstring portName;
    Dcb lineSettings;
};

}  // namespace quorvex
