#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// String values as the registry stores them: UTF-16LE code units ending in a NUL, so that
// "COM5" takes 10 bytes. Stateless; callable from any thread.
class RegistryString {
public:
    // The stored bytes of `text`, terminator included. Characters that are not Unicode
    // scalar values become U+FFFD.
    static std::vector<std::byte> Encode(std::wstring_view text);

    // The text of stored bytes up to the first NUL or the end. An odd last byte is
    // ignored; unpaired surrogates become U+FFFD.
    static std::wstring Decode(std::span<const std::byte> data);

    // True when `data` is exactly one encoded text with its single terminator and holds
    // nothing that a quoted line of the hive's text could not carry (no line breaks or
    // other control characters, no unpaired surrogates).
    static bool IsPlainText(std::span<const std::byte> data);
};

}  // namespace quorvex
