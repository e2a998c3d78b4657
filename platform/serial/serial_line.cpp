#include "platform/serial/serial_line.h"

// <asm/termbits.h> gives termios2 and BOTHER, which take any rate; it clashes with
// <termios.h>, which is therefore not included here.
#include <cerrno>

#include <asm/ioctls.h>
#include <asm/termios.h>
#include <linux/serial.h>

#include "platform/system/posix.h"

namespace quorvex {
namespace {

bool CharacterSize(std::uint8_t byteSize, tcflag_t& flag)
{
    switch (byteSize) {
        case 5:
            flag = CS5;
            return true;
        case 6:
            flag = CS6;
            return true;
        case 7:
            flag = CS7;
            return true;
        case 8:
            flag = CS8;
            return true;
        default:
            return false;
    }
}

bool ParityFlags(std::uint8_t parity, tcflag_t& flags)
{
    switch (parity) {
        case NOPARITY:
            flags = 0;
            return true;
        case ODDPARITY:
            flags = PARENB | PARODD;
            return true;
        case EVENPARITY:
            flags = PARENB;
            return true;
        case MARKPARITY:
            flags = PARENB | CMSPAR | PARODD;
            return true;
        case SPACEPARITY:
            flags = PARENB | CMSPAR;
            return true;
        default:
            return false;
    }
}

bool StopFlags(std::uint8_t stopBits, tcflag_t& flags)
{
    switch (stopBits) {
        case ONESTOPBIT:
            flags = 0;
            return true;
        // Linux has no one and a half stop bits; CSTOPB gives 1.5 on 5-bit lines in hardware.
        case ONE5STOPBITS:
        case TWOSTOPBITS:
            flags = CSTOPB;
            return true;
        default:
            return false;
    }
}

}  // namespace

bool SerialLine::Apply(int fd, const Dcb& settings)
{
    termios2 line{};
    if (!Posix::Ioctl(fd, TCGETS2, &line).Ok())
        return false;

    // A field the record cannot mean keeps the line's old value; the rest is applied all the
    // same, so that a refused setting never leaves the line cooked (echoing, turning CR into
    // LF) towards the far side.
    tcflag_t size = line.c_cflag & CSIZE;
    tcflag_t parity = line.c_cflag & (PARENB | PARODD | CMSPAR);
    tcflag_t stop = line.c_cflag & CSTOPB;
    tcflag_t speed = line.c_cflag & (CBAUD | CIBAUD);
    bool understood = CharacterSize(settings.ByteSize, size);
    understood = ParityFlags(settings.Parity, parity) && understood;
    understood = StopFlags(settings.StopBits, stop) && understood;
    if (settings.BaudRate != 0) {
        speed = BOTHER;
        line.c_ispeed = settings.BaudRate;
        line.c_ospeed = settings.BaudRate;
    } else {
        understood = false;
    }

    // Received parity is never checked or marked, whatever the record says: the record's
    // fParity is 0 in every use, and a raw line passes every byte on as it came.
    line.c_iflag = 0;
    line.c_oflag = 0;
    line.c_lflag = 0;
    line.c_cflag = CREAD | CLOCAL | speed | size | parity | stop;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    // A device may apply part of the request and still report EINVAL; what it kept is what
    // the line has, so the result only says whether the device listened at all.
    const SystemResult applied = Posix::Ioctl(fd, TCSETS2, &line);
    return understood && (applied.Ok() || applied.error == EINVAL);
}

void SerialLine::LowerModemLines(int fd)
{
    int lines = TIOCM_DTR | TIOCM_RTS;
    // Pseudo-terminals and some adapters have no modem lines and answer ENOTTY; nothing to do.
    (void)Posix::Ioctl(fd, TIOCMBIC, &lines);
}

bool SerialLine::ErrorCount(int fd, std::uint64_t& count)
{
    serial_icounter_struct counters{};
    if (!Posix::Ioctl(fd, TIOCGICOUNT, &counters).Ok())
        return false;
    count =
        static_cast<std::uint64_t>(counters.frame) + static_cast<std::uint64_t>(counters.parity) +
        static_cast<std::uint64_t>(counters.overrun) + static_cast<std::uint64_t>(counters.brk) +
        static_cast<std::uint64_t>(counters.buf_overrun);
    return true;
}

}  // namespace quorvex
