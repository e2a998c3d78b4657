#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/framework/profile_settings.h"

namespace quorvex {

class RegistryKey;

// The program's integer settings, one REG_DWORD value per entry, in the key
// HKEY_CURRENT_USER\software\<company>\<application>\<section>. Every key on that path
// is created when missing, on reads as well as on writes. Until SetCompanyKey names the
// company key, reads give their defaults and writes store nothing. No key stays open
// between calls.
// Used from one thread, the dialog's.
class SettingsStore : public ProfileSettings {
public:
    // The application key is named after the running program file.
    SettingsStore();
    // The application key is named after `programPath` instead.
    explicit SettingsStore(std::wstring programPath);

    // Stores the company key name and takes the application key name from the program
    // file name: its base name without directory and extension.
    void SetCompanyKey(std::wstring_view name) override;

    // The entry's four bytes as an integer, whatever type they were stored with; the
    // default when the entry is missing, longer than 4 bytes, or the key cannot be opened.
    std::int32_t ReadInt(std::wstring_view section, std::wstring_view entry,
                         std::int32_t defaultValue) override;

    // Stores the entry as REG_DWORD. True when it was stored.
    bool WriteInt(std::wstring_view section, std::wstring_view entry, std::int32_t value) override;

private:
    bool OpenSection(std::wstring_view section, RegistryKey& sectionKey) const;

    const std::wstring programPath;
    std::wstring companyKey;
    std::wstring applicationKey;
};

}  // namespace quorvex
