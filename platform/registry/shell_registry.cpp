#include "platform/registry/shell_registry.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/registry/registry_key.h"
#include "platform/registry/registry_string.h"

namespace quorvex {

RegistryStatus ShellRegistry::ReadString(RegistryRoot root, std::wstring_view subKey,
                                         std::wstring_view valueName, std::span<wchar_t> buffer)
{
    if (buffer.empty())
        return RegistryStatus::InvalidParameter;
    RegistryKey key;
    RegistryStatus status = RegistryKey::Root(root).OpenSubKey(subKey, key);
    if (status != RegistryStatus::Success)
        return status;
    // Each character fills at most two UTF-16 units, so a string that fits the buffer fits
    // these bytes; a larger value is too long for it in any case.
    std::vector<std::byte> data(4 * buffer.size());
    std::uint32_t type = 0;
    std::size_t size = 0;
    status = key.QueryValue(valueName, type, data, size);
    if (status != RegistryStatus::Success)
        return status;
    if (type != RegistryType::String && type != RegistryType::ExpandString)
        return RegistryStatus::UnsupportedType;
    const std::wstring text = RegistryString::Decode(std::span(data).first(size));
    if (text.size() >= buffer.size())
        return RegistryStatus::MoreData;
    std::ranges::copy(text, buffer.begin());
    buffer[text.size()] = L'\0';
    return RegistryStatus::Success;
}

}  // namespace quorvex
