#include "platform/registry/hive_text.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/registry/registry_name.h"
#include "platform/registry/registry_string.h"
#include "platform/registry/registry_types.h"
#include "platform/system/little_endian.h"
#include "platform/system/utf8.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kBlanks = L" \t";
constexpr std::size_t kBytesPerHexLine = 25;

std::wstring_view TrimLeft(std::wstring_view text)
{
    const std::size_t start = text.find_first_not_of(kBlanks);
    return start == std::wstring_view::npos ? std::wstring_view{} : text.substr(start);
}

std::wstring_view TrimRight(std::wstring_view text)
{
    const std::size_t end = text.find_last_not_of(kBlanks);
    return end == std::wstring_view::npos ? std::wstring_view{} : text.substr(0, end + 1);
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

std::optional<std::uint32_t> ParseHexNumber(std::wstring_view digits, std::size_t maxDigits)
{
    if (digits.empty() || digits.size() > maxDigits)
        return std::nullopt;
    std::uint32_t number = 0;
    for (wchar_t c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = number << 4 | static_cast<std::uint32_t>(digit);
    }
    return number;
}

// Reads a quoted text at the start of `text` and moves `text` past its closing quote.
std::optional<std::wstring> ParseQuoted(std::wstring_view& text)
{
    if (text.empty() || text.front() != L'"')
        return std::nullopt;
    std::wstring result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'"') {
            text.remove_prefix(i + 1);
            return result;
        }
        if (c == L'\\') {
            if (i + 1 == text.size() || (text[i + 1] != L'\\' && text[i + 1] != L'"'))
                return std::nullopt;
            ++i;
        }
        result += text[i];
    }
    return std::nullopt;
}

std::optional<std::vector<std::byte>> ParseHexBytes(std::wstring_view list)
{
    std::vector<std::byte> bytes;
    while (!list.empty()) {
        const std::size_t comma = list.find(L',');
        const std::wstring_view item = TrimRight(TrimLeft(list.substr(0, comma)));
        const bool last = comma == std::wstring_view::npos;
        list = last ? std::wstring_view{} : list.substr(comma + 1);
        if (item.empty() && last && !bytes.empty())
            break;  // a trailing comma
        const auto byte = ParseHexNumber(item, 2);
        if (!byte || bytes.size() == kMaxRegistryValueBytes)
            return std::nullopt;
        bytes.push_back(static_cast<std::byte>(*byte));
    }
    return bytes;
}

struct ParsedData {
    std::uint32_t type = 0;
    std::vector<std::byte> bytes;
};

std::optional<ParsedData> ParseData(std::wstring_view text)
{
    text = TrimRight(TrimLeft(text));
    if (!text.empty() && text.front() == L'"') {
        const auto quoted = ParseQuoted(text);
        if (!quoted || !text.empty() || quoted->size() >= kMaxRegistryValueBytes / 2)
            return std::nullopt;
        ParsedData data{RegistryType::String, RegistryString::Encode(*quoted)};
        if (data.bytes.size() > kMaxRegistryValueBytes)
            return std::nullopt;
        return data;
    }
    const std::size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos)
        return std::nullopt;
    const std::wstring_view kind = text.substr(0, colon);
    const std::wstring_view rest = text.substr(colon + 1);
    if (RegistryName::Equal(kind, L"dword")) {
        const auto number = ParseHexNumber(rest, 8);
        if (!number)
            return std::nullopt;
        ParsedData data{RegistryType::Dword, std::vector<std::byte>(4)};
        LittleEndian::Put32(data.bytes.data(), *number);
        return data;
    }
    std::uint32_t type = RegistryType::Binary;
    if (!RegistryName::Equal(kind, L"hex")) {
        if (kind.size() < 6 || !RegistryName::Equal(kind.substr(0, 4), L"hex(") ||
            kind.back() != L')')
            return std::nullopt;
        const auto number = ParseHexNumber(kind.substr(4, kind.size() - 5), 8);
        if (!number)
            return std::nullopt;
        type = *number;
    }
    auto bytes = ParseHexBytes(rest);
    if (!bytes)
        return std::nullopt;
    return ParsedData{type, std::move(*bytes)};
}

// The key a section line names, created in `root`; nothing when the line names another
// root or a path beyond the registry's limits.
HiveKey* ParseSection(std::wstring_view line, std::wstring_view rootName, HiveKey& root)
{
    const std::size_t close = line.rfind(L']');
    if (close == std::wstring_view::npos || !TrimLeft(line.substr(close + 1)).empty())
        return nullptr;
    std::wstring_view path = line.substr(1, close - 1);
    std::size_t slash = path.find(L'\\');
    if (!RegistryName::Equal(path.substr(0, slash), rootName))
        return nullptr;
    // Every name is checked before any key is made, so a bad line adds nothing.
    std::vector<std::wstring_view> names;
    while (slash != std::wstring_view::npos) {
        path.remove_prefix(slash + 1);
        slash = path.find(L'\\');
        const std::wstring_view name = path.substr(0, slash);
        if (!RegistryName::IsValidKeyName(name) || names.size() == RegistryName::kMaxDepth)
            return nullptr;
        names.push_back(name);
    }
    HiveKey* key = &root;
    for (std::wstring_view name : names)
        key = &key->ObtainSubKey(name);
    return key;
}

