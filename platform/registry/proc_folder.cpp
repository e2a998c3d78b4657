#include "platform/registry/proc_folder.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "platform/system/folder_entries.h"
#include "platform/system/posix.h"
#include "platform/system/posix_file.h"

namespace quorvex {
namespace {

// Unix98 pseudo-terminal slaves: the pair with index n has the slave device (136, n).
constexpr unsigned kSlaveMajor = 136;

std::string ReadSmall(const std::filesystem::path& path, std::uint64_t limit)
{
    PosixFile file;
    std::string text;
    if (file.Open(path, PosixFile::Mode::Read) != PosixFile::Result::Ok ||
        file.ReadAll(text, limit) != PosixFile::Result::Ok)
        return {};
    return text;
}

// A name made of digits only, as process ids and descriptors are named.
std::optional<unsigned> Number(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
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
    FolderEntries processes;
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
    FolderEntries descriptors;
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
    return DeviceNumber{kSlaveMajor, *index};
}

std::string ProcFolder::LockTable() const
{
    return ReadSmall(folder / "locks", 1 << 20);
}

std::string ProcFolder::Command(int pid) const
{
    std::string name = ReadSmall(folder / std::to_string(pid) / "comm", 64);
    while (name.ends_with('\n'))
        name.pop_back();
    return name;
}

}  // namespace quorvex
