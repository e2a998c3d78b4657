#include "ports/receiver_port_owner.h"

#include <array>

#include "platform/registry/shell_registry.h"

namespace quorvex {

std::wstring GetReceiverPortOwner(std::wstring valueName)
{
    std::array<wchar_t, 128> owner{};
    if (ShellRegistry::ReadString(RegistryRoot::LocalMachine, L"SYSTEM\\RECEIVER\\Ports", valueName,
                                  owner) != RegistryStatus::Success)
        return {};
    return std::wstring(owner.data());
}

}  // namespace quorvex
