#pragma once

#include <cstdint>
#include <string_view>

namespace quorvex {

// The application framework's integer settings, addressed by section and entry. The
// framework only passes them through; the store that keeps them lives above the platform
// layer and is handed to the framework by the application.
class ProfileSettings {
public:
    virtual ~ProfileSettings() = default;

    // Names the company key under which the application keeps its settings.
    virtual void SetCompanyKey(std::wstring_view name) = 0;

    // The stored value, or `defaultValue` when there is none or it cannot be read.
    virtual std::int32_t ReadInt(std::wstring_view section, std::wstring_view entry,
                                 std::int32_t defaultValue) = 0;

    // True when the value was stored.
    virtual bool WriteInt(std::wstring_view section, std::wstring_view entry,
                          std::int32_t value) = 0;
};

}  // namespace quorvex
