#pragma once

#include <string>

namespace quorvex {

// The program that the registry records as holding the receiver port `valueName` (the
// port's name without its colon, "COM2"), read afresh from HKEY_LOCAL_MACHINE
// "SYSTEM\RECEIVER\Ports" at each call. Empty when nothing is recorded or the record cannot
// be read, or when it is longer than 127 characters. Keeps nothing between calls.
std::wstring GetReceiverPortOwner(std::wstring valueName);

}  // namespace quorvex
