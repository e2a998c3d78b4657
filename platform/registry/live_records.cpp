#include "platform/registry/live_records.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "platform/system/link_target.h"
#include "platform/system/port_name.h"
#include "platform/system/posix.h"
#include "platform/system/posix_file.h"
#include "platform/system/text_fold.h"
#include "platform/system/utf8.h"
#include "platform/system/uucp_lock.h"

namespace quorvex {
namespace {

constexpr unsigned kRfcommMajor = 216;

std::string ReadSmall(const std::filesystem::path& path, std::uint64_t limit)
{
    PosixFile file;
    std::string text;
    if (file.Open(path, PosixFile::Mode::Read) != PosixFile::Result::Ok ||
        file.ReadAll(text, limit) != PosixFile::Result::Ok)
        return {};
    return text;
}

std::optional<int> ParsePid(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    int pid = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (error != std::errc() || pid <= 0)
        return std::nullopt;
    return pid;
}

bool DefaultIsRfcomm(const std::filesystem::path& device)
{
    NodeStatus status;
    return Posix::StatNode(device.c_str(), status).Ok() && status.characterDevice &&
           status.deviceMajor == kRfcommMajor;
}

}  // namespace

LiveRecords::LiveRecords() : LiveRecords(Sources{})
{
}

LiveRecords::LiveRecords(Sources sources) : sources(std::move(sources))
{
    if (!this->sources.isRfcomm)
        this->sources.isRfcomm = DefaultIsRfcomm;
}

std::optional<std::filesystem::path> LiveRecords::DeviceOf(std::wstring_view portName,
                                                           const std::filesystem::path& prefix)
{
    const auto device = PortName::Resolve(portName, prefix);
    return device ? std::optional(LinkTarget::Final(*device).lexically_normal()) : std::nullopt;
}

std::optional<std::wstring> LiveRecords::ReceiverOwner(std::wstring_view valueName,
                                                       const std::filesystem::path& prefix)
{
    const auto device = DeviceOf(valueName, prefix);
    if (!device)
        return std::nullopt;
    std::optional<int> holder = FlockHolder(*device);
    if (!holder)
        holder = LockFileHolder(*device);
    if (!holder)
        holder = DescriptorHolder(*device);
    return holder ? CommandOf(*holder) : std::nullopt;
}

std::optional<int> LiveRecords::FlockHolder(const std::filesystem::path& device) const
{
    NodeStatus status;
    if (!Posix::StatNode(device.c_str(), status).Ok())
        return std::nullopt;
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", status.fileSystemMajor, status.fileSystemMinor,
                  static_cast<unsigned long long>(status.inode));
    // "1: FLOCK  ADVISORY  WRITE 4242 00:19:7 0 EOF": the pid is the field before the id.
    const std::string table = ReadSmall(sources.proc / "locks", 1 << 20);
    for (std::size_t at = table.find(id); at != std::string::npos; at = table.find(id, at + 1)) {
        const std::size_t start = table.rfind(' ', at - 1);
        if (start == std::string::npos)
            continue;
        const auto pid = ParsePid(std::string_view(table).substr(start + 1, at - start - 1));
        if (pid && *pid != Posix::ProcessId())
            return pid;
    }
    return std::nullopt;
}

std::optional<int> LiveRecords::LockFileHolder(const std::filesystem::path& device) const
{
    return UucpLock::Holder(sources.lockFolder, device.filename().string());
}

std::optional<int> LiveRecords::DescriptorHolder(const std::filesystem::path& device)
{
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextScan) {
        scanned.clear();
        std::error_code error;
        for (const auto& process : std::filesystem::directory_iterator(sources.proc, error)) {
            const auto pid = ParsePid(process.path().filename().string());
            if (!pid || *pid == Posix::ProcessId())
                continue;
            std::error_code fdError;
            for (const auto& fd :
                 std::filesystem::directory_iterator(process.path() / "fd", fdError)) {
                char target[4096];
                const SystemResult read = Posix::ReadLink(fd.path().c_str(), target, sizeof target);
                if (read.Ok() && target[0] == '/')
                    scanned.emplace(std::string(target, static_cast<std::size_t>(read.value)),
                                    *pid);
            }
        }
        const auto took = std::chrono::steady_clock::now() - now;
        nextScan =
            now +
            std::max<std::chrono::steady_clock::duration>(
                kMinScanPause,
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(took / kScanShare));
    }
    const auto found = scanned.find(device.string());
    if (found == scanned.end() || !Posix::ProcessExists(found->second))
        return std::nullopt;
    return found->second;
}

std::optional<std::wstring> LiveRecords::CommandOf(int pid) const
{
    std::string name = ReadSmall(sources.proc / std::to_string(pid) / "comm", 64);
    while (name.ends_with('\n'))
        name.pop_back();
    if (name.empty())
        return std::nullopt;
    return FromUtf8(name);
}

std::vector<std::wstring> LiveRecords::BluetoothPorts(const std::filesystem::path& prefix) const
{
    std::vector<std::pair<unsigned, std::wstring>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(prefix / "devices", error)) {
        const std::wstring name = FromUtf8(entry.path().filename().string());
        // The links are named in lower case, "com5", as the serial devices look them up.
        const auto device = name.starts_with(L"com") && !name.ends_with(L':')
                                ? DeviceOf(name, prefix)
                                : std::nullopt;
        if (!device || !sources.isRfcomm(*device))
            continue;
        found.emplace_back(std::stoul(name.substr(3)), L"COM" + name.substr(3));
    }
    std::sort(found.begin(), found.end());
    std::vector<std::wstring> names;
    for (auto& [number, name] : found)
        names.push_back(std::move(name));
    return names;
}

}  // namespace quorvex
