#pragma once

#include <string>
#include <string_view>

#include "platform/registry/hive_key.h"

namespace quorvex {

// The text form of a hive, as a person edits it and regedit imports it: UTF-8, the line
// "Windows Registry Editor Version 5.00", then one section per key,
// "[HKEY_CURRENT_USER\software\...]", holding its values: "Name"=dword:0000002a,
// "Name"="text" (escapes \\ and \"), "Name"=hex(N):01,02 or "Name"=hex:01,02 for any other
// type or length (lines ending in '\' go on with the next), and @= for the default value.
// Stateless; callable from any thread.
class HiveText {
public:
    enum class Outcome {
        Whole,       // every line was understood
        Damaged,     // the hive holds what was understood; some lines were not
        Unreadable,  // not a hive at all: no header, not UTF-8, or binary; `root` is empty
    };

    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

    // Fills `root`, emptied first, from `text`. `rootName` is the one root key this hive
    // may hold ("HKEY_CURRENT_USER"); sections of another root, values outside a section,
    // names beyond the registry's limits and values larger than kMaxRegistryValueBytes are
    // lines that are not understood.
    static Outcome Parse(std::string_view text, std::wstring_view rootName, HiveKey& root);

    // The whole text of the hive under `root`. Every key has its section, so that a key
    // without values survives a round trip.
    static std::string Write(const HiveKey& root, std::wstring_view rootName);
};

}  // namespace quorvex
