#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// Conversions between the program's wide-character text and the UTF-8 of file names,
// files and the terminal. Text that is not valid UTF-8, and wide characters that are not
// Unicode scalar values, become U+FFFD so that bad input is visible rather than lost.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace quorvex
