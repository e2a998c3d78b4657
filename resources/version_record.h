#pragma once

#include <cstddef>
#include <span>

namespace quorvex {

// The program's version record (type 16, name 1), in the platform's binary layout: a
// VS_VERSIONINFO block holding the fixed file information (version 1.0.0.1, an application
// for 32-bit Windows), a StringFileInfo block with the U.S. English, code page 1252 string
// table "040904E4", and a VarFileInfo block naming that translation. Texts are UTF-16LE.
std::span<const std::byte> VersionRecord();

}  // namespace quorvex
