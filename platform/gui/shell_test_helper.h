#pragma once

#include <mutex>
#include <string_view>

#include "platform/gui/shell.h"

namespace quorvex {

// What only tests do to the shell: pretend to be another class of device. Included by tests
// only. Any thread.
class ShellTestHelper {
public:
    // The device class Shell::DeviceClass reports from now on; an empty name restores the
    // default.
    static void SetDeviceClass(std::wstring_view name)
    {
        std::lock_guard lock(Shell::classMutex);
        Shell::classOverride = name;
    }
};

}  // namespace quorvex
