#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex {

// A dialog template in the handheld's binary format (DLGTEMPLATE followed by
// DLGITEMTEMPLATE records, little-endian), read with a bounds check on every field: bad or
// truncated bytes give nothing, never a read past the end.
//
// Header: style, extended style (32-bit), item count, x, y, cx, cy (16-bit), then the menu,
// class and title fields, then, only with DS_SETFONT, a 16-bit point size and the typeface.
// Each item starts on a 4-byte boundary counted from the template's start: style, extended
// style, x, y, cx, cy (signed 16-bit, dialog units), id (16-bit), class and title fields,
// and the creation data: a size word that counts itself when nonzero, else that one word.
// A variable field is 0x0000 (empty), 0xFFFF and a 16-bit ordinal, or a NUL-terminated
// UTF-16LE string.
class ParsedDialogTemplate {
public:
    struct Field {
        std::optional<std::uint16_t> ordinal;  // set for the 0xFFFF form
        std::wstring text;                     // the string form; empty otherwise
        bool IsOrdinal() const { return ordinal.has_value(); }
    };

    struct Item {
        std::uint32_t style = 0;
        std::uint32_t exStyle = 0;
        std::int16_t x = 0, y = 0, cx = 0, cy = 0;
        std::uint16_t id = 0;
        Field windowClass;
        Field title;
        std::span<const std::byte> creationData;  // the bytes after the size word
    };

    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    Field menu;
    Field windowClass;
    Field title;
    std::uint16_t pointSize = 0;  // only with DS_SETFONT
    std::wstring typeface;
    std::vector<Item> items;

    static std::optional<ParsedDialogTemplate> Parse(std::span<const std::byte> bytes);
};

}  // namespace quorvex
