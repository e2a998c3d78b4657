#include "platform/registry/registry_string.h"

#include <cstdint>

#include "platform/system/little_endian.h"

namespace quorvex {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

char16_t UnitAt(std::span<const std::byte> data, std::size_t index)
{
    return static_cast<char16_t>(LittleEndian::Get16(data.data() + 2 * index));
}

bool IsHigh(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void Append(std::vector<std::byte>& data, char16_t unit)
{
    data.resize(data.size() + 2);
    LittleEndian::Put16(data.data() + data.size() - 2, static_cast<std::uint16_t>(unit));
}

}  // namespace

std::vector<std::byte> RegistryString::Encode(std::wstring_view text)
{
    std::vector<std::byte> data;
    data.reserve(2 * text.size() + 2);
    for (wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            code = kReplacement;
        if (code >= 0x10000) {
            code -= 0x10000;
            Append(data, static_cast<char16_t>(0xD800 + (code >> 10)));
            Append(data, static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            Append(data, static_cast<char16_t>(code));
        }
    }
    Append(data, 0);
    return data;
}

std::wstring RegistryString::Decode(std::span<const std::byte> data)
{
    std::wstring text;
    const std::size_t units = data.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = UnitAt(data, i);
        if (unit == 0)
            break;
        if (IsHigh(unit) && i + 1 < units && IsLow(UnitAt(data, i + 1))) {
            const char16_t low = UnitAt(data, ++i);
            text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (IsHigh(unit) || IsLow(unit)) {
            text += static_cast<wchar_t>(kReplacement);
        } else {
            text += static_cast<wchar_t>(unit);
        }
    }
    return text;
}

bool RegistryString::IsPlainText(std::span<const std::byte> data)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    const std::size_t units = data.size() / 2;
    if (UnitAt(data, units - 1) != 0)
        return false;
    for (std::size_t i = 0; i + 1 < units; ++i) {
        const char16_t unit = UnitAt(data, i);
        if (unit < 0x20 || unit == 0x7F)
            return false;
        if (IsHigh(unit)) {
            if (i + 2 >= units || !IsLow(UnitAt(data, i + 1)))
                return false;
            ++i;
        } else if (IsLow(unit)) {
            return false;
        }
    }
    return true;
}

}  // namespace quorvex
