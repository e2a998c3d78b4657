#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// What one line of a hive's text says (see HiveText for the form): nothing (a blank line
// or a comment), a section that names a key, a value, or something this layer does not
// understand. A value's hex data that ends in a backslash goes on over the next lines;
// HiveLines joins them into the one line classified here. Callable from any thread.
class HiveLine {
public:
    enum class Kind {
        Blank,         // spaces and tabs only
        Comment,       // starts with ';'
        Section,       // "[root\key\...]" of the hive's own root, within the limits
        OtherSection,  // any other line that starts with '[': the values under it
                       // belong to no key of this hive
        Value,         // "name"=data or @=data
        Noise,         // none of these, or beyond the registry's limits
    };

    // Classifies `line` (its text without line feeds), a section as one of `rootName`'s.
    // A line that may have been cut short (the last one of a text, without its line
    // feed) is a Value only when no cut could look like it: a dword with all its eight
    // digits or a text with its closing quote; hex data, which looks whole when cut
    // after any byte, is then Noise.
    static HiveLine Classify(std::wstring_view line, std::wstring_view rootName, bool mayBeCut);

    // Whether `line` is a value whose hex data goes on over the next line.
    static bool GoesOn(std::wstring_view line);

    // `text` without the spaces and tabs around it.
    static std::wstring_view Trim(std::wstring_view text);

    Kind kind = Kind::Noise;
    // A Section's key names below the root, in order; they view the classified line.
    std::vector<std::wstring_view> keyNames;
    // A Value's name (empty for the default value), type and bytes.
    std::wstring name;
    std::uint32_t type = 0;
    std::vector<std::byte> data;
};

}  // namespace quorvex
