#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace quorvex {

class Window;

// The handheld shell's part of the platform: the device class, its one-time
// initialisation, and the set-up it gives every dialog. UI thread only.
class Shell {
public:
    // Dialog set-up flags.
    static constexpr std::uint32_t kDoneButton = 0x01;
    static constexpr std::uint32_t kFullScreen = 0x04;
    static constexpr std::uint32_t kInputPanelDown = 0x08;
    static constexpr std::uint32_t kEmptyMenu = 0x20;

    // "PocketPC" on Linux; tests may name another class (shell_test_helper.h).
    static std::wstring DeviceClass();
    // Whether the device class is `name`, compared without regard to case.
    static bool IsDeviceClass(std::wstring_view name);

    // The shell's one-time start-up initialisation; nothing to prepare on Linux.
    static bool InitExtraControls();

    // The set-up flags for a dialog on this device class: 0x2D for "PocketPC", 0x04 for
    // "Smartphone", 0 otherwise.
    static std::uint32_t DialogFlags();

    // Applies the set-up to a dialog: full screen (also after every resize), the OK button
    // in its caption. False when there was nothing to do.
    static bool InitDialog(Window& dialog, std::uint32_t flags);

private:
    friend class ShellTestHelper;

    // The class a test named instead of the default; empty for none. Any thread.
    static inline std::mutex classMutex;
    static inline std::wstring classOverride;
};

}  // namespace quorvex
