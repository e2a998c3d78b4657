#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "resources/byte_writer.h"

namespace quorvex {

// A dialog template as the platform's binary format holds it: a DLGTEMPLATE header, then
// one DLGITEMTEMPLATE record per control. WriteDialogTemplate turns this description into
// those bytes at compile time.

// Position and size in dialog units.
struct DialogRect {
    std::int16_t x;
    std::int16_t y;
    std::int16_t cx;
    std::int16_t cy;
};

// Predefined window classes, named in a record by their ordinal.
namespace DialogClass {
inline constexpr std::uint16_t Button = 0x0080;
inline constexpr std::uint16_t Static = 0x0082;
inline constexpr std::uint16_t ComboBox = 0x0085;
}  // namespace DialogClass

namespace DialogStyle {
// DS_SETFONT: the header carries a point size and a typeface after the title.
inline constexpr std::uint32_t SetFont = 0x40;
}  // namespace DialogStyle

struct DialogItem {
    std::uint16_t id;
    std::uint16_t classOrdinal;
    std::uint32_t style;
    std::uint32_t exStyle;
    std::wstring_view title;  // empty: stored as the single 0 word
    DialogRect rect;
};

// The dialog has no menu and no class of its own.
struct DialogTemplate {
    std::uint32_t style;
    std::uint32_t exStyle;
    DialogRect rect;
    std::wstring_view title;
    std::uint16_t pointSize;  // with the typeface, written only with DialogStyle::SetFont
    std::wstring_view typeface;
    std::span<const DialogItem> items;
};

// Writes `dialog` in the binary format, little-endian. Each item record starts on a
// 4-byte boundary counted from the template's start. No item carries creation data.
constexpr void WriteDialogTemplate(ByteWriter& out, const DialogTemplate& dialog)
{
    auto putRect = [&out](const DialogRect& rect) {
        out.Put16(static_cast<std::uint16_t>(rect.x));
        out.Put16(static_cast<std::uint16_t>(rect.y));
        out.Put16(static_cast<std::uint16_t>(rect.cx));
        out.Put16(static_cast<std::uint16_t>(rect.cy));
    };

    out.Put32(dialog.style);
    out.Put32(dialog.exStyle);
    out.Put16(static_cast<std::uint16_t>(dialog.items.size()));
    putRect(dialog.rect);
    out.Put16(0);  // menu
    out.Put16(0);  // class
    out.PutText(dialog.title);
    if (dialog.style & DialogStyle::SetFont) {
        out.Put16(dialog.pointSize);
        out.PutText(dialog.typeface);
    }
    for (const DialogItem& item : dialog.items) {
        out.Align4();
        out.Put32(item.style);
        out.Put32(item.exStyle);
        putRect(item.rect);
        out.Put16(item.id);
        out.Put16(0xFFFF);
        out.Put16(item.classOrdinal);
        out.PutText(item.title);  // an empty text is the single 0 word of "no title"
        out.Put16(0);             // size of the creation data: none
    }
}

}  // namespace quorvex
