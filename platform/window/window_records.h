#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/folder_handle.h"

namespace quorvex {

class Window;

// Each process's record of its top-level windows, kept in the prefix where another
// process can enumerate it, and each process's bring-forward channel.
//
// The records live in windows/<pid>.rec (program path, where the process shows itself,
// then one line per window: class, style, extended style, visible, owned), rewritten whole and renamed into place on each
// change so a reader never sees half of one. The channel is the FIFO windows/<pid>.fifo,
// which the window system polls. Both are removed when the object goes; records of
// processes that are gone are ignored by readers. A reader takes a record only when it is
// a regular file of at most kMaxRecordBytes, and sends to a channel only when it is a
// FIFO; neither is reached through a link, and neither open ever blocks. Everything goes
// through the windows/ folder of a prefix that PrefixCheck opened. Owner's thread only,
// apart from the static operations, which any thread may call.
class WindowRecords {
public:
    // A record holds a line per top-level window; a process has a handful.
    static constexpr std::uint64_t kMaxRecordBytes = 8192;
    // Where a process shows itself is kept to this many characters.
    static constexpr std::size_t kMaxShownOn = 256;

    struct WindowEntry {
        std::wstring className;
        std::uint32_t style = 0;
        std::uint32_t exStyle = 0;
        bool visible = false;
        bool owned = false;
    };

    struct ProcessEntry {
        int pid = 0;
        std::wstring programPath;
        std::wstring shownOn;  // "the terminal /dev/pts/3"; empty when not told
        std::vector<WindowEntry> windows;
    };

    WindowRecords() = default;
    virtual ~WindowRecords();  // removes this process's record and channel
    WindowRecords(const WindowRecords&) = delete;
    WindowRecords& operator=(const WindowRecords&) = delete;

    // Starts this process's record for `programPath` in `prefix`, with where it shows
    // itself (Display::ShownOn, cut to kMaxShownOn), and opens its channel. False when the
    // windows folder cannot be used; publishing then does nothing.
    bool Open(const FolderHandle& prefix, const std::wstring& programPath,
              std::wstring_view shownOn = {});

    // Replaces the record with these windows.
    void Publish(std::span<Window* const> windows);

    // The channel's descriptor to poll, -1 when closed; and its pending requests, taken.
    int ListenDescriptor() const { return channel; }
    bool TakeForwardRequests();

    // Every live process's record in `prefix`, this process's included.
    static std::vector<ProcessEntry> Enumerate(const FolderHandle& prefix);

    // Asks process `pid` to bring its window forward; false when it has no open channel.
    static bool SendForward(const FolderHandle& prefix, int pid);

private:
    bool Write(const std::vector<WindowEntry>& windows);

    FolderHandle folder;  // windows/
    std::wstring program;
    std::wstring shownOn;
    std::string recordName;
    std::string channelName;
    int channel = -1;
};

}  // namespace quorvex
