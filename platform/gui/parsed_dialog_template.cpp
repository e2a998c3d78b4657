#include "platform/gui/parsed_dialog_template.h"

#include "platform/system/byte_reader.h"
#include "platform/window/window_types.h"

namespace quorvex {
namespace {

// The template's own fields on top of the little-endian values: names given either as an
// ordinal or as a text, and UTF-16 texts.
class Reader : public ByteReader {
public:
    using ByteReader::ByteReader;

    ParsedDialogTemplate::Field Field()
    {
        ParsedDialogTemplate::Field field;
        const std::uint16_t first = U16();
        if (first == 0xFFFF) {
            field.ordinal = U16();
            return field;
        }
        field.text = StringFrom(first);
        return field;
    }

    std::wstring String() { return StringFrom(U16()); }

private:
    std::wstring StringFrom(std::uint16_t unit)
    {
        std::wstring text;
        while (Ok() && unit != 0) {
            // Surrogate pairs become one character; a lone surrogate becomes U+FFFD.
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                const std::uint16_t low = U16();
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    text.push_back(
                        static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                    unit = U16();
                    continue;
                }
                text.push_back(L'\xFFFD');
                unit = low;
                continue;
            }
            text.push_back(unit >= 0xDC00 && unit <= 0xDFFF ? L'\xFFFD'
                                                            : static_cast<wchar_t>(unit));
            unit = U16();
        }
        return text;
    }
};

}  // namespace

std::optional<ParsedDialogTemplate> ParsedDialogTemplate::Parse(std::span<const std::byte> bytes)
{
    Reader in(bytes);
    ParsedDialogTemplate result;
    result.style = in.U32();
    result.exStyle = in.U32();
    const std::uint16_t count = in.U16();
    result.x = in.I16();
    result.y = in.I16();
    result.cx = in.I16();
    result.cy = in.I16();
    result.menu = in.Field();
    result.windowClass = in.Field();
    result.title = in.Field();
    if (result.style & DS_SETFONT) {
        result.pointSize = in.U16();
        result.typeface = in.String();
    }
    if (!in.Ok())
        return std::nullopt;
    // Each record takes at least 24 bytes, so a count the bytes cannot hold is refused
    // before anything is reserved for it.
    if (count > bytes.size() / 24 + 1)
        return std::nullopt;
    result.items.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        in.Align4();
        Item item;
        item.style = in.U32();
        item.exStyle = in.U32();
        item.x = in.I16();
        item.y = in.I16();
        item.cx = in.I16();
        item.cy = in.I16();
        item.id = in.U16();
        item.windowClass = in.Field();
        item.title = in.Field();
        const std::uint16_t size = in.U16();
        if (size > 2)
            item.creationData = in.Take(size - 2u);
        if (!in.Ok())
            return std::nullopt;
        result.items.push_back(std::move(item));
    }
    return result;
}

}  // namespace quorvex
