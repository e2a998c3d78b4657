#include "platform/gui/parsed_dialog_template.h"

#include "platform/window/window_types.h"

namespace quorvex {
namespace {

// A read position that refuses to move past the end; once a read fails, all later ones do.
class Reader {
public:
    explicit Reader(std::span<const std::byte> bytes) : bytes(bytes) {}

    bool Ok() const { return ok; }

    std::uint16_t Word()
    {
        if (!Need(2))
            return 0;
        const auto value = static_cast<std::uint16_t>(
            std::to_integer<unsigned>(bytes[at]) | std::to_integer<unsigned>(bytes[at + 1]) << 8);
        at += 2;
        return value;
    }

    std::uint32_t Dword()
    {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }

    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }

    ParsedDialogTemplate::Field Field()
    {
        ParsedDialogTemplate::Field field;
        const std::uint16_t first = Word();
        if (first == 0xFFFF) {
            field.ordinal = Word();
            return field;
        }
        field.text = StringFrom(first);
        return field;
    }

    std::wstring String() { return StringFrom(Word()); }

    void Align4()
    {
        const std::size_t aligned = (at + 3) & ~std::size_t{3};
        // The last item may end without padding; only a record that follows needs it.
        if (aligned > bytes.size())
            ok = false;
        else
            at = aligned;
    }

    std::span<const std::byte> Take(std::size_t count)
    {
        if (!Need(count))
            return {};
        const auto taken = bytes.subspan(at, count);
        at += count;
        return taken;
    }

private:
    bool Need(std::size_t count)
    {
        if (!ok || bytes.size() - at < count)
            ok = false;
        return ok;
    }

    std::wstring StringFrom(std::uint16_t unit)
    {
        std::wstring text;
        while (ok && unit != 0) {
            // Surrogate pairs become one character; a lone surrogate becomes U+FFFD.
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                const std::uint16_t low = Word();
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    text.push_back(
                        static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                    unit = Word();
                    continue;
                }
                text.push_back(L'\xFFFD');
                unit = low;
                continue;
            }
            text.push_back(unit >= 0xDC00 && unit <= 0xDFFF ? L'\xFFFD'
                                                            : static_cast<wchar_t>(unit));
            unit = Word();
        }
        return text;
    }

    std::span<const std::byte> bytes;
    std::size_t at = 0;
    bool ok = true;
};

}  // namespace

std::optional<ParsedDialogTemplate> ParsedDialogTemplate::Parse(std::span<const std::byte> bytes)
{
    Reader in(bytes);
    ParsedDialogTemplate result;
    result.style = in.Dword();
    result.exStyle = in.Dword();
    const std::uint16_t count = in.Word();
    result.x = in.Short();
    result.y = in.Short();
    result.cx = in.Short();
    result.cy = in.Short();
    result.menu = in.Field();
    result.windowClass = in.Field();
    result.title = in.Field();
    if (result.style & DS_SETFONT) {
        result.pointSize = in.Word();
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
        item.style = in.Dword();
        item.exStyle = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = in.Word();
        item.windowClass = in.Field();
        item.title = in.Field();
        const std::uint16_t size = in.Word();
        if (size > 2)
            item.creationData = in.Take(size - 2u);
        if (!in.Ok())
            return std::nullopt;
        result.items.push_back(std::move(item));
    }
    return result;
}

}  // namespace quorvex
