#include "ports/port_catalogue.h"

#include <array>
#include <string_view>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"
#include "platform/resource/resource_module.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kBluetoothPortsKey = L"SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports";

}  // namespace

PortCatalogue::PortCatalogue(const ResourceModule& resources) : resources(resources)
{
    Build();
}

void PortCatalogue::Build()
{
    entries.clear();
    ScanBluetoothPorts();
    struct Candidate {
        std::wstring_view deviceName;
        std::uint16_t textId;
        std::uint8_t isBluetooth;
        std::uint8_t isPresent;
    };
    const std::array<Candidate, 4> candidates{{
        {L"COM1:", 142, 0, 1},
        {L"COM5:", 143, 1, com5Present},
        {L"COM6:", 144, 1, com6Present},
        {L"COM9:", 145, 1, 1},
    }};
    for (const Candidate& candidate : candidates) {
        const std::wstring_view text = resources.LoadString(candidate.textId).value_or(L"");
        entries.push_back(std::make_unique<PortEntry>(std::wstring(candidate.deviceName),
                                                      std::wstring(text), candidate.isBluetooth,
                                                      candidate.isPresent));
    }
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
        std::array<wchar_t, 32> name{};
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
        std::array<std::byte, 16> port{};
        std::uint32_t type = 0;
        std::size_t size = 0;
        subKey.QueryValue(L"Port", type, port, size);
        subKey.Close();
        const std::wstring text = RegistryString::Decode(port);
        if (text == L"COM5")
            com5Present = 1;
        else if (text == L"COM6")
            com6Present = 1;
    }
    ports.Close();
}

}  // namespace quorvex
