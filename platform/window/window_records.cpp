#include "platform/window/window_records.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/system/posix.h"
#include "platform/system/prefix.h"
#include "platform/system/utf8.h"
#include "platform/window/window.h"

namespace quorvex {
namespace {

std::optional<std::filesystem::path> Folder()
{
    return Prefix::PrivateFolder("windows");
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

// The program file of a live process; empty when the system does not tell.
std::wstring ExecutableOf(int pid)
{
    char buffer[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const SystemResult length = Posix::ReadLink(link.c_str(), buffer, sizeof buffer);
    if (!length.Ok() || length.value == 0 ||
        static_cast<std::size_t>(length.value) >= sizeof buffer)
        return {};
    return FromUtf8({buffer, static_cast<std::size_t>(length.value)});
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

std::optional<WindowRecords::ProcessEntry> ReadRecord(const std::filesystem::path& path, int pid)
{
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line) || line.rfind("program\t", 0) != 0)
        return std::nullopt;
    WindowRecords::ProcessEntry entry;
    entry.pid = pid;
    entry.programPath = Unescape(std::string_view(line).substr(8));
    while (std::getline(in, line)) {
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
    if (!recordPath.empty())
        (void)Posix::Unlink(recordPath.c_str());
    if (!channelPath.empty())
        (void)Posix::Unlink(channelPath.c_str());
}

bool WindowRecords::Open(const std::wstring& programPath)
{
    const auto folder = Folder();
    if (!folder || !recordPath.empty())
        return false;
    program = programPath;
    const std::string pid = std::to_string(Posix::ProcessId());
    recordPath = (*folder / (pid + ".rec")).string();
    channelPath = (*folder / (pid + ".fifo")).string();
    // A process that had this id before us may have left its channel behind; when there is
    // none, the unlink has nothing to do.
    (void)Posix::Unlink(channelPath.c_str());
    if (Posix::MakeFifo(channelPath.c_str(), 0600).Ok()) {
        // Opened for writing too, so that the FIFO always has a writer and a sender that
        // closes its end never leaves the poll reporting a hang-up over and over.
        const SystemResult opened =
            Posix::Open(channelPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        channel = opened.Ok() ? static_cast<int>(opened.value) : -1;
    }
    return Write({});
}

void WindowRecords::Publish(std::span<Window* const> windows)
{
    if (recordPath.empty())
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
    for (const WindowEntry& window : windows) {
        char numbers[40];
        std::snprintf(numbers, sizeof numbers, "%08x\t%08x", window.style, window.exStyle);
        text << "window\t" << Escape(window.className) << '\t' << numbers << '\t'
             << (window.visible ? 1 : 0) << '\t' << (window.owned ? 1 : 0) << '\n';
    }
    const std::string temporary = recordPath + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text.str();
        if (!out.flush())
            return false;
    }
    return Posix::Rename(temporary.c_str(), recordPath.c_str()).Ok();
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

std::vector<WindowRecords::ProcessEntry> WindowRecords::Enumerate()
{
    std::vector<ProcessEntry> found;
    const auto folder = Folder();
    if (!folder)
        return found;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(*folder, error)) {
        if (file.path().extension() != ".rec")
            continue;
        const std::string stem = file.path().stem().string();
        char* end = nullptr;
        const long pid = std::strtol(stem.c_str(), &end, 10);
        if (end == stem.c_str() || *end != '\0' || !Posix::ProcessExists(static_cast<int>(pid)))
            continue;
        auto entry = ReadRecord(file.path(), static_cast<int>(pid));
        // A process id taken over by another program after a crash is not the recorded one.
        if (!entry ||
            (!ExecutableOf(entry->pid).empty() && ExecutableOf(entry->pid) != entry->programPath))
            continue;
        found.push_back(std::move(*entry));
    }
    return found;
}

bool WindowRecords::SendForward(int pid)
{
    const auto folder = Folder();
    if (!folder)
        return false;
    const auto path = *folder / (std::to_string(pid) + ".fifo");
    // Without a reader (the process is gone) the open fails with ENXIO rather than blocking.
    const SystemResult opened = Posix::Open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (!opened.Ok())
        return false;
    const int fd = static_cast<int>(opened.value);
    const char request = 'F';
    const SystemResult sent = Posix::Write(fd, &request, 1);
    (void)Posix::Close(fd);  // nothing was buffered: the write above already told
    // A full FIFO already holds a request that has not been read yet.
    return sent.value == 1 || sent.error == EAGAIN;
}

}  // namespace quorvex
