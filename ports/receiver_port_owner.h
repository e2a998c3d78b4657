#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex {

// Under HKEY_LOCAL_MACHINE: a value for each receiver port, named as the port without its
// colon, naming the program that holds it.
inline constexpr std::wstring_view kReceiverPortsKey = L"SYSTEM\\RECEIVER\\Ports";
// The longest record that is read; a longer one reads as none.
inline constexpr std::size_t kLongestReceiverPortOwner = 127;

// The program that the registry records as holding the receiver port `valueName` (the
// port's name without its colon, "COM2"), read afresh from HKEY_LOCAL_MACHINE
// kReceiverPortsKey at each call. Empty when nothing is recorded or the record cannot be
// read, or when it is longer than kLongestReceiverPortOwner characters. Keeps nothing
// between calls.
std::wstring GetReceiverPortOwner(std::wstring valueName);

}  // namespace quorvex
