#include "platform/registry/proc_folder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <fcntl.h>
#include <string_view>
#include <utility>

#include "platform/system/device_node.h"
#include "platform/system/folder_stream.h"
#include "platform/system/posix.h"
#include "platform/system/posix_file.h"

namespace quorvex {
namespace {

// The fields of a lock table's line that are read come first; the rest of a line longer
// than this is left out.
constexpr std::size_t kLongestLockLine = 256;

std::string ReadSmall(const std::filesystem::path& path, std::uint64_t limit)
{
    PosixFile file;
    std::string text;
    if (file.Open(path, PosixFile::Mode::Read) != PosixFile::Result::Ok ||
        file.ReadAll(text, limit) != PosixFile::Result::Ok)
        return {};
    return text;
}

// `text` read whole as a number in `base`: nothing unless it is made of digits only, as
// process ids and descriptors are named.
template <typename Value = unsigned>
std::optional<Value> Number(std::string_view text, int base = 10)
{
    Value value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "1: FLOCK  ADVISORY  WRITE 4242 00:19:7 0 EOF": the process and the file (file system
// device in hexadecimal, inode) of a held lock; "1: -> FLOCK ..." is a process waiting.
std::optional<std::pair<int, FileNumber>> ParseLock(std::string_view line)
{
    std::array<std::string_view, 6> fields;
    std::size_t count = 0;
    while (count < fields.size()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find(' '), line.size());
        fields[count++] = line.substr(0, end);
        line.remove_prefix(end);
    }
    if (count < fields.size() || fields[1] == "->")
        return std::nullopt;
    const auto pid = Number(fields[4]);
    const std::string_view id = fields[5];
    const std::size_t colon = id.find(':');
    const std::size_t second = id.find(':', colon + 1);
    if (!pid || *pid == 0 || colon == std::string_view::npos || second == std::string_view::npos)
        return std::nullopt;
    const auto major = Number(id.substr(0, colon), 16);
    const auto minor = Number(id.substr(colon + 1, second - colon - 1), 16);
    const auto inode = Number<std::uint64_t>(id.substr(second + 1));
    if (!major || !minor || !inode)
        return std::nullopt;
    return std::pair(static_cast<int>(*pid), FileNumber{*major, *minor, *inode});
}

std::optional<DeviceNumber> CharacterDevice(const NodeStatus& status)
{
    if (!status.characterDevice)
        return std::nullopt;
    return DeviceNumber{status.deviceMajor, status.deviceMinor};
}

}  // namespace

ProcFolder::ProcFolder(std::filesystem::path folder) : folder(std::move(folder))
{
    for (const char* path : {"/dev/ptmx", "/dev/pts/ptmx"}) {
        NodeStatus status;
        const auto device =
            Posix::StatNode(path, status).Ok() ? CharacterDevice(status) : std::nullopt;
        if (device && std::find(masters.begin(), masters.end(), *device) == masters.end())
            masters.push_back(*device);
    }
}

void ProcFolder::ForEachProcess(const std::function<bool(int pid)>& visit) const
{
    FolderStream processes;
    if (!processes.Open(folder))
        return;
    while (const char* name = processes.Next()) {
        const auto pid = Number(name);
        if (pid && *pid > 0 && !visit(static_cast<int>(*pid)))
            return;
    }
}

void ProcFolder::ForEachDescriptor(
    int pid,
    const std::function<bool(int descriptor, std::optional<DeviceNumber> device)>& visit) const
{
    FolderStream descriptors;
    if (!descriptors.Open(folder / std::to_string(pid) / "fd"))
        return;
    while (const char* name = descriptors.Next()) {
        const auto descriptor = Number(name);
        NodeStatus status;
        if (!descriptor || !Posix::StatNodeAt(descriptors.Descriptor(), name, status).Ok())
            continue;  // closed meanwhile
        if (!visit(static_cast<int>(*descriptor), CharacterDevice(status)))
            return;
    }
}

std::optional<DeviceNumber> ProcFolder::DeviceOf(int pid, int descriptor) const
{
    const auto path = folder / std::to_string(pid) / "fd" / std::to_string(descriptor);
    NodeStatus status;
    return Posix::StatNode(path.c_str(), status).Ok() ? CharacterDevice(status) : std::nullopt;
}

std::optional<DeviceNumber> ProcFolder::SlaveOf(int pid, int descriptor, DeviceNumber device) const
{
    if (std::find(masters.begin(), masters.end(), device) == masters.end())
        return std::nullopt;
    // "tty-index:\t5": the index of the pair whose master the descriptor is.
    const std::string info =
        ReadSmall(folder / std::to_string(pid) / "fdinfo" / std::to_string(descriptor), 4096);
    constexpr std::string_view kIndex = "tty-index:";
    const std::size_t at = info.find(kIndex);
    if (at == std::string::npos)
        return std::nullopt;
    std::string_view rest = std::string_view(info).substr(at + kIndex.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    const auto index = Number(rest.substr(0, rest.find('\n')));
    if (!index)
        return std::nullopt;
    // Unix98 pseudo-terminal pairs: the pair with index n has the device side (136, n).
    return DeviceNumber{DeviceNode::kFirstPseudoTerminalMajor, *index};
}

void ProcFolder::ForEachLock(const std::function<bool(int pid, FileNumber file)>& visit) const
{
    const auto path = folder / "locks";
    const SystemResult opened = Posix::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (!opened.Ok())
        return;
    const int table = static_cast<int>(opened.value);
    // Large pieces: each read takes the system's lock table afresh.
    std::vector<char> piece(1 << 16);
    std::string line;
    bool going = true;
    while (going) {
        const SystemResult read = Posix::Read(table, piece.data(), piece.size());
        if (!read.Ok() || read.value <= 0)
            break;
        for (long i = 0; i < read.value && going; ++i) {
            if (piece[static_cast<std::size_t>(i)] != '\n') {
                if (line.size() < kLongestLockLine)
                    line += piece[static_cast<std::size_t>(i)];
                continue;
            }
            if (const auto lock = ParseLock(line))
                going = visit(lock->first, lock->second);
            line.clear();
        }
    }
    (void)Posix::Close(table);  // read only: nothing to lose
}

std::string ProcFolder::Command(int pid) const
{
    std::string name = ReadSmall(folder / std::to_string(pid) / "comm", 64);
    while (name.ends_with('\n'))
        name.pop_back();
    return name;
}

}  // namespace quorvex
