#include "platform/registry/hive_line.h"

#include <optional>

#include "platform/registry/registry_name.h"
#include "platform/registry/registry_string.h"
#include "platform/registry/registry_types.h"
#include "platform/system/little_endian.h"

namespace quorvex {
namespace {

constexpr std::wstring_view kBlanks = L" \t";
constexpr std::size_t kDwordDigits = 8;

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

// Reads a value's data into `line`; false when it is not understood, or when it may have
// been cut short and a cut could look like it.
bool ParseData(std::wstring_view text, bool mayBeCut, HiveLine& line)
{
    text = TrimRight(TrimLeft(text));
    if (!text.empty() && text.front() == L'"') {
        const auto quoted = ParseQuoted(text);
        if (!quoted || !text.empty() || quoted->size() >= kMaxRegistryValueBytes / 2)
            return false;
        line.type = RegistryType::String;
        line.data = RegistryString::Encode(*quoted);
        return line.data.size() <= kMaxRegistryValueBytes;
    }
    const std::size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos)
        return false;
    const std::wstring_view kind = text.substr(0, colon);
    const std::wstring_view rest = text.substr(colon + 1);
    if (RegistryName::Equal(kind, L"dword")) {
        const auto number = ParseHexNumber(rest, kDwordDigits);
        if (!number || (mayBeCut && rest.size() != kDwordDigits))
            return false;
        line.type = RegistryType::Dword;
        line.data.resize(4);
        LittleEndian::Put32(line.data.data(), *number);
        return true;
    }
    if (mayBeCut)
        return false;
    line.type = RegistryType::Binary;
    if (!RegistryName::Equal(kind, L"hex")) {
        if (kind.size() < 6 || !RegistryName::Equal(kind.substr(0, 4), L"hex(") ||
            kind.back() != L')')
            return false;
        const auto number = ParseHexNumber(kind.substr(4, kind.size() - 5), 8);
        if (!number)
            return false;
        line.type = *number;
    }
    auto bytes = ParseHexBytes(rest);
    if (!bytes)
        return false;
    line.data = std::move(*bytes);
    return true;
}

// Reads the key names of a section line of `rootName`; false when it names another root
// or a path beyond the registry's limits.
bool ParseSection(std::wstring_view line, std::wstring_view rootName,
                  std::vector<std::wstring_view>& names)
{
    const std::size_t close = line.rfind(L']');
    if (close == std::wstring_view::npos || !TrimLeft(line.substr(close + 1)).empty())
        return false;
    std::wstring_view path = line.substr(1, close - 1);
    std::size_t slash = path.find(L'\\');
    if (!RegistryName::Equal(path.substr(0, slash), rootName))
        return false;
    while (slash != std::wstring_view::npos) {
        path.remove_prefix(slash + 1);
        slash = path.find(L'\\');
        const std::wstring_view name = path.substr(0, slash);
        if (!RegistryName::IsValidKeyName(name) || names.size() == RegistryName::kMaxDepth)
            return false;
        names.push_back(name);
    }
    return true;
}

// Splits a value line into its name and what follows its '='; false when it is no value.
bool SplitValue(std::wstring_view line, std::wstring& name, std::wstring_view& data)
{
    std::wstring_view rest = TrimLeft(line);
    std::optional<std::wstring> parsed;
    if (!rest.empty() && rest.front() == L'@') {
        parsed.emplace();
        rest.remove_prefix(1);
    } else {
        parsed = ParseQuoted(rest);
    }
    rest = TrimLeft(rest);
    if (!parsed || rest.empty() || rest.front() != L'=')
        return false;
    name = std::move(*parsed);
    data = rest.substr(1);
    return true;
}

}  // namespace

HiveLine HiveLine::Classify(std::wstring_view text, std::wstring_view rootName, bool mayBeCut)
{
    HiveLine line;
    const std::wstring_view start = TrimLeft(text);
    if (start.find_first_not_of(L" \t\r") == std::wstring_view::npos) {
        line.kind = Kind::Blank;
    } else if (start.front() == L';') {
        line.kind = Kind::Comment;
    } else if (start.front() == L'[') {
        line.kind =
            ParseSection(start, rootName, line.keyNames) ? Kind::Section : Kind::OtherSection;
        if (line.kind != Kind::Section)
            line.keyNames.clear();
    } else {
        std::wstring_view data;
        if (SplitValue(start, line.name, data) && RegistryName::IsValidValueName(line.name) &&
            ParseData(data, mayBeCut, line)) {
            line.kind = Kind::Value;
        } else {
            line = HiveLine{};
        }
    }
    return line;
}

bool HiveLine::GoesOn(std::wstring_view line)
{
    // The backslash first: HiveLines asks this of every line, and few end in one.
    std::wstring name;
    std::wstring_view data;
    if (!TrimRight(line).ends_with(L'\\') || !SplitValue(line, name, data))
        return false;
    const std::wstring_view start = TrimLeft(data);
    return start.size() >= 3 && RegistryName::Equal(start.substr(0, 3), L"hex");
}

std::wstring_view HiveLine::Trim(std::wstring_view text)
{
    return TrimRight(TrimLeft(text));
}

}  // namespace quorvex
