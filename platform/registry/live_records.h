#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvex {

// The records other programs keep on the handheld, answered from the live system where
// nobody writes them: which program holds a serial port, and which Bluetooth virtual
// serial ports exist. A record written in system.reg always wins; the registry asks here
// only for what the hive lacks. Used by one thread at a time (the registry's lock).
//
// The dialog asks every 500 ms while idle, so the answers must cost little: the lock
// table and the UUCP lock file are looked at on every call; the scan of every process's
// descriptors only as often as kScanShare of the time allows, going by what the last scan
// took, and its finding is used until the next one.
class LiveRecords {
public:
    // Where the answers come from: the system's own places, or a test's.
    struct Sources {
        std::filesystem::path proc = "/proc";
        std::filesystem::path lockFolder = "/var/lock";
        // Whether a device node is a bound RFCOMM tty; by default its major number says.
        std::function<bool(const std::filesystem::path& device)> isRfcomm;
    };

    static constexpr double kScanShare = 0.001;  // of one core, for the descriptor scan
    static constexpr std::chrono::seconds kMinScanPause{2};

    LiveRecords();
    explicit LiveRecords(Sources sources);
    virtual ~LiveRecords() = default;
    LiveRecords(LiveRecords&&) = default;
    LiveRecords& operator=(LiveRecords&&) = default;

    // The name (comm) of the program that holds the device behind port `valueName`
    // ("COM2", no colon) now: by flock, by a UUCP lock file naming a live process, or by
    // an open descriptor. Nothing when the device is free or the name is no port name.
    // This process itself is never the holder: it holds ports only while connected.
    std::optional<std::wstring> ReceiverOwner(std::wstring_view valueName,
                                              const std::filesystem::path& prefix);

    // "COMn" for each link devices/comn in `prefix` that resolves to a bound RFCOMM tty,
    // in increasing n.
    std::vector<std::wstring> BluetoothPorts(const std::filesystem::path& prefix) const;

    // The device a port name names, as PortName resolves it, with the link followed.
    static std::optional<std::filesystem::path> DeviceOf(std::wstring_view portName,
                                                         const std::filesystem::path& prefix);

private:
    std::optional<int> FlockHolder(const std::filesystem::path& device) const;
    std::optional<int> LockFileHolder(const std::filesystem::path& device) const;
    std::optional<int> DescriptorHolder(const std::filesystem::path& device);
    std::optional<std::wstring> CommandOf(int pid) const;

    Sources sources;
    // The last descriptor scan: device -> holder, and when the next may run.
    std::unordered_map<std::string, int> scanned;
    std::chrono::steady_clock::time_point nextScan{};
};

}  // namespace quorvex
