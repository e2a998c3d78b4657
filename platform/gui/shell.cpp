#include "platform/gui/shell.h"

#include <algorithm>
#include <mutex>

#include "platform/system/text_fold.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {

std::wstring Shell::DeviceClass()
{
    std::lock_guard lock(classMutex);
    return classOverride.empty() ? L"PocketPC" : classOverride;
}

bool Shell::IsDeviceClass(std::wstring_view name)
{
    return TextFold::Equal(DeviceClass(), name);
}

bool Shell::InitExtraControls()
{
    return true;
}

std::uint32_t Shell::DialogFlags()
{
    if (IsDeviceClass(L"PocketPC"))
        return kDoneButton | kFullScreen | kInputPanelDown | kEmptyMenu;
    if (IsDeviceClass(L"Smartphone"))
        return kFullScreen;
    return 0;
}

bool Shell::InitDialog(Window& dialog, std::uint32_t flags)
{
    WindowSystem* system = WindowSystem::Current();
    if (!system || !dialog.IsCreated() || flags == 0)
        return false;
    if (flags & kDoneButton)
        dialog.ModifyStyleEx(0, WS_EX_CAPTIONOKBTN);
    if (flags & kFullScreen)
        system->SetFullScreen(dialog);
    // The input panel and the menu bar have no counterpart on a terminal.
    return true;
}

}  // namespace quorvex
