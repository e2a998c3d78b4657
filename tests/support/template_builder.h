#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/system/little_endian.h"

// Writes dialog templates in the binary resource format, so that tests build exactly the
// bytes they mean to read.
namespace quorvex::testing {

class TemplateBuilder {
public:
    struct ItemSpec {
        std::uint32_t style;
        std::int16_t x, y, cx, cy;
        std::uint16_t id;
        std::uint16_t classOrdinal;
        std::wstring_view title;
        std::uint32_t exStyle = 0;
        std::wstring_view className = {};  // written instead of the ordinal when not empty
    };

    TemplateBuilder(std::uint32_t style, std::uint32_t exStyle, std::int16_t cx, std::int16_t cy,
                    std::wstring_view title, std::uint16_t count)
    {
        Dword(style);
        Dword(exStyle);
        Word(count);
        Word(0);
        Word(0);
        Word(static_cast<std::uint16_t>(cx));
        Word(static_cast<std::uint16_t>(cy));
        Word(0);  // no menu
        Word(0);  // no class
        String(title);
        if (style & 0x40) {
            Word(8);
            String(L"MS Sans Serif");
        }
    }

    TemplateBuilder& Item(const ItemSpec& item)
    {
        while (bytes.size() % 4 != 0)
            bytes.push_back(std::byte{0});
        Dword(item.style);
        Dword(item.exStyle);
        Word(static_cast<std::uint16_t>(item.x));
        Word(static_cast<std::uint16_t>(item.y));
        Word(static_cast<std::uint16_t>(item.cx));
        Word(static_cast<std::uint16_t>(item.cy));
        Word(item.id);
        if (item.className.empty()) {
            Word(0xFFFF);
            Word(item.classOrdinal);
        } else {
            String(item.className);
        }
        String(item.title);
        Word(0);  // no creation data
        return *this;
    }

    void Word(std::uint16_t value)
    {
        bytes.resize(bytes.size() + 2);
        LittleEndian::Put16(bytes.data() + bytes.size() - 2, value);
    }
    void Dword(std::uint32_t value)
    {
        bytes.resize(bytes.size() + 4);
        LittleEndian::Put32(bytes.data() + bytes.size() - 4, value);
    }
    void String(std::wstring_view text)
    {
        for (wchar_t c : text)
            Word(static_cast<std::uint16_t>(c));
        Word(0);
    }

    std::vector<std::byte> bytes;
};

}  // namespace quorvex::testing
