#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvex {

// The two hives: HKEY_CURRENT_USER in user.reg, HKEY_LOCAL_MACHINE in system.reg.
enum class RegistryRoot { CurrentUser, LocalMachine };

// What a registry operation reports. Success is 0, as the callers that test for 0 expect.
enum class RegistryStatus : std::uint32_t {
    Success = 0,
    FileNotFound,      // no such key or value
    MoreData,          // the caller's buffer is too small; nothing was copied into it
    NoMoreItems,       // the enumeration index is past the last subkey
    InvalidParameter,  // a name, a path or a size outside the registry's limits
    InvalidHandle,     // the key is not open
    UnsupportedType,   // the value is not of a type the caller can take
    StorageFailed,     // the hive could not be found, locked or written; nothing changed
};

// Value types as the platform numbers them; the registry stores any 32-bit type.
namespace RegistryType {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t String = 1;        // REG_SZ: UTF-16LE with its NUL
inline constexpr std::uint32_t ExpandString = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t Binary = 3;        // REG_BINARY
inline constexpr std::uint32_t Dword = 4;         // REG_DWORD: 4 bytes, little-endian
inline constexpr std::uint32_t MultiString = 7;   // REG_MULTI_SZ
}  // namespace RegistryType

// The largest value the registry keeps. Far above anything a setting needs, and low
// enough that a damaged or hostile hive cannot make the program hold absurd amounts.
inline constexpr std::size_t kMaxRegistryValueBytes = 1 << 20;

}  // namespace quorvex
