#pragma once

#include <filesystem>

namespace quorvex {

// Another process that holds a serial device the way other programs do, for tests of
// exclusive opening: by an advisory flock, or by the terminal's TIOCEXCL flag.
class DeviceHolder {
public:
    enum class Convention { Flock, TiocExcl };

    DeviceHolder() = default;
    ~DeviceHolder();  // releases the device
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

    // Starts the holding process and returns once it holds the device.
    bool Hold(const std::filesystem::path& device, Convention convention);
    // Ends the holding process; the device is free when this returns.
    void Release();

private:
    int child = -1;
    int releasePipe = -1;
};

}  // namespace quorvex
