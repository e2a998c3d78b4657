#include "platform/registry/live_records.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "platform/registry/proc_folder.h"
#include "platform/system/link_target.h"
#include "platform/system/port_name.h"
#include "platform/system/posix.h"
#include "platform/system/utf8.h"
#include "platform/system/uucp_lock.h"

namespace quorvex {
namespace {

constexpr unsigned kRfcommMajor = 216;

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

// The process other than this one that holds a flock on the file `node`, as `table` says.
std::optional<int> FlockHolder(const std::string& table, const NodeStatus& node)
{
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", node.fileSystemMajor, node.fileSystemMinor,
                  static_cast<unsigned long long>(node.inode));
    // "1: FLOCK  ADVISORY  WRITE 4242 00:19:7 0 EOF": the pid is the field before the id.
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

}  // namespace

LiveRecords::LiveRecords() : LiveRecords(Sources{})
{
}

LiveRecords::LiveRecords(Sources sources) : sources(std::move(sources))
{
    if (!this->sources.processes)
        this->sources.processes = std::make_shared<ProcFolder>();
    if (!this->sources.isRfcomm)
        this->sources.isRfcomm = DefaultIsRfcomm;
    scanner = std::make_unique<DescriptorScanner>(
        *this->sources.processes,
        this->sources.clock != nullptr ? *this->sources.clock : Clock::System());
}

LiveRecords::~LiveRecords() = default;

LiveRecords::LiveRecords(LiveRecords&&) noexcept = default;

LiveRecords& LiveRecords::operator=(LiveRecords&& other) noexcept
{
    scanner.reset();  // first: its thread uses what the sources hold
    sources = std::move(other.sources);
    scanner = std::move(other.scanner);
    return *this;
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
    NodeStatus node;
    const bool exists = Posix::StatNode(device->c_str(), node).Ok();
    std::optional<int> holder;
    if (exists)
        holder = FlockHolder(sources.processes->LockTable(), node);
    if (!holder)
        holder = UucpLock::Holder(sources.lockFolder, device->filename().string());
    if (!holder && exists && node.characterDevice)
        holder = DescriptorHolder({node.deviceMajor, node.deviceMinor});
    if (!holder)
        return std::nullopt;
    const std::string name = sources.processes->Command(*holder);
    return name.empty() ? std::nullopt : std::optional(FromUtf8(name));
}

std::optional<int> LiveRecords::DescriptorHolder(DeviceNumber device)
{
    // A finding may be stale: its process may have let go of the device since, and the
    // device's number may now stand for another pair of the same number.
    for (const DescriptorScanner::Finding& finding : scanner->Holders(device))
        if (sources.processes->DeviceOf(finding.pid, finding.descriptor) == device)
            return finding.pid;
    return std::nullopt;
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
