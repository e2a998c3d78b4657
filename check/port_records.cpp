#include "check/port_records.h"

#include <string_view>

#include "check/prefix_survey.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/hive_key.h"
#include "platform/registry/live_records.h"
#include "platform/registry/registry_string.h"
#include "platform/registry/registry_types.h"
#include "platform/system/utf8.h"
#include "ports/port_catalogue.h"
#include "ports/receiver_port_owner.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kReceiverValue = L"COM2";

const HiveKey* Walk(const HiveKey* key, std::wstring_view path)
{
    while (key != nullptr && !path.empty()) {
        const std::size_t slash = path.find(L'\\');
        key = key->FindSubKey(path.substr(0, slash));
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
    }
    return key;
}

std::string Quoted(std::wstring_view text)
{
    return "\"" + ToUtf8(text) + "\"";
}

std::string KeyName(std::wstring_view path)
{
    return "HKEY_LOCAL_MACHINE\\" + ToUtf8(path);
}

// "COM5" for the candidate at `index`.
std::wstring PortOf(std::size_t index)
{
    std::wstring_view name = PortCatalogue::kCandidates[index].deviceName;
    name.remove_suffix(1);  // the colon
    return std::wstring(name);
}

}  // namespace

void PortRecords::Read(const PrefixSurvey& survey, const LiveRecords& live)
{
    lines.clear();
    receiverRecord.reset();
    registeredBy = {};
    linked = {};
    hiveSkipped = false;
    linksSkipped = survey.DeviceLinks() == PrefixSurvey::Links::NotFollowed;
    ReadHive(survey);
    if (survey.DeviceLinks() == PrefixSurvey::Links::Readable) {
        for (const std::wstring& port : live.BluetoothPorts(survey.Location()))
            for (std::size_t index = 0; index < linked.size(); ++index)
                linked[index] = linked[index] || port == PortOf(index);
    }
    std::string offered;
    for (std::size_t index = 0; index < linked.size(); ++index) {
        if (!PortCatalogue::kCandidates[index].isBluetooth || !Listed(index))
            continue;
        const std::string how = PortCatalogue::kCandidates[index].alwaysOffered ? "always"
                                : !registeredBy[index].empty()                  ? "system.reg"
                                                                                : "a devices/ link";
        offered += (offered.empty() ? "" : ", ") + ToUtf8(PortOf(index)) + " (" + how + ")";
    }
    Note("the Bluetooth ports offered: " + offered);
}

void PortRecords::ReadHive(const PrefixSurvey& survey)
{
    const FolderHandle* prefix = survey.Prefix();
    if (prefix == nullptr) {
        hiveSkipped = !survey.Passes();
        Note(hiveSkipped ? "system.reg is not read, as the prefix fails its checks"
                         : "there is no system.reg yet: it records nothing");
        return;
    }
    HiveFile hive(*prefix, "system.reg", L"HKEY_LOCAL_MACHINE", HiveFile::Kind::Records);
    const HiveKey* root = hive.Current();
    if (root == nullptr) {
        hiveSkipped = true;
        Note(hive.Path().string() + " cannot be read: it is not a regular file");
        return;
    }

    if (const HiveKey* ports = Walk(root, kReceiverPortsKey))
        if (const HiveKey::Value* value = ports->FindValue(kReceiverValue)) {
            std::wstring holder;
            if (value->type == RegistryType::String || value->type == RegistryType::ExpandString)
                holder = RegistryString::Decode(value->data);
            if (holder.size() > kLongestReceiverPortOwner)
                holder.clear();
            receiverRecord = holder;
            const std::string where =
                "the value \"COM2\" under " + KeyName(kReceiverPortsKey) + " in system.reg";
            Note(holder.empty()
                     ? where + " names no program: quorvex shows \"Available\" and " +
                           "does not look who holds the receiver port"
                     : where + " names " + Quoted(holder) +
                           " as holding the receiver port: quorvex shows \"In use " + "by " +
                           ToUtf8(holder) + "\" and offers no Connect while " + "it stands");
        }

    const HiveKey* bluetooth = Walk(root, PortCatalogue::kBluetoothPortsKey);
    const std::string key = KeyName(PortCatalogue::kBluetoothPortsKey);
    bool any = false;
    for (std::size_t i = 0; bluetooth != nullptr && i < bluetooth->SubKeyCount(); ++i) {
        const HiveKey& subKey = bluetooth->SubKeyAt(i);
        const std::string name = "the subkey " + Quoted(subKey.Name()) + " of " + key;
        if (subKey.Name().size() > PortCatalogue::kLongestSubKeyName) {
            Note(name + " is skipped: its name is longer than 31 characters");
            continue;
        }
        const HiveKey::Value* port = subKey.FindValue(L"Port");
        const auto index = port ? PortCatalogue::RegisteredIndex(port->data) : std::nullopt;
        if (index) {
            registeredBy[*index].push_back(subKey.Name());
            any = true;
        } else if (port == nullptr) {
            Note(name + " has no \"Port\" value: it registers nothing");
        } else {
            Note(name + " has \"Port\"=" + Quoted(RegistryString::Decode(port->data)) +
                 ", which registers nothing: only \"COM5\" and \"COM6\" are looked for, " +
                 "exactly so, without a colon");
        }
    }
    if (!any)
        Note("system.reg registers no Bluetooth port: no subkey of " + key +
             " has \"Port\"=\"COM5\" or \"COM6\"");
}

bool PortRecords::Listed(std::size_t index) const
{
    return PortCatalogue::kCandidates[index].alwaysOffered || !registeredBy[index].empty() ||
           linked[index];
}

std::string PortRecords::WhyListed(std::size_t index) const
{
    const std::string port = ToUtf8(PortOf(index));
    const std::string link = "devices/com" + port.substr(3);
    if (index == 0)
        return "the wired port is always listed";
    if (PortCatalogue::kCandidates[index].alwaysOffered)
        return port + " is always listed, whatever stands behind it";
    if (!registeredBy[index].empty())
        return "system.reg registers it: the subkey " + Quoted(registeredBy[index].front()) +
               " has \"Port\"=\"" + port + "\"";
    if (linked[index])
        return link + " leads to a bound Bluetooth (RFCOMM) device";
    std::string why = "no subkey of " + KeyName(PortCatalogue::kBluetoothPortsKey) +
                      " in system.reg has \"Port\"=\"" + port + "\", and " + link +
                      " does not lead to a bound Bluetooth (RFCOMM) device";
    if (hiveSkipped && linksSkipped)
        why += " (neither system.reg nor devices/ could be read)";
    else if (hiveSkipped || linksSkipped)
        why +=
            std::string(" (") + (hiveSkipped ? "system.reg" : "devices/") + " could not be read)";
    return why;
}

}  // namespace quorvex
