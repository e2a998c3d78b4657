#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/hive_key.h"

namespace quorvex {

// The text form of a hive, as a person edits it and regedit imports it: UTF-8, the line
// "Windows Registry Editor Version 5.00", then one section per key,
// "[HKEY_CURRENT_USER\software\...]", holding its values: "Name"=dword:0000002a,
// "Name"="text" (escapes \\ and \"), "Name"=hex(N):01,02 or "Name"=hex:01,02 for any other
// type or length (lines ending in '\' go on with the next), and @= for the default value.
//
// Other programs and people share the hives, so a rewrite keeps every line it does not
// understand (comments, values it cannot parse, the earlier of two values of one name,
// sections of another root) verbatim where it stands, and every line it understood and
// nobody changed as it was. Parse and Write take time linear in the text's size.
// Stateless; callable from any thread.
class HiveText {
public:
    enum class Outcome {
        Whole,       // every line was understood
        Damaged,     // the hive holds what was understood; the rest is kept as text
        Unreadable,  // not a hive at all: no header, not UTF-8, or binary; `root` is empty
        NotReady,    // being written: empty, cut inside the header, or a last line
                     // without its line feed; `root` is empty
    };

    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

    // The text a hive was read from, and which key or value each stretch of it stands for.
    struct Part {
        enum class Kind : unsigned char { Text, Section, Value };
        std::size_t begin = 0;  // bytes of Layout::text, line feeds included
        std::size_t end = 0;
        Kind kind = Kind::Text;
        HiveKey* key = nullptr;  // a Section's or a Value's key
        std::size_t value = 0;   // a Value's index in key->Values()
    };
    struct Layout {
        std::string text;
        std::vector<Part> parts;  // in text order, covering all of it
    };

    // Fills `root`, emptied first, and `layout` from `text`. `rootName` is the one root key
    // this hive may hold ("HKEY_CURRENT_USER"); sections of another root, values outside a
    // section, names beyond the registry's limits and values larger than
    // kMaxRegistryValueBytes are lines that are not understood. `settled` says the text
    // is final (nobody is writing it any more): then an empty text is an empty hive, a
    // cut header makes the text Unreadable, and a last line without its line feed is
    // understood only when no cut could look like it (see HiveLine), so that a cut value
    // never reads as a whole one.
    static Outcome Parse(std::string text, std::wstring_view rootName, HiveKey& root,
                         Layout& layout, bool settled = false);
    // The same, for a text whose layout is not wanted.
    static Outcome Parse(std::string_view text, std::wstring_view rootName, HiveKey& root);

    // The text of the hive under `root`, read into `layout` by Parse (or empty): every
    // part as it stands, changed values in their place, new values after their key's last
    // line and new keys at the end. `layout` and `root` then describe the text returned.
    static std::string Write(HiveKey& root, std::wstring_view rootName, Layout& layout);

    // The whole text of the hive under `root` as this layer writes a new hive. Every key
    // has its section, so that a key without values survives a round trip.
    static std::string Write(const HiveKey& root, std::wstring_view rootName);
};

}  // namespace quorvex
