#include "platform/resource/resource_module.h"

namespace quorvex {

bool operator==(const ResourceId& a, const ResourceId& b)
{
    if (a.text.empty() != b.text.empty())
        return false;
    if (a.text.empty())
        return a.number == b.number;
    // Resource names match without regard to case, in the ASCII range they use.
    if (a.text.size() != b.text.size())
        return false;
    for (std::size_t i = 0; i < a.text.size(); ++i) {
        auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
        if (lower(a.text[i]) != lower(b.text[i]))
            return false;
    }
    return true;
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
