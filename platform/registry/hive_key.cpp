#include "platform/registry/hive_key.h"

#include <algorithm>

#include "platform/registry/registry_name.h"

namespace quorvex {

HiveKey::HiveKey(std::wstring name) : name(std::move(name))
{
}

HiveKey* HiveKey::FindSubKey(std::wstring_view subKeyName)
{
    for (const auto& subKey : subKeys)
        if (RegistryName::Equal(subKey->name, subKeyName))
            return subKey.get();
    return nullptr;
}

const HiveKey* HiveKey::FindSubKey(std::wstring_view subKeyName) const
{
    return const_cast<HiveKey*>(this)->FindSubKey(subKeyName);
}

HiveKey& HiveKey::ObtainSubKey(std::wstring_view subKeyName)
{
    if (HiveKey* found = FindSubKey(subKeyName))
        return *found;
    subKeys.push_back(std::make_unique<HiveKey>(std::wstring(subKeyName)));
    return *subKeys.back();
}

const HiveKey::Value* HiveKey::FindValue(std::wstring_view valueName) const
{
    for (const Value& value : values)
        if (RegistryName::Equal(value.name, valueName))
            return &value;
    return nullptr;
}

bool HiveKey::SetValue(std::wstring_view valueName, std::uint32_t type,
                       std::span<const std::byte> data)
{
    auto* value = const_cast<Value*>(FindValue(valueName));
    if (value == nullptr) {
        values.push_back({std::wstring(valueName), type, {data.begin(), data.end()}});
        return true;
    }
    if (value->type == type && std::ranges::equal(value->data, data))
        return false;
    value->type = type;
    value->data.assign(data.begin(), data.end());
    return true;
}

void HiveKey::Clear()
{
    values.clear();
    subKeys.clear();
}

}  // namespace quorvex
