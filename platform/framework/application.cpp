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
#include "platform/window/display_source.h"
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

namespace {

// A display from a factory that says itself why it gives none.
class FactorySource : public DisplaySource {
public:
    explicit FactorySource(Application::DisplayFactory create) : create(create) {}

    std::unique_ptr<Display> Open(const DisplayRequest& request, std::string& error) override
    {
        (void)request;
        (void)error;
        return create();
    }

private:
    Application::DisplayFactory create;
};

}  // namespace

int Application::Run(DisplayFactory createDisplay)
{
    FactorySource source(createDisplay);
    return Run(source);
}

int Application::Refuse(const std::string& reason, DisplaySource* source)
{
    if (!reason.empty()) {
        const std::string line = ToUtf8(name) + ": " + reason + "\n";
        std::fputs(line.c_str(), stderr);
    }
    if (!source || reason.empty())
        return -1;
    // A program started from a launcher has nobody reading its standard error.
    const DisplayRequest request{name, PortraitLayout(), LandscapeLayout()};
    if (const std::unique_ptr<Display> display = source->OpenForMessage(request)) {
        WindowSystem system(*display, GetClock());
        (void)MessageBox::Show(nullptr, FromUtf8(reason), name,
                               MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);  // OK alone
    }
    return -1;
}

int Application::Run(DisplaySource& source)
{
    const std::wstring path = ProgramFile::Path();
    if (path.empty())
        return Refuse("cannot tell its own program file (is /proc mounted?)", nullptr);

    FolderHandle prefix;
    if (const auto finding = PrefixCheck::Open(prefix))
        return Refuse(finding->Text(), &source);

    SingleInstance instance(prefix, GetClock());
    if ((Shell::IsDeviceClass(L"PocketPC") || Shell::IsDeviceClass(L"Smartphone")) &&
        instance.FindRunningInstance(path)) {
        const SingleInstance::Running& running = instance.Found();
        const std::string shownOn = running.shownOn.empty() ? "" : " in " + ToUtf8(running.shownOn);
        // Said on standard error alone: a second start shows nothing.
        return Refuse("already running as process " + std::to_string(running.pid) + shownOn +
                          "; it was asked to come forward",
                      nullptr);
    }

    const DisplayRequest request{name, PortraitLayout(), LandscapeLayout()};
    std::string error;
    const std::unique_ptr<Display> display = source.Open(request, error);
    if (!display)
        return Refuse(error, &source);
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
