#include "platform/resource/resource_module.h"

#include "platform/system/text_fold.h"

namespace quorvex {

bool operator==(const ResourceId& a, const ResourceId& b)
{
    if (a.text.empty() != b.text.empty())
        return false;
    if (a.text.empty())
        return a.number == b.number;
    // Resource names match without regard to case.
    return TextFold::Equal(a.text, b.text);
}

std::optional<std::span<const std::byte>> ResourceModule::Find(ResourceId type,
                                                               ResourceId name) const
{
    for (const ResourceEntry& entry : entries)
        if (entry.type == type && entry.name == name)
            return entry.bytes;
    return std::nullopt;
}

std::optional<std::wstring_view> ResourceModule::LoadString(std::uint16_t id) const
{
    for (const StringEntry& entry : strings)
        if (entry.id == id && !entry.stored.empty())
            return entry.stored.substr(0, entry.stored.size() - 1);
    return std::nullopt;
}

}  // namespace quorvex
