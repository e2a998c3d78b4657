#include "sim/sim_link.h"

#include <cstring>

#include "platform/system/utf8.h"

namespace quorvex {

bool SimLink::OpenDevice(const std::string& name, std::uint32_t baud, std::string& error)
{
    const std::wstring wide = FromUtf8(name);
    const auto resolved = SerialDevice::Resolve(wide);
    if (!resolved) {
        error = "not a device name: " + name;
        return false;
    }
    if (!device.Open(wide)) {
        error = "cannot open " + resolved->string() + " (missing, or held by another program)";
        return false;
    }
    Dcb settings;
    settings.DCBlength = sizeof settings;
    settings.BaudRate = baud;
    settings.fBinary = 1;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    if (!device.SetState(settings)) {
        device.Close();
        error = resolved->string() + " refuses " + std::to_string(baud) + " baud, 8N1";
        return false;
    }
    path = *resolved;
    return true;
}

bool SimLink::OpenPseudoTerminal(std::string& error)
{
    if (!terminal.Open(PseudoTerminal::DeviceSide::Free)) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(terminal.Error());
        return false;
    }
    isTerminal = true;
    path = terminal.DevicePath();
    return true;
}

bool SimLink::Listening() const
{
    return isTerminal ? terminal.DeviceIsOpen() : device.IsOpen();
}

SimLink::Sent SimLink::Send(std::string_view bytes)
{
    constexpr std::chrono::milliseconds kLimit(100);
    if (isTerminal) {
        if (!terminal.DeviceIsOpen())
            return Sent::NobodyListening;
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        return terminal.Send({data, bytes.size()}, kLimit) ? Sent::Whole : Sent::Failed;
    }
    CommTimeouts timeouts;
    timeouts.WriteTotalTimeoutConstant = kLimit.count();
    std::uint32_t written = 0;
    const bool ok = device.SetTimeouts(timeouts) &&
                    device.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), written);
    return ok && written == bytes.size() ? Sent::Whole : Sent::Failed;
}

std::size_t SimLink::Receive(std::span<unsigned char> buffer, std::chrono::milliseconds limit)
{
    if (isTerminal)
        return terminal.ReceiveSome(buffer, limit);
    CommTimeouts timeouts;
    timeouts.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(limit.count());
    timeouts.WriteTotalTimeoutConstant = 100;
    std::uint32_t read = 0;
    if (!device.SetTimeouts(timeouts) ||
        !device.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), read))
        return 0;
    return read;
}

}  // namespace quorvex
