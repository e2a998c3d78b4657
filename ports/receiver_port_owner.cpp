#include "ports/receiver_port_owner.h"

#include <array>

#include "platform/registry/shell_registry.h"

namespace quorvex {

std::wstring GetReceiverPortOwner(std::wstring valueName)
{
    std::array<wchar_t, kLongestReceiverPortOwner + 1> owner{};  // and the terminator
    if (ShellRegistry::ReadString(RegistryRoot::LocalMachine, kReceiverPortsKey, valueName,
                                  owner) != RegistryStatus::Success)
        return {};
    return std::wstring(owner.data());
}

}  // namespace quorvex
