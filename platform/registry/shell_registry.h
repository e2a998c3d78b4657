#pragma once

#include <span>
#include <string_view>

#include "platform/registry/registry_types.h"

namespace quorvex {

// The handheld shell's registry string reader: one call that opens a key, reads a string
// value and closes the key again. Callable from any thread.
class ShellRegistry {
public:
    // Copies the string value `valueName` of key `subKey` under `root` into `buffer`, up to
    // its first NUL and with a NUL added; the buffer's size is its capacity in characters.
    // Success (0) only then. A string that does not fit whole gives MoreData rather than
    // a cut text that would name something else; a value that is not REG_SZ or
    // REG_EXPAND_SZ gives UnsupportedType. On any failure the buffer is left as it was.
    static RegistryStatus ReadString(RegistryRoot root, std::wstring_view subKey,
                                     std::wstring_view valueName, std::span<wchar_t> buffer);
};

}  // namespace quorvex
