#pragma once

#include <filesystem>
#include <functional>

namespace quorvex {

// Seams of SerialDevice for tests only; a program never includes this header. Each setting
// applies to every device of the process: set it while no device is being opened or waits
// for events, and remove it (an empty function or path) before the test ends.
class SerialDeviceTestHelper {
public:
    // Called on the opening thread with the device node before every open, so that a test
    // sees which devices are opened and can hold an opening in progress.
    using OpenObserver = std::function<void(const std::filesystem::path& node)>;
    static void SetOpenObserver(OpenObserver observer);

    // Where UUCP lock files are looked for instead of /var/lock.
    static void SetLockFolder(std::filesystem::path folder);

    // Called by an event wait before each poll it makes, so that a test counts the polls a
    // wait takes (one that spins takes them without end). Returning false makes that poll
    // fail as the system's own would.
    static void SetEventPollObserver(std::function<bool()> observer);
};

}  // namespace quorvex
