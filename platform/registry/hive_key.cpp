#include "platform/registry/hive_key.h"

#include <algorithm>

#include "platform/system/text_fold.h"

namespace quorvex {

std::size_t HiveKey::FoldedHash::operator()(std::wstring_view name) const
{
    // FNV-1a over the folded characters.
    std::size_t hash = 14695981039346656037ull;
    for (wchar_t c : name) {
        hash ^= static_cast<std::size_t>(TextFold::Upper(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool HiveKey::FoldedEqual::operator()(std::wstring_view a, std::wstring_view b) const
{
    return TextFold::Equal(a, b);
}

HiveKey::HiveKey(std::wstring name) : name(std::move(name))
{
}

HiveKey* HiveKey::FindSubKey(std::wstring_view subKeyName)
{
    if (subKeys.size() < kIndexFrom) {
        for (const auto& subKey : subKeys)
            if (TextFold::Equal(subKey->name, subKeyName))
                return subKey.get();
        return nullptr;
    }
    const auto found = subKeyIndex.find(subKeyName);
    return found == subKeyIndex.end() ? nullptr : subKeys[found->second].get();
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
    if (subKeys.size() == kIndexFrom) {
        for (std::size_t i = 0; i < subKeys.size(); ++i)
            subKeyIndex.emplace(subKeys[i]->name, i);
    } else if (subKeys.size() > kIndexFrom) {
        subKeyIndex.emplace(subKeys.back()->name, subKeys.size() - 1);
    }
    return *subKeys.back();
}

const HiveKey::Value* HiveKey::FindValue(std::wstring_view valueName) const
{
    return const_cast<HiveKey*>(this)->FindValue(valueName);
}

HiveKey::Value* HiveKey::FindValue(std::wstring_view valueName)
{
    if (values.size() < kIndexFrom) {
        for (Value& value : values)
            if (TextFold::Equal(value.name, valueName))
                return &value;
        return nullptr;
    }
    const auto found = valueIndex.find(valueName);
    return found == valueIndex.end() ? nullptr : &values[found->second];
}

void HiveKey::IndexValues()
{
    valueIndex.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        valueIndex.emplace(values[i].name, i);
}

bool HiveKey::SetValue(std::wstring_view valueName, std::uint32_t type,
                       std::span<const std::byte> data)
{
    if (Value* value = FindValue(valueName)) {
        if (value->type == type && std::ranges::equal(value->data, data))
            return false;
        value->type = type;
        value->data.assign(data.begin(), data.end());
        value->edited = true;
        return true;
    }
    const Value* before = values.data();
    values.push_back({std::wstring(valueName), type, {data.begin(), data.end()}});
    if (values.size() >= kIndexFrom) {
        // The names moved with the vector: index them where they are now.
        if (values.data() != before || values.size() == kIndexFrom)
            IndexValues();
        else
            valueIndex.emplace(values.back().name, values.size() - 1);
    }
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
