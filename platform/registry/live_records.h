#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/descriptor_scanner.h"
#include "platform/registry/process_table.h"
#include "platform/threads/clock.h"

namespace quorvex {

// The records other programs keep on the handheld, answered from the live system where
// nobody writes them: which program holds a serial port, and which Bluetooth virtual
// serial ports exist. A record written in system.reg always wins; the registry asks here
// only for what the hive lacks. Used by one thread at a time (the registry's lock).
//
// The dialog asks every 500 ms while idle, so the answers must cost little and never wait:
// the UUCP lock file is looked at on every call; the system's lock table and the
// descriptors of every process are scanned by a DescriptorScanner on a thread of its own,
// and a holder it found is named only once its descriptor is seen on the device still (a
// process whose descriptors this user may not see, once it is seen to live). Devices are
// told apart by their numbers, never by path.
class LiveRecords {
public:
    // Where the answers come from: the system's own places, or a test's.
    struct Sources {
        // The processes, their descriptors, names and file locks; null for /proc.
        std::shared_ptr<const ProcessTable> processes;
        std::filesystem::path lockFolder = "/var/lock";
        // Whether a device node is a bound RFCOMM tty; by default its major number says.
        std::function<bool(const std::filesystem::path& device)> isRfcomm;
        // The clock that paces the descriptor scan; null for the system's.
        Clock* clock = nullptr;
    };

    LiveRecords();
    explicit LiveRecords(Sources sources);
    virtual ~LiveRecords();  // ends the descriptor scan and joins its thread
    LiveRecords(LiveRecords&&) noexcept;
    LiveRecords& operator=(LiveRecords&&) noexcept;

    // The name (comm) of the program that holds the device behind port `valueName`
    // ("COM2", no colon): by a UUCP lock file naming a live process, now; by a lock (flock)
    // or an open descriptor, as the last scan found it and as it still is. Nothing when the
    // device is free or the name is no port name. This process itself is never the holder
    // (it holds ports only while connected), nor is a process that holds the master side of
    // the pseudo-terminal whose slave the device is, and no lock on it: that is the line's
    // far end. Never waits for a scan.
    std::optional<std::wstring> ReceiverOwner(std::wstring_view valueName,
                                              const std::filesystem::path& prefix);

    // A process that holds a device, as found now, and how it holds it.
    struct Holder {
        enum class Way { UucpLock, Lock, Descriptor };
        int pid = 0;
        std::wstring name;
        Way way = Way::Descriptor;
    };

    // Every process that holds the device `device` (a path, its links followed) leads to,
    // by the rules of ReceiverOwner, found at once on the calling thread: a scan, which
    // takes a while on a crowded machine. For a program that asks once. The holder the
    // UUCP lock file names comes first.
    std::vector<Holder> HoldersNow(const std::filesystem::path& device) const;

    // "COMn" for each link devices/comn in `prefix` that resolves to a bound RFCOMM tty,
    // in increasing n.
    std::vector<std::wstring> BluetoothPorts(const std::filesystem::path& prefix) const;

    // The device a port name names, as PortName resolves it, with the link followed.
    static std::optional<std::filesystem::path> DeviceOf(std::wstring_view portName,
                                                         const std::filesystem::path& prefix);

private:
    friend class LiveRecordsTestHelper;

    std::optional<std::wstring> NameOf(int pid) const;

    Sources sources;
    // Made once and kept in place, so that a move leaves the scan's thread undisturbed.
    std::unique_ptr<DescriptorScanner> scanner;
};

}  // namespace quorvex
