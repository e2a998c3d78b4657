#pragma once

#include <filesystem>
#include <string>

namespace quorvex {

// What the system tells of a device node without opening it. A program that only looks
// must never open a serial device: that raises a UART's modem lines (DTR), and opening a
// bound RFCOMM device starts a Bluetooth connection. So the node's status (links
// followed), the system's list of devices (sysfs: <sys>/dev/char/<major>:<minor>) and
// whether this process may open it for reading and writing, by its effective ids, are all
// that is asked. Stateless; callable from any thread.
class DeviceNode {
public:
    enum class Kind {
        Missing,          // nothing there, or a link that leads nowhere
        Unreachable,      // it cannot be looked at (`error` says why)
        CharacterDevice,  // what a terminal is
        Fifo,
        Socket,
        BlockDevice,
        RegularFile,
        Folder,
    };

    // What a character device is, as far as the system's list tells.
    enum class Line {
        Unknown,         // the system lists no devices at all (no sysfs)
        Unlisted,        // no device has that number: nothing stands behind the node
        NotATerminal,    // a device, but not a terminal
        SerialPort,      // a serial port with a UART (`uartType` not 0)
        SerialNoUart,    // a serial port the system has no UART for: type 0, "unknown"
        BoundRfcomm,     // a Bluetooth serial port (RFCOMM), bound
        UnboundRfcomm,   // an RFCOMM node no bound port stands behind
        PseudoTerminal,  // the device side of a pseudo-terminal pair
        Terminal,        // another terminal: a USB serial adapter, a modem, a console
    };

    struct Facts {
        Kind kind = Kind::Missing;
        int error = 0;  // Unreachable: the system's reason
        unsigned owner = 0;
        unsigned group = 0;
        unsigned mode = 0;  // the permission bits
        // A character device's number and what it is.
        unsigned major = 0;
        unsigned minor = 0;
        Line line = Line::Unknown;
        int uartType = -1;   // a serial port's UART type, as the system gives it
        std::string driver;  // the driver, when the system names one
        std::string name;    // the system's own name for the device ("ttyS1"), when listed
        // Whether this process may open it for reading and writing; the reason when not.
        bool mayOpen = false;
        int accessError = 0;
    };

    // The device numbers of RFCOMM ttys and of pseudo-terminals' device sides.
    static constexpr unsigned kRfcommMajor = 216;
    static constexpr unsigned kFirstPseudoTerminalMajor = 136;
    static constexpr unsigned kLastPseudoTerminalMajor = 143;

    // The node at `path`; `sys` is where the system's device list is mounted.
    static Facts Describe(const std::filesystem::path& path,
                          const std::filesystem::path& sys = "/sys");

    // What the device list at `sys` says of the character device facts.major:facts.minor:
    // sets `line`, `uartType` and `driver`.
    static void DescribeCharacterDevice(Facts& facts, const std::filesystem::path& sys);
};

}  // namespace quorvex