void AppendEscaped(std::wstring& out, std::wstring_view text)
{
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"')
            out += L'\\';
        out += c;
    }
}

void AppendValue(std::wstring& out, const HiveKey::Value& value)
{
    if (value.name.empty()) {
        out += L'@';
    } else {
        out += L'"';
        AppendEscaped(out, value.name);
        out += L'"';
    }
    out += L'=';
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    auto appendHex = [&](std::uint32_t number, int digits) {
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            out += kDigits[number >> shift & 0xF];
    };
    if (value.type == RegistryType::Dword && value.data.size() == 4) {
        out += L"dword:";
        appendHex(LittleEndian::Get32(value.data.data()), 8);
    } else if (value.type == RegistryType::String && RegistryString::IsPlainText(value.data)) {
        out += L'"';
        AppendEscaped(out, RegistryString::Decode(value.data));
        out += L'"';
    } else {
        if (value.type == RegistryType::Binary) {
            out += L"hex:";
        } else {
            out += L"hex(";
            std::uint32_t type = value.type;
            int digits = 1;
            while (digits < 8 && type >> (4 * digits) != 0)
                ++digits;
            appendHex(type, digits);
            out += L"):";
        }
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            if (i > 0)
                out += i % kBytesPerHexLine == 0 ? L",\\\n  " : L",";
            appendHex(std::to_integer<std::uint32_t>(value.data[i]), 2);
        }
    }
    out += L'\n';
}

void AppendKey(std::wstring& out, std::wstring& path, const HiveKey& key, bool withSection)
{
    if (withSection) {
        out += L"\n[";
        out += path;
        out += L"]\n";
        for (const HiveKey::Value& value : key.Values())
            AppendValue(out, value);
    }
    for (std::size_t i = 0; i < key.SubKeyCount(); ++i) {
        const HiveKey& subKey = key.SubKeyAt(i);
        const std::size_t length = path.size();
        path += L'\\';
        path += subKey.Name();
        AppendKey(out, path, subKey, true);
        path.resize(length);
    }
}

}  // namespace

HiveText::Outcome HiveText::Parse(std::string_view text, std::wstring_view rootName, HiveKey& root)
{
    root.Clear();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    // A NUL never appears in a hive's text, and what is not UTF-8 is not ours: both say
    // the file is something else, which must not be taken apart line by line.
    if (text.find('\0') != std::string_view::npos)
        return Outcome::Unreadable;
    const std::wstring wide = FromUtf8(text);
    if (ToUtf8(wide) != text)
        return Outcome::Unreadable;

    std::vector<std::wstring_view> lines;
    for (std::wstring_view rest = wide; !rest.empty();) {
        const std::size_t end = rest.find(L'\n');
        std::wstring_view line = rest.substr(0, end);
        if (line.ends_with(L'\r'))
            line.remove_suffix(1);
        lines.push_back(line);
        rest = end == std::wstring_view::npos ? std::wstring_view{} : rest.substr(end + 1);
    }

    std::size_t index = 0;
    while (index < lines.size() && TrimRight(lines[index]).empty())
        ++index;
    const std::wstring header(kHeader.begin(), kHeader.end());
    if (index == lines.size() || TrimRight(lines[index]) != header)
        return Outcome::Unreadable;

    bool damaged = false;
    HiveKey* key = nullptr;
    for (++index; index < lines.size(); ++index) {
        const std::wstring_view line = TrimLeft(lines[index]);
        if (TrimRight(line).empty() || line.front() == L';')
            continue;
        if (line.front() == L'[') {
            key = ParseSection(line, rootName, root);
            damaged |= key == nullptr;
            continue;
        }
        std::wstring_view rest = line;
        std::optional<std::wstring> name;
        if (rest.front() == L'@') {
            name.emplace();
            rest.remove_prefix(1);
        } else {
            name = ParseQuoted(rest);
        }
        rest = TrimLeft(rest);
        if (!name || rest.empty() || rest.front() != L'=') {
            damaged = true;
            continue;
        }
        rest.remove_prefix(1);
        // Long hex data goes on over lines that end in a backslash.
        std::wstring joined;
        const std::wstring_view start = TrimLeft(rest);
        const bool hex = start.size() >= 3 && RegistryName::Equal(start.substr(0, 3), L"hex");
        if (hex && TrimRight(rest).ends_with(L'\\')) {
            joined = TrimRight(rest);
            while (joined.ends_with(L'\\') && index + 1 < lines.size()) {
                joined.pop_back();
                joined += TrimRight(TrimLeft(lines[++index]));
                if (joined.size() > 4 * kMaxRegistryValueBytes)
                    break;
            }
            rest = joined;
        }
        const auto data = ParseData(rest);
        if (!data || key == nullptr || !RegistryName::IsValidValueName(*name)) {
            damaged = true;
            continue;
        }
        key->SetValue(*name, data->type, data->bytes);
    }
    return damaged ? Outcome::Damaged : Outcome::Whole;
}

std::string HiveText::Write(const HiveKey& root, std::wstring_view rootName)
{
    std::wstring out(kHeader.begin(), kHeader.end());
    out += L'\n';
    std::wstring path(rootName);
    AppendKey(out, path, root, !root.Values().empty());
    return ToUtf8(out);
}

}  // namespace quorvex
