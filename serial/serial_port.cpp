#include "serial/serial_port.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include "platform/serial/comm_timeouts.h"
#include "serial/serial_port_test_helper.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kChunkSize = 512;
constexpr std::uint32_t kReaderEvents = EV_RXCHAR | EV_ERR;
// A failing event wait is tried again after a pause that doubles up to the longest.
constexpr auto kFirstBackOff = 10ms;
constexpr auto kLongestBackOff = 1000ms;

// What tests put in place (serial_port_test_helper.h); set only while no reader runs, so the
// readers look at it without a lock.
std::function<void(SerialPort&)>& BeforeStoreHook()
{
    static std::function<void(SerialPort&)> hook;
    return hook;
}

}  // namespace

void SerialPortTestHelper::SetBeforeStore(std::function<void(SerialPort&)> hook)
{
    BeforeStoreHook() = std::move(hook);
}

SerialPort::SerialPort() = default;

SerialPort::~SerialPort()
{
    Close();
}

bool SerialPort::OpenNamed(std::wstring_view name, std::uint32_t baudRate, std::uint8_t parity,
                           std::uint8_t dataBits, std::uint8_t stopBits)
{
    portName = name;
    return Open(name, baudRate, parity, dataBits, stopBits);
}

bool SerialPort::Open(std::wstring_view name, std::uint32_t baudRate, std::uint8_t parity,
                      std::uint8_t dataBits, std::uint8_t stopBits)
{
    if (readerThread.IsStarted() || !device.Open(name))
        return false;

    CommTimeouts timeouts;
    timeouts.ReadTotalTimeoutConstant = 100;
    timeouts.WriteTotalTimeoutConstant = 100;
    (void)device.SetTimeouts(timeouts);  // a device that refuses time-outs still counts as opened

    lineSettings.DCBlength = sizeof(Dcb);
    lineSettings.BaudRate = baudRate;
    lineSettings.fBinary = 1;
    lineSettings.fParity = 0;
    lineSettings.fOutxCtsFlow = 0;
    lineSettings.fOutxDsrFlow = 0;
    lineSettings.fDtrControl = DTR_CONTROL_DISABLE;
    lineSettings.fDsrSensitivity = 0;
    lineSettings.fTXContinueOnXoff = 0;
    lineSettings.fOutX = 0;
    lineSettings.fInX = 0;
    lineSettings.fErrorChar = 0;
    lineSettings.fNull = 0;
    lineSettings.fRtsControl = RTS_CONTROL_DISABLE;
    lineSettings.fAbortOnError = 1;
    lineSettings.XonLim = 0;
    lineSettings.XoffLim = 0;
    lineSettings.ByteSize = dataBits;
    lineSettings.Parity = parity;
    lineSettings.StopBits = stopBits;
    lineSettings.XonChar = 0;
    lineSettings.XoffChar = 0;
    (void)device.SetState(lineSettings);  // likewise: refused settings are not detected

    readerRunning.store(true, std::memory_order_relaxed);
    readerStop.Reset();
    (void)readerThread.Start(
        [this] { ReaderThread(); });  // a reader that cannot start is not detected
    return true;
}

int SerialPort::Close()
{
    if (readerThread.IsStarted()) {
        readerRunning.store(false, std::memory_order_relaxed);
        readerStop.Set();
        ring.Clear();
        (void)device.SetMask(kReaderEvents);  // only to end a pending event wait
        readerThread.Join();
        // A reader that checked the flag just before it was cleared may have stored its chunk
        // after the clear above; it must not reach the next connection.
        ring.Clear();
    }
    device.Close();
    return 0;
}

void SerialPort::Write(const unsigned char* bytes, std::uint32_t length)
{
    std::uint32_t written = 0;
    // Short and failed writes are neither retried nor reported: the relay loses what a slow
    // line cannot take, by design.
    (void)device.Write(bytes, length, written);
}

bool SerialPort::MustWaitForEmptyRing(std::uint32_t used, std::uint32_t receivedTotal,
                                      std::uint32_t count)
{
    const std::uint32_t free = RingBuffer::kStorageSize - used;
    return free < receivedTotal || free <= count;
}

void SerialPort::ReaderThread()
{
    (void)device.SetMask(kReaderEvents);  // cannot fail on an open device
    auto backOff = kFirstBackOff;
    while (readerRunning.load(std::memory_order_relaxed)) {
        std::uint32_t events = 0;
        // A failed wait reports no events; it is tried again after a pause, which Close ends.
        if (!device.WaitEvent(events)) {
            (void)readerStop.WaitFor(backOff);
            backOff = std::min<std::chrono::milliseconds>(backOff * 2, kLongestBackOff);
            continue;
        }
        backOff = kFirstBackOff;
        if ((events & EV_RXCHAR) != 0) {
            std::uint32_t count = 1;
            while (count != 0) {
                unsigned char chunk[kChunkSize];
                if (!device.Read(chunk, kChunkSize, count))
                    break;
                if (count == 0)
                    break;
                const std::uint32_t total =
                    receivedTotal.fetch_add(count, std::memory_order_relaxed) + count;
                // Past one ring's worth the total alone decides, and the ring's lock is spared.
                if (total > RingBuffer::kStorageSize ||
                    MustWaitForEmptyRing(ring.GetUsed(), total, count))
                    ring.GetEmptyEvent().Wait();
                if (!readerRunning.load(std::memory_order_relaxed))
                    break;
                if (BeforeStoreHook())
                    BeforeStoreHook()(*this);
                ring.Write(chunk, count);
            }
        } else if ((events & EV_ERR) != 0) {
            (void)device.ClearError();  // the error flags are not used
        }
    }
}

}  // namespace quorvex
