#include "ports/port_catalogue.h"

#include <array>
#include <string_view>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/resource/resource_module.h"

namespace quorvex {

PortCatalogue::PortCatalogue(const ResourceModule& resources) : resources(resources)
{
    Build();
}

void PortCatalogue::Build()
{
    entries.clear();
    ScanBluetoothPorts();
    const std::array<std::uint8_t, 4> registered{0, com5Present, com6Present, 0};
    for (std::size_t index = 0; index < kCandidates.size(); ++index) {
        const Candidate& candidate = kCandidates[index];
        const std::wstring_view text = resources.LoadString(candidate.textId).value_or(L"");
        const std::uint8_t isPresent = candidate.alwaysOffered ? 1 : registered[index];
        entries.push_back(std::make_unique<PortEntry>(std::wstring(candidate.deviceName),
                                                      std::wstring(text), candidate.isBluetooth,
                                                      isPresent));
    }
}

std::optional<std::size_t> PortCatalogue::RegisteredIndex(std::span<const std::byte> port)
{
    if (port.size() > kPortValueBytes)
        return std::nullopt;
    const std::wstring text = RegistryString::Decode(port);
    if (text == L"COM5")
        return 1;
    if (text == L"COM6")
        return 2;
    return std::nullopt;
}

void PortCatalogue::ScanBluetoothPorts()
{
    com5Present = 0;
    com6Present = 0;
    RegistryKey ports;
    if (RegistryKey::Root(RegistryRoot::LocalMachine).CreateSubKey(kBluetoothPortsKey, ports) !=
        RegistryStatus::Success)
        return;
    for (std::uint32_t index = 0;; ++index) {
        std::array<wchar_t, kLongestSubKeyName + 1> name{};
        std::size_t length = 0;
        const RegistryStatus status = ports.EnumerateSubKey(index, name, length);
        // A name too long for the buffer skips that subkey only. Any other failure (the
        // key removed by the stack meanwhile) ends the scan, where waiting for "no more
        // items" alone would never end.
        if (status == RegistryStatus::MoreData)
            continue;
        if (status != RegistryStatus::Success)
            break;
        RegistryKey subKey;
        if (ports.OpenSubKey(std::wstring_view(name.data(), length), subKey) !=
            RegistryStatus::Success)
            continue;
        // The read's outcome is not looked at: the zeroed buffer of a missing or too long
        // value matches no port name.
        std::array<std::byte, kPortValueBytes> port{};
        std::uint32_t type = 0;
        std::size_t size = 0;
        subKey.QueryValue(L"Port", type, port, size);
        subKey.Close();
        const auto registered = RegisteredIndex(port);
        if (registered == 1)
            com5Present = 1;
        else if (registered == 2)
            com6Present = 1;
    }
    ports.Close();
}

}  // namespace quorvex
