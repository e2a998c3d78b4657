#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quorvex {

class Window;

// Each process's record of its top-level windows, kept in the prefix where another
// process can enumerate it, and each process's bring-forward channel.
//
// The records live in windows/<pid>.rec (program path, then one line per window: class,
// style, extended style, visible, owned), rewritten whole and renamed into place on each
// change so a reader never sees half of one. The channel is the FIFO windows/<pid>.fifo,
// which the window system polls. Both are removed when the object goes; records of
// processes that are gone are ignored by readers. Owner's thread only, apart from the
// static operations, which any thread may call.
class WindowRecords {
public:
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
        std::vector<WindowEntry> windows;
    };

    WindowRecords() = default;
    virtual ~WindowRecords();  // removes this process's record and channel
    WindowRecords(const WindowRecords&) = delete;
    WindowRecords& operator=(const WindowRecords&) = delete;

    // Starts this process's record for `programPath` and opens its channel. False when the
    // prefix cannot be used; publishing then does nothing.
    bool Open(const std::wstring& programPath);

    // Replaces the record with these windows.
    void Publish(std::span<Window* const> windows);

    // The channel's descriptor to poll, -1 when closed; and its pending requests, taken.
    int ListenDescriptor() const { return channel; }
    bool TakeForwardRequests();

    // Every live process's record, this process's included.
    static std::vector<ProcessEntry> Enumerate();

    // Asks process `pid` to bring its window forward; false when it has no open channel.
    static bool SendForward(int pid);

private:
    bool Write(const std::vector<WindowEntry>& windows);

    std::wstring program;
    std::string recordPath;
    std::string channelPath;
    int channel = -1;
};

}  // namespace quorvex
