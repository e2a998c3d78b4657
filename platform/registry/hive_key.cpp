#include "platform/registry/hive_key.h"

#include <algorithm>

#include "platform/system/text_fold.h"

namespace quorvex {

HiveKey::HiveKey(std::wstring name) : name(std::move(name))
{
}

HiveKey* HiveKey::FindSubKey(std::wstring_view subKeyName)
{
    const auto found = subKeyIndex.find(TextFold::Fold(subKeyName));
    return found == subKeyIndex.end() ? nullptr : subKeys[found->second].get();
}

const HiveKey* HiveKey::FindSubKey(std::wstring_view subKeyName) const
{
    return const_cast<HiveKey*>(this)->FindSubKey(subKeyName);
}

HiveKey& HiveKey::ObtainSubKey(std::wstring_view subKeyName)
{
    const auto [slot, added] = subKeyIndex.try_emplace(TextFold::Fold(subKeyName), subKeys.size());
    if (added)
        subKeys.push_back(std::make_unique<HiveKey>(std::wstring(subKeyName)));
    return *subKeys[slot->second];
}

const HiveKey::Value* HiveKey::FindValue(std::wstring_view valueName) const
{
    return const_cast<HiveKey*>(this)->FindValue(valueName);
}

HiveKey::Value* HiveKey::FindValue(std::wstring_view valueName)
{
    const auto found = valueIndex.find(TextFold::Fold(valueName));
    return found == valueIndex.end() ? nullptr : &values[found->second];
}

bool HiveKey::SetValue(std::wstring_view valueName, std::uint32_t type,
                       std::span<const std::byte> data)
{
    const auto [slot, added] = valueIndex.try_emplace(TextFold::Fold(valueName), values.size());
    if (added) {
        values.push_back({std::wstring(valueName), type, {data.begin(), data.end()}});
        return true;
    }
    Value& value = values[slot->second];
    if (value.type == type && std::ranges::equal(value.data, data))
        return false;
    value.type = type;
    value.data.assign(data.begin(), data.end());
    value.edited = true;
    return true;
}

void HiveKey::Clear()
{
    values.clear();
    subKeys.clear();
    valueIndex.clear();
    subKeyIndex.clear();
}

}  // namespace quorvex
