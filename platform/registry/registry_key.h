#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry_types.h"

namespace quorvex {

// An open registry key: a handle that names a key of one hive. Every operation reads the
// hive as it is now, so a change that another process made is seen at once; every change
// is on disk when the call returns. A key that another process removed reports
// FileNotFound. Subkey paths are key names separated by '\'; an empty path names the key
// itself. The handle is closed by Close or by its destructor. One thread uses a handle at
// a time; handles on different threads may be used at once.
class RegistryKey {
public:
    RegistryKey() = default;  // closed
    virtual ~RegistryKey() = default;
    RegistryKey(RegistryKey&& other) noexcept;  // `other` is left closed
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // An open handle on a root key, which always exists.
    static RegistryKey Root(RegistryRoot root);

    bool IsOpen() const { return open; }
    void Close();

    // Opens an existing subkey into `result`.
    RegistryStatus OpenSubKey(std::wstring_view subKey, RegistryKey& result) const;

    // Opens a subkey into `result`, creating every missing key on its path.
    RegistryStatus CreateSubKey(std::wstring_view subKey, RegistryKey& result) const;

    // The name of subkey `index` (0 upwards, in creation order) copied with its NUL into
    // `name`, whose size is the capacity in characters; `length` gets the name's length
    // without the NUL. MoreData when the name and its NUL do not fit (nothing is copied,
    // and the next index goes on); NoMoreItems past the last subkey.
    RegistryStatus EnumerateSubKey(std::uint32_t index, std::span<wchar_t> name,
                                   std::size_t& length) const;

    // The type and bytes of a value ("" is the default value). `size` gets the value's
    // size in bytes; when that exceeds `data.size()` the result is MoreData and nothing is
    // copied.
    RegistryStatus QueryValue(std::wstring_view valueName, std::uint32_t& type,
                              std::span<std::byte> data, std::size_t& size) const;

    // Stores a value, replacing one of the same name (whose name keeps its case).
    // InvalidParameter beyond kMaxRegistryValueBytes or the name limits.
    RegistryStatus SetValue(std::wstring_view valueName, std::uint32_t type,
                            std::span<const std::byte> data);

private:
    // The keys and values that the live system answers for in HKEY_LOCAL_MACHINE where the
    // hive lacks them (see LiveRecords): the receiver ports key and its values, the
    // Bluetooth ports key and one subkey per bound RFCOMM port.
    bool IsLiveKey(const std::vector<std::wstring>& keyPath) const;
    std::vector<std::wstring> LiveSubKeys(const std::vector<std::wstring>& keyPath) const;
    bool LiveValue(std::wstring_view valueName, std::wstring& text) const;

    RegistryStatus Join(std::wstring_view subKey, std::vector<std::wstring>& path) const;

    RegistryRoot root = RegistryRoot::CurrentUser;
    std::vector<std::wstring> path;  // key names below the root
    bool open = false;
};

}  // namespace quorvex
