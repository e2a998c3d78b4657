#pragma once

#include <cstddef>
#include <string_view>

namespace quorvex {

// How the registry compares and bounds key and value names. Names match without regard to
// case, the same way in every locale: each character is compared in its upper case, as
// Unicode maps it. Callable from any thread.
class RegistryName {
public:
    static constexpr std::size_t kMaxKeyName = 255;      // characters in one key name
    static constexpr std::size_t kMaxValueName = 16383;  // characters in one value name
    static constexpr std::size_t kMaxDepth = 512;        // key names in one key's path

    static bool Equal(std::wstring_view a, std::wstring_view b);

    // A key name: 1 to kMaxKeyName characters, no backslash (it separates key names), and
    // only characters that the hive's text can hold (no control characters, no values
    // outside Unicode).
    static bool IsValidKeyName(std::wstring_view name);

    // A value name: up to kMaxValueName characters (empty names the default value), with
    // the same characters as a key name, the backslash included.
    static bool IsValidValueName(std::wstring_view name);
};

}  // namespace quorvex
