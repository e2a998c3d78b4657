#include "platform/framework/application.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/framework/profile_settings.h"
#include "platform/framework/single_instance.h"
#include "platform/gui/shell.h"
#include "platform/system/folder_handle.h"
#include "platform/system/prefix_check.h"
#include "platform/system/program_file.h"
#include "platform/system/utf8.h"
#include "platform/window/display.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_records.h"
#include "platform/window/window_system.h"
#include "platform/window/window_types.h"

namespace quorvex {
namespace {

Application* registered = nullptr;
std::atomic<bool> orientationRelayout{false};

}  // namespace

Application::Application() : name(ProgramFile::ApplicationName(ProgramFile::Path()))
{
    registered = this;
}

Application::~Application()
{
    if (registered == this)
        registered = nullptr;
}

Application* Application::Instance()
{
    return registered;
}

int Application::Run(DisplayFactory createDisplay)
{
    // What ends a start is said on standard error, which a second start in another
    // terminal shares with the person who made it; the screen is never touched for it.
    const auto refuse = [this](const std::string& reason) {
        const std::string line = ToUtf8(name) + ": " + reason + "\n";
        std::fputs(line.c_str(), stderr);
        return -1;
    };
    const std::wstring path = ProgramFile::Path();
    if (path.empty())
        return refuse("cannot tell its own program file (is /proc mounted?)");

    FolderHandle prefix;
    if (const auto finding = PrefixCheck::Open(prefix))
        return refuse(finding->Text());

    SingleInstance instance(prefix, GetClock());
    if ((Shell::IsDeviceClass(L"PocketPC") || Shell::IsDeviceClass(L"Smartphone")) &&
        instance.FindRunningInstance(path)) {
        const SingleInstance::Running& running = instance.Found();
        const std::string shownOn = running.shownOn.empty() ? "" : " in " + ToUtf8(running.shownOn);
        return refuse("already running as process " + std::to_string(running.pid) + shownOn +
                      "; it was asked to come forward");
    }

    const std::unique_ptr<Display> display = createDisplay();
    if (!display)
        return -1;
    WindowSystem system(*display, GetClock());
    WindowRecords records;
    // Without records the program runs all the same; only a second start cannot find it.
    if (records.Open(prefix, path, display->ShownOn()))
        system.SetRecords(&records);
    // The result ends the program either way: there is no loop beyond the dialogs.
    [[maybe_unused]] const bool started = StartUp();
    system.SetRecords(nullptr);
    mainWindow = nullptr;
    return 0;
}

int Application::DoMessageBox(std::wstring_view text, std::uint32_t type)
{
    WindowSystem* system = WindowSystem::Current();
    Window* owner = system ? system->GetForegroundWindow() : nullptr;
    if ((type & MB_ICONMASK) == 0) {
        const std::uint32_t buttons = type & MB_TYPEMASK;
        if (buttons == MB_OK || buttons == MB_OKCANCEL)
            type |= MB_ICONEXCLAMATION;
        else if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)
            type |= MB_ICONQUESTION;
    }
    type |= MB_SETFOREGROUND;
    if (system && owner)
        system->SetForegroundWindow(owner);
    return MessageBox::Show(owner, text, name, type);
}

void Application::SetCompanyKey(std::wstring_view key)
{
    if (settings)
        settings->SetCompanyKey(key);
}

std::int32_t Application::ReadInt(std::wstring_view section, std::wstring_view entry,
                                  std::int32_t defaultValue)
{
    return settings ? settings->ReadInt(section, entry, defaultValue) : defaultValue;
}

bool Application::WriteInt(std::wstring_view section, std::wstring_view entry, std::int32_t value)
{
    return settings && settings->WriteInt(section, entry, value);
}

void Application::EnableOrientationRelayout(bool enable)
{
    orientationRelayout = enable;
}

bool Application::IsOrientationRelayoutEnabled()
{
    return orientationRelayout;
}

}  // namespace quorvex
