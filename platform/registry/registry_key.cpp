#include "platform/registry/registry_key.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "platform/registry/hive_key.h"
#include "platform/registry/registry_hives.h"
#include "platform/registry/registry_name.h"
#include "platform/registry/registry_string.h"

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

constexpr std::array<std::wstring_view, 3> kReceiverPorts{L"SYSTEM", L"RECEIVER", L"Ports"};
constexpr std::array<std::wstring_view, 5> kBluetoothPorts{L"SOFTWARE", L"Microsoft", L"Bluetooth",
                                                           L"Serial", L"Ports"};

// Whether the first names of `path` are those of `live`, up to `length` of them.
template <std::size_t N>
bool Follows(const std::vector<std::wstring>& path, const std::array<std::wstring_view, N>& live,
             std::size_t length)
{
    if (length > N || path.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (!RegistryName::Equal(path[i], live[i]))
            return false;
    return true;
}

template <std::size_t N>
bool Names(const std::vector<std::wstring>& path, const std::array<std::wstring_view, N>& live)
{
    return path.size() == N && Follows(path, live, N);
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

bool RegistryKey::IsLiveKey(const std::vector<std::wstring>& keyPath) const
{
    if (root != RegistryRoot::LocalMachine)
        return false;
    if ((keyPath.size() <= kReceiverPorts.size() &&
         Follows(keyPath, kReceiverPorts, keyPath.size())) ||
        (keyPath.size() <= kBluetoothPorts.size() &&
         Follows(keyPath, kBluetoothPorts, keyPath.size())))
        return true;
    if (keyPath.size() != kBluetoothPorts.size() + 1)
        return false;
    const std::vector<std::wstring> parent(keyPath.begin(), keyPath.end() - 1);
    for (const std::wstring& name : LiveSubKeys(parent))
        if (RegistryName::Equal(name, keyPath.back()))
            return true;
    return false;
}

std::vector<std::wstring> RegistryKey::LiveSubKeys(const std::vector<std::wstring>& keyPath) const
{
    std::vector<std::wstring> names;
    if (root == RegistryRoot::LocalMachine && Names(keyPath, kBluetoothPorts))
        RegistryHives::UseLive([&](LiveRecords& live, const std::filesystem::path& prefix) {
            names = live.BluetoothPorts(prefix);
        });
    return names;
}

bool RegistryKey::LiveValue(std::wstring_view valueName, std::wstring& text) const
{
    if (root != RegistryRoot::LocalMachine)
        return false;
    if (Names(path, kReceiverPorts)) {
        std::optional<std::wstring> owner;
        RegistryHives::UseLive([&](LiveRecords& live, const std::filesystem::path& prefix) {
            owner = live.ReceiverOwner(valueName, prefix);
        });
        if (owner)
            text = std::move(*owner);
        return owner.has_value();
    }
    // A live Bluetooth port's subkey, named after the port, says which port it is.
    if (path.size() == kBluetoothPorts.size() + 1 &&
        Follows(path, kBluetoothPorts, kBluetoothPorts.size()) &&
        RegistryName::Equal(valueName, L"Port") && IsLiveKey(path)) {
        text = L"COM" + path.back().substr(3);
        return true;
    }
    return false;
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
    if (status == RegistryStatus::FileNotFound && IsLiveKey(joined))
        status = RegistryStatus::Success;
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
    // The hive's own subkeys come first, then the live ones it does not name.
    std::vector<std::wstring> live = LiveSubKeys(path);
    const bool liveKey = IsLiveKey(path);  // not under Use: it may ask the live records
    RegistryStatus status = RegistryStatus::StorageFailed;
    std::wstring found;
    RegistryHives::Use(root, [&](HiveFile& hive) {
        const HiveKey* current = hive.Current();
        if (current == nullptr)
            return;
        const HiveKey* key = Walk(current, path);
        if (key == nullptr && !liveKey) {
            status = RegistryStatus::FileNotFound;
            return;
        }
        const std::size_t own = key ? key->SubKeyCount() : 0;
        if (index < own) {
            found = key->SubKeyAt(index).Name();
            status = RegistryStatus::Success;
            return;
        }
        std::erase_if(live, [&](const std::wstring& liveName) {
            return key != nullptr && key->FindSubKey(liveName) != nullptr;
        });
        if (index - own < live.size()) {
            found = live[index - own];
            status = RegistryStatus::Success;
        } else {
            status = RegistryStatus::NoMoreItems;
        }
    });
    if (status != RegistryStatus::Success)
        return status;
    if (found.size() >= name.size())
        return RegistryStatus::MoreData;
    std::ranges::copy(found, name.begin());
    name[found.size()] = L'\0';
    length = found.size();
    return RegistryStatus::Success;
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
    std::wstring text;
    if (status != RegistryStatus::FileNotFound || !LiveValue(valueName, text))
        return status;
    const std::vector<std::byte> bytes = RegistryString::Encode(text);
    type = RegistryType::String;
    size = bytes.size();
    if (bytes.size() > data.size())
        return RegistryStatus::MoreData;
    std::ranges::copy(bytes, data.begin());
    return RegistryStatus::Success;
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
