#include "ports/settings_store.h"

#include <array>
#include <cstddef>

#include "platform/registry/registry_key.h"
#include "platform/system/little_endian.h"
#include "platform/system/program_file.h"

namespace quorvex {

SettingsStore::SettingsStore() : SettingsStore(ProgramFile::Path())
{
}

SettingsStore::SettingsStore(std::wstring programPath) : programPath(std::move(programPath))
{
}

void SettingsStore::SetCompanyKey(std::wstring_view name)
{
    companyKey = name;
    applicationKey = ProgramFile::ApplicationName(programPath);
}

bool SettingsStore::OpenSection(std::wstring_view section, RegistryKey& sectionKey) const
{
    // An empty application name (the program file cannot be told) would put every section
    // straight under the company key, among other programs' keys: refuse it instead.
    if (companyKey.empty() || applicationKey.empty())
        return false;
    const RegistryKey root = RegistryKey::Root(RegistryRoot::CurrentUser);
    RegistryKey software;
    if (root.OpenSubKey(L"software", software) != RegistryStatus::Success &&
        root.CreateSubKey(L"software", software) != RegistryStatus::Success)
        return false;
    RegistryKey company;
    RegistryKey application;
    if (software.CreateSubKey(companyKey, company) == RegistryStatus::Success)
        company.CreateSubKey(applicationKey, application);  // tested through IsOpen below
    software.Close();
    company.Close();
    if (!application.IsOpen())
        return false;
    const bool opened = application.CreateSubKey(section, sectionKey) == RegistryStatus::Success;
    application.Close();
    return opened;
}

std::int32_t SettingsStore::ReadInt(std::wstring_view section, std::wstring_view entry,
                                    std::int32_t defaultValue)
{
    RegistryKey key;
    if (!OpenSection(section, key))
        return defaultValue;
    // A stored value shorter than 4 bytes leaves the rest of the buffer as it was: zero.
    std::array<std::byte, 4> bytes{};
    std::uint32_t type = 0;
    std::size_t size = 0;
    const RegistryStatus status = key.QueryValue(entry, type, bytes, size);
    key.Close();
    if (status != RegistryStatus::Success)
        return defaultValue;
    return static_cast<std::int32_t>(LittleEndian::Get32(bytes.data()));
}

bool SettingsStore::WriteInt(std::wstring_view section, std::wstring_view entry, std::int32_t value)
{
    RegistryKey key;
    if (!OpenSection(section, key))
        return false;
    std::array<std::byte, 4> bytes{};
    LittleEndian::Put32(bytes.data(), static_cast<std::uint32_t>(value));
    const bool stored = key.SetValue(entry, RegistryType::Dword, bytes) == RegistryStatus::Success;
    key.Close();
    return stored;
}

}  // namespace quorvex
