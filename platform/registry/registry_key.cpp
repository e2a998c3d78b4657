#include "platform/registry/registry_key.h"

#include <algorithm>
#include <utility>

#include "platform/registry/hive_key.h"
#include "platform/registry/registry_hives.h"
#include "platform/registry/registry_name.h"

namespace quorvex {
namespace {

template <typename Key>
Key* Walk(Key* root, const std::vector<std::wstring>& path)
{
    Key* key = root;
    if (key == nullptr)
        return nullptr;
    for (const std::wstring& name : path) {
        key = key->FindSubKey(name);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

}  // namespace

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : root(other.root), path(std::move(other.path)), open(std::exchange(other.open, false))
{
    other.path.clear();
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        root = other.root;
        path = std::move(other.path);
        open = std::exchange(other.open, false);
        other.path.clear();
    }
    return *this;
}

RegistryKey RegistryKey::Root(RegistryRoot root)
{
    RegistryKey key;
    key.root = root;
    key.open = true;
    return key;
}

void RegistryKey::Close()
{
    open = false;
    path.clear();
}

RegistryStatus RegistryKey::Join(std::wstring_view subKey, std::vector<std::wstring>& joined) const
{
    if (!open)
        return RegistryStatus::InvalidHandle;
    joined = path;
    while (!subKey.empty()) {
        const std::size_t slash = subKey.find(L'\\');
        const std::wstring_view name = subKey.substr(0, slash);
        if (!RegistryName::IsValidKeyName(name) || joined.size() == RegistryName::kMaxDepth)
            return RegistryStatus::InvalidParameter;
        joined.emplace_back(name);
        if (slash == std::wstring_view::npos)
            break;
        subKey.remove_prefix(slash + 1);
        if (subKey.empty())
            return RegistryStatus::InvalidParameter;  // a path ending in '\'
    }
    return RegistryStatus::Success;
}

RegistryStatus RegistryKey::OpenSubKey(std::wstring_view subKey, RegistryKey& result) const
{
    std::vector<std::wstring> joined;
    RegistryStatus status = Join(subKey, joined);
    if (status != RegistryStatus::Success)
        return status;
    status = RegistryStatus::StorageFailed;
    RegistryHives::Use(root, [&](HiveFile& hive) {
        const HiveKey* current = hive.Current();
        if (current == nullptr)
            return;
        status = Walk(current, joined) ? RegistryStatus::Success : RegistryStatus::FileNotFound;
    });
    if (status == RegistryStatus::Success) {
        result.root = root;
        result.path = std::move(joined);
        result.open = true;
    }
    return status;
}

RegistryStatus RegistryKey::CreateSubKey(std::wstring_view subKey, RegistryKey& result) const
{
    std::vector<std::wstring> joined;
    RegistryStatus status = Join(subKey, joined);
    if (status != RegistryStatus::Success)
        return status;
    status = RegistryStatus::StorageFailed;
    RegistryHives::Use(root, [&](HiveFile& hive) {
        // Most keys exist already: those need neither the lock nor a write.
        const HiveKey* current = hive.Current();
        if (current == nullptr)
            return;
        if (Walk(current, joined) != nullptr) {
            status = RegistryStatus::Success;
            return;
        }
        const bool stored = hive.Modify([&](HiveKey& hiveRoot) {
            HiveKey* key = &hiveRoot;
            bool created = false;
            for (const std::wstring& name : joined) {
                created |= key->FindSubKey(name) == nullptr;
                key = &key->ObtainSubKey(name);
            }
            return created;
        });
        if (stored)
            status = RegistryStatus::Success;
    });
    if (status == RegistryStatus::Success) {
        result.root = root;
        result.path = std::move(joined);
        result.open = true;
    }
    return status;
}

RegistryStatus RegistryKey::EnumerateSubKey(std::uint32_t index, std::span<wchar_t> name,
                                            std::size_t& length) const
{
    if (!open)
        return RegistryStatus::InvalidHandle;
    RegistryStatus status = RegistryStatus::StorageFailed;
    RegistryHives::Use(root, [&](HiveFile& hive) {
        const HiveKey* current = hive.Current();
        if (current == nullptr)
            return;
        const HiveKey* key = Walk(current, path);
        if (key == nullptr) {
            status = RegistryStatus::FileNotFound;
        } else if (index >= key->SubKeyCount()) {
            status = RegistryStatus::NoMoreItems;
        } else {
            const std::wstring& found = key->SubKeyAt(index).Name();
            if (found.size() >= name.size()) {
                status = RegistryStatus::MoreData;
                return;
            }
            std::ranges::copy(found, name.begin());
            name[found.size()] = L'\0';
            length = found.size();
            status = RegistryStatus::Success;
        }
    });
    return status;
}

RegistryStatus RegistryKey::QueryValue(std::wstring_view valueName, std::uint32_t& type,
                                       std::span<std::byte> data, std::size_t& size) const
{
    if (!open)
        return RegistryStatus::InvalidHandle;
    RegistryStatus status = RegistryStatus::StorageFailed;
    RegistryHives::Use(root, [&](HiveFile& hive) {
        const HiveKey* current = hive.Current();
        if (current == nullptr)
            return;
        const HiveKey* key = Walk(current, path);
        const HiveKey::Value* value = key ? key->FindValue(valueName) : nullptr;
        if (value == nullptr) {
            status = RegistryStatus::FileNotFound;
            return;
        }
        type = value->type;
        size = value->data.size();
        if (value->data.size() > data.size()) {
            status = RegistryStatus::MoreData;
            return;
        }
        std::ranges::copy(value->data, data.begin());
        status = RegistryStatus::Success;
    });
    return status;
}

RegistryStatus RegistryKey::SetValue(std::wstring_view valueName, std::uint32_t type,
                                     std::span<const std::byte> data)
{
    if (!open)
        return RegistryStatus::InvalidHandle;
    if (!RegistryName::IsValidValueName(valueName) || data.size() > kMaxRegistryValueBytes)
        return RegistryStatus::InvalidParameter;
    RegistryStatus status = RegistryStatus::StorageFailed;
    RegistryHives::Use(root, [&](HiveFile& hive) {
        bool found = true;
        const bool stored = hive.Modify([&](HiveKey& hiveRoot) {
            HiveKey* key = Walk(&hiveRoot, path);
            found = key != nullptr;
            return found && key->SetValue(valueName, type, data);
        });
        if (!found)
            status = RegistryStatus::FileNotFound;
        else if (stored)
            status = RegistryStatus::Success;
    });
    return status;
}

}  // namespace quorvex
