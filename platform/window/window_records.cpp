#include "platform/window/window_records.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sstream>

#include "platform/system/file_replacement.h"
#include "platform/system/posix.h"
#include "platform/system/posix_file.h"
#include "platform/system/prefix_check.h"
#include "platform/system/program_file.h"
#include "platform/system/utf8.h"
#include "platform/window/window.h"

namespace quorvex {
namespace {

bool OpenFolder(const FolderHandle& prefix, FolderHandle& windows)
{
    return !PrefixCheck::Subfolder(prefix, "windows", windows).has_value();
}

// The channel `name` opened with `flags`, or -1 when anything but a FIFO stands there.
int OpenChannel(const FolderHandle& windows, const std::string& name, int flags)
{
    const SystemResult opened = Posix::OpenAt(windows.Descriptor(), name.c_str(),
                                              flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (!opened.Ok())
        return -1;
    const int fd = static_cast<int>(opened.value);
    struct stat status {};
    if (Posix::Status(fd, status).Ok() && S_ISFIFO(status.st_mode))
        return fd;
    (void)Posix::Close(fd);  // never written to
    return -1;
}

// Tabs and line ends would break the record's lines, so they are escaped.
std::string Escape(std::wstring_view text)
{
    std::string out;
    for (char c : ToUtf8(text)) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::wstring Unescape(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return FromUtf8(out);
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

std::optional<WindowRecords::ProcessEntry> ReadRecord(const FolderHandle& windows,
                                                      const std::string& name, int pid)
{
    PosixFile file;
    std::string text;
    if (file.Open(windows, name, PosixFile::Mode::ReadUnlinked) != PosixFile::Result::Ok ||
        file.ReadAll(text, WindowRecords::kMaxRecordBytes) != PosixFile::Result::Ok)
        return std::nullopt;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line.rfind("program\t", 0) != 0)
        return std::nullopt;
    WindowRecords::ProcessEntry entry;
    entry.pid = pid;
    entry.programPath = Unescape(std::string_view(line).substr(8));
    while (std::getline(in, line)) {
        if (line.rfind("shown\t", 0) == 0) {
            entry.shownOn = Unescape(std::string_view(line).substr(6));
            entry.shownOn.resize(std::min(entry.shownOn.size(), WindowRecords::kMaxShownOn));
            continue;
        }
        const auto fields = SplitTabs(line);
        if (fields.size() != 6 || fields[0] != "window")
            continue;
        WindowRecords::WindowEntry window;
        window.className = Unescape(fields[1]);
        window.style = static_cast<std::uint32_t>(std::strtoul(fields[2].c_str(), nullptr, 16));
        window.exStyle = static_cast<std::uint32_t>(std::strtoul(fields[3].c_str(), nullptr, 16));
        window.visible = fields[4] == "1";
        window.owned = fields[5] == "1";
        entry.windows.push_back(std::move(window));
    }
    return entry;
}

}  // namespace

WindowRecords::~WindowRecords()
{
    // Removal is best effort: a record left behind names a process that is gone, and
    // readers ignore those.
    if (channel >= 0)
        (void)Posix::Close(channel);
    if (!recordName.empty())
        (void)folder.Remove(recordName);
    if (!channelName.empty())
        (void)folder.Remove(channelName);
}

bool WindowRecords::Open(const FolderHandle& prefix, const std::wstring& programPath,
                         std::wstring_view shown)
{
    if (!recordName.empty() || !OpenFolder(prefix, folder))
        return false;
    program = programPath;
    shownOn = shown.substr(0, kMaxShownOn);
    const std::string pid = std::to_string(Posix::ProcessId());
    recordName = pid + ".rec";
    channelName = pid + ".fifo";
    // A process that had this id before us may have left its channel behind; when there is
    // none, the removal has nothing to do.
    (void)folder.Remove(channelName);
    // Opened for writing too, so that the FIFO always has a writer and a sender that closes
    // its end never leaves the poll reporting a hang-up over and over.
    if (folder.MakeFifo(channelName))
        channel = OpenChannel(folder, channelName, O_RDWR);
    return Write({});
}

void WindowRecords::Publish(std::span<Window* const> windows)
{
    if (recordName.empty())
        return;
    std::vector<WindowEntry> entries;
    for (const Window* window : windows)
        entries.push_back({window->GetClassName(), window->GetStyle(), window->GetExStyle(),
                           window->IsWindowVisible(), window->GetParent() != nullptr});
    // A record that cannot be written leaves the previous one; the next change retries.
    [[maybe_unused]] const bool written = Write(entries);
}

bool WindowRecords::Write(const std::vector<WindowEntry>& windows)
{
    std::ostringstream text;
    text << "program\t" << Escape(program) << '\n';
    if (!shownOn.empty())
        text << "shown\t" << Escape(shownOn) << '\n';
    for (const WindowEntry& window : windows) {
        char numbers[40];
        std::snprintf(numbers, sizeof numbers, "%08x\t%08x", window.style, window.exStyle);
        text << "window\t" << Escape(window.className) << '\t' << numbers << '\t'
             << (window.visible ? 1 : 0) << '\t' << (window.owned ? 1 : 0) << '\n';
    }
    return FileReplacement().Replace(folder, recordName, text.str()) ==
           FileReplacement::Result::Replaced;
}

bool WindowRecords::TakeForwardRequests()
{
    if (channel < 0)
        return false;
    bool any = false;
    char buffer[64];
    // Every request pending is taken at once: several starts still mean one coming forward.
    while (Posix::Read(channel, buffer, sizeof buffer).value > 0)
        any = true;
    return any;
}

std::vector<WindowRecords::ProcessEntry> WindowRecords::Enumerate(const FolderHandle& prefix)
{
    std::vector<ProcessEntry> found;
    FolderHandle windows;
    if (!OpenFolder(prefix, windows))
        return found;
    for (const std::string& name : windows.Entries()) {
        if (!name.ends_with(".rec"))
            continue;
        const std::string stem = name.substr(0, name.size() - 4);
        char* end = nullptr;
        const long pid = std::strtol(stem.c_str(), &end, 10);
        if (end == stem.c_str() || *end != '\0' || !Posix::ProcessExists(static_cast<int>(pid)))
            continue;
        auto entry = ReadRecord(windows, name, static_cast<int>(pid));
        // A process id taken over by another program after a crash is not the recorded one.
        const std::wstring running = entry ? ProgramFile::OfProcess(entry->pid) : L"";
        if (!entry || (!running.empty() && running != entry->programPath))
            continue;
        found.push_back(std::move(*entry));
    }
    return found;
}

bool WindowRecords::SendForward(const FolderHandle& prefix, int pid)
{
    FolderHandle windows;
    if (!OpenFolder(prefix, windows))
        return false;
    // Without a reader (the process is gone) the open fails with ENXIO rather than blocking.
    const int fd = OpenChannel(windows, std::to_string(pid) + ".fifo", O_WRONLY);
    if (fd < 0)
        return false;
    const char request = 'F';
    const SystemResult sent = Posix::Write(fd, &request, 1);
    (void)Posix::Close(fd);  // nothing was buffered: the write above already told
    // A full FIFO already holds a request that has not been read yet.
    return sent.value == 1 || sent.error == EAGAIN;
}

}  // namespace quorvex
