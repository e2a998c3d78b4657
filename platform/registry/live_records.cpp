#include "platform/registry/live_records.h"

#include <algorithm>
#include <system_error>

#include "platform/registry/proc_folder.h"
#include "platform/system/device_node.h"
#include "platform/system/link_target.h"
#include "platform/system/port_name.h"
#include "platform/system/posix.h"
#include "platform/system/utf8.h"
#include "platform/system/uucp_lock.h"

namespace quorvex {
namespace {

bool DefaultIsRfcomm(const std::filesystem::path& device)
{
    NodeStatus status;
    return Posix::StatNode(device.c_str(), status).Ok() && status.characterDevice &&
           status.deviceMajor == DeviceNode::kRfcommMajor;
}

// The character device at `node`, and the node itself as the file other programs lock;
// nothing when `node` is no character device.
std::optional<DescriptorScanner::Device> CharacterDevice(const std::filesystem::path& node)
{
    NodeStatus status;
    if (!Posix::StatNode(node.c_str(), status).Ok() || !status.characterDevice)
        return std::nullopt;
    return DescriptorScanner::Device{
        {status.deviceMajor, status.deviceMinor},
        {status.fileSystemMajor, status.fileSystemMinor, status.inode}};
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
    if (const auto pid = UucpLock::Holder(sources.lockFolder, device->filename().string()))
        if (auto name = NameOf(*pid))
            return name;
    const auto wanted = CharacterDevice(*device);
    if (!wanted)
        return std::nullopt;
    // What the scan found may be stale: a process may have let go of the device since,
    // and the device's number may stand for another pair of the same number by now. A
    // locker whose descriptors did not show is taken while it lives (it has a name).
    for (const DescriptorScanner::Finding& finding : scanner->Holders(*wanted))
        if (finding.descriptor < 0 ||
            sources.processes->DeviceOf(finding.pid, finding.descriptor) == wanted->number)
            if (auto name = NameOf(finding.pid))
                return name;
    return std::nullopt;
}

std::vector<LiveRecords::Holder> LiveRecords::HoldersNow(const std::filesystem::path& device) const
{
    std::vector<Holder> holders;
    const std::filesystem::path node = LinkTarget::Final(device).lexically_normal();
    const auto uucp = UucpLock::Holder(sources.lockFolder, node.filename().string());
    if (uucp)
        if (auto name = NameOf(*uucp))
            holders.push_back({*uucp, std::move(*name), Holder::Way::UucpLock});
    const auto wanted = CharacterDevice(node);
    if (!wanted)
        return holders;
    // The scan finds descriptors; a process holding the device through several is one holder.
    const auto named = [&holders](int pid) {
        return std::any_of(holders.begin(), holders.end(),
                           [pid](const Holder& holder) { return holder.pid == pid; });
    };
    for (const DescriptorScanner::Finding& finding :
         DescriptorScanner::HoldersNow(*sources.processes, *wanted))
        if (!named(finding.pid))
            if (auto name = NameOf(finding.pid))
                holders.push_back({finding.pid, std::move(*name),
                                   finding.locks ? Holder::Way::Lock : Holder::Way::Descriptor});
    return holders;
}

std::optional<std::wstring> LiveRecords::NameOf(int pid) const
{
    const std::string name = sources.processes->Command(pid);
    return name.empty() ? std::nullopt : std::optional(FromUtf8(name));
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
