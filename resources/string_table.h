#pragma once

#include <span>

#include "platform/resource/resource_module.h"

namespace quorvex {

// The program's string table, ids 130 to 147 (resources/string_ids.h). Each text is stored
// with its terminating NUL, counted in its stored length, because the program reads the
// strings in place as NUL-terminated text. There is no string 57344: the application takes
// its name from the program file.
std::span<const StringEntry> ProgramStrings();

}  // namespace quorvex
