#pragma once

#include <string>

#include "platform/system/byte_reader.h"

namespace quorvex::testing {

// A NUL-terminated UTF-16 text, read unit by unit and returned without its NUL. The tests'
// own reading, apart from the parser under test; the program's texts need no surrogates.
inline std::wstring ReadText(ByteReader& in)
{
    std::wstring text;
    for (std::uint16_t unit = in.U16(); unit != 0 && in.Ok(); unit = in.U16())
        text += static_cast<wchar_t>(unit);
    return text;
}

}  // namespace quorvex::testing
