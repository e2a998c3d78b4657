#pragma once

#include <string>
#include <string_view>

#include "platform/system/folder_handle.h"
#include "platform/system/named_mutex.h"
#include "platform/threads/clock.h"

namespace quorvex {

// The rule that keeps one instance of the program running on handheld-class devices. The
// first start holds a named mutex made from its program path (every '\' turned into '/')
// for as long as it runs. A later start finds the mutex held and looks, up to 40 times
// 250 ms apart (waits on the given clock), for a top-level window of a process with the
// same program path (compared without regard to case) that is visible, not a child, not a
// tool window, unowned, and not of the classes "shfind", "static" or "CursorWindow"; it
// asks that process to come forward. The mutex and the windows' records live in the
// prefix that PrefixCheck opened, which outlives this object. Owner's thread only.
class SingleInstance {
public:
    static constexpr int kTries = 40;
    static constexpr auto kPause = std::chrono::milliseconds(250);

    explicit SingleInstance(const FolderHandle& prefix, Clock& clock = Clock::System())
        : prefix(prefix), clock(clock)
    {
    }
    virtual ~SingleInstance() = default;

    // True when another instance runs and was asked to come forward: this start ends. False
    // when this is the first instance (it now holds the mutex), when no window of the
    // other was found in time, or when the mutex cannot be used at all.
    bool FindRunningInstance(std::wstring_view programPath);

    // The instance the search found: its process id and where it shows itself (empty when
    // its record does not say). A pid of 0 until a search finds one.
    struct Running {
        int pid = 0;
        std::wstring shownOn;
    };
    const Running& Found() const { return found; }

    // The mutex name for a program path (at most 260 characters are used).
    static std::wstring MutexName(std::wstring_view programPath);

private:
    bool SignalRunningWindow(std::wstring_view programPath);

    const FolderHandle& prefix;
    Clock& clock;
    NamedMutex mutex;
    Running found;
};

}  // namespace quorvex
