#include "platform/framework/single_instance.h"

#include <algorithm>
#include <array>

#include "platform/system/posix.h"
#include "platform/system/text_fold.h"
#include "platform/threads/event.h"
#include "platform/window/window_records.h"
#include "platform/window/window_types.h"

namespace quorvex {
namespace {

constexpr std::size_t kMaxPath = 260;

bool IsApplicationWindow(const WindowRecords::WindowEntry& window)
{
    constexpr std::array<std::wstring_view, 3> kIgnored{L"shfind", L"static", L"CursorWindow"};
    return window.visible && !(window.style & WS_CHILD) && !(window.exStyle & WS_EX_TOOLWINDOW) &&
           !window.owned &&
           std::none_of(kIgnored.begin(), kIgnored.end(), [&](std::wstring_view name) {
               return TextFold::Equal(name, window.className);
           });
}

}  // namespace

std::wstring SingleInstance::MutexName(std::wstring_view programPath)
{
    std::wstring name(programPath.substr(0, kMaxPath));
    std::replace(name.begin(), name.end(), L'\\', L'/');
    return name;
}

bool SingleInstance::FindRunningInstance(std::wstring_view programPath)
{
    if (mutex.Create(prefix, MutexName(programPath)) != NamedMutex::Result::AlreadyExists)
        return false;
    Event never(Event::ResetMode::Manual, clock);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (SignalRunningWindow(programPath))
            return true;
        // The other instance may not have shown its window yet.
        never.WaitFor(kPause);
    }
    return false;
}

bool SingleInstance::SignalRunningWindow(std::wstring_view programPath)
{
    const int self = Posix::ProcessId();
    for (const auto& process : WindowRecords::Enumerate(prefix)) {
        if (process.pid == self || !TextFold::Equal(process.programPath, programPath))
            continue;
        if (std::any_of(process.windows.begin(), process.windows.end(), IsApplicationWindow) &&
            WindowRecords::SendForward(prefix, process.pid)) {
            found = {process.pid, process.shownOn};
            return true;
        }
    }
    return false;
}

}  // namespace quorvex
