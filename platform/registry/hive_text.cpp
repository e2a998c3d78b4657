#include "platform/registry/hive_text.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
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
HiveKey* ParseSection(std::wstring_view line, std::wstring_view rootName, HiveKey& root,
                      std::vector<HiveKey*>& keys)
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
    keys.clear();
    for (std::wstring_view name : names) {
        key = &key->ObtainSubKey(name);
        keys.push_back(key);
    }
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

bool IsBlank(std::string_view line)
{
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// A line's bytes without its line feed and carriage return.
std::string_view Content(std::string_view line)
{
    if (line.ends_with('\n'))
        line.remove_suffix(1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

std::optional<std::wstring> Widen(std::string_view bytes)
{
    std::wstring wide = FromUtf8(bytes);
    // Bytes that are not UTF-8 come back as U+FFFD, which the text may also spell out.
    if (wide.find(L'\uFFFD') != std::wstring::npos && ToUtf8(wide) != bytes)
        return std::nullopt;
    return wide;
}

void MarkInText(HiveKey& root, const std::vector<HiveKey*>& path)
{
    root.SetInText(true);
    for (HiveKey* key : path)
        key->SetInText(true);
}

// Writes a hive's text part by part, noting in a new layout what each part stands for.
class Emitter {
public:
    Emitter(std::wstring_view rootName, bool record) : rootName(rootName), record(record) {}

    void Text(std::string_view text) { Add(text, HiveText::Part::Kind::Text, nullptr, 0); }

    void Section(const HiveKey& key, std::string_view text)
    {
        Add(text, HiveText::Part::Kind::Section, &key, 0);
    }

    void Value(const HiveKey& key, std::size_t index, std::string_view text)
    {
        Add(text, HiveText::Part::Kind::Value, &key, index);
        if (record) {
            HiveKey::Value& value = const_cast<HiveKey&>(key).Values()[index];
            value.line = layout.parts.size() - 1;
            value.edited = false;
        }
    }

    void NewValues(const HiveKey& key)
    {
        const auto& values = key.Values();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i].line == HiveKey::kNoLine || !record) {
                std::wstring line;
                AppendValue(line, values[i]);
                Value(key, i, ToUtf8(line));
            }
        }
    }

    // Sections for the keys under `key` (and `key` itself) that the text does not name
    // yet, or whose new values have no section of their key to go to.
    void NewKeys(const HiveKey& key, std::wstring& path)
    {
        const bool isRoot = path.size() == rootName.size();
        bool write = !key.Values().empty() || !isRoot;
        if (record) {
            bool newValues = false;
            for (const HiveKey::Value& value : key.Values())
                newValues |= value.line == HiveKey::kNoLine;
            write = !withSection.contains(&key) && (newValues || (!key.InText() && !isRoot));
        }
        if (write) {
            Section(key, ToUtf8(L"\n[" + path + L"]\n"));
            NewValues(key);
        }
        if (record)
            const_cast<HiveKey&>(key).SetInText(true);
        for (std::size_t i = 0; i < key.SubKeyCount(); ++i) {
            const HiveKey& subKey = key.SubKeyAt(i);
            const std::size_t length = path.size();
            path += L'\\';
            path += subKey.Name();
            NewKeys(subKey, path);
            path.resize(length);
        }
    }

    // The keys that have a section in the text being kept.
    std::unordered_set<const HiveKey*> withSection;
    HiveText::Layout layout;

private:
    void Add(std::string_view text, HiveText::Part::Kind kind, const HiveKey* key,
             std::size_t index)
    {
        // A kept last line that lacked its line feed gets one before anything follows it.
        if (!layout.text.empty() && layout.text.back() != '\n') {
            layout.text += '\n';
            layout.parts.back().end = layout.text.size();
        }
        if (text.empty())
            return;
        const std::size_t begin = layout.text.size();
        layout.text += text;
        if (kind == HiveText::Part::Kind::Text && !layout.parts.empty() &&
            layout.parts.back().kind == kind) {
            layout.parts.back().end = layout.text.size();
            return;
        }
        layout.parts.push_back({begin, layout.text.size(), kind, const_cast<HiveKey*>(key), index});
    }

    std::wstring_view rootName;
    const bool record;
};

}  // namespace

HiveText::Outcome HiveText::Parse(std::string_view text, std::wstring_view rootName, HiveKey& root)
{
    Layout layout;
    return Parse(std::string(text), rootName, root, layout, false);
}

HiveText::Outcome HiveText::Parse(std::string text, std::wstring_view rootName, HiveKey& root,
                                  Layout& layout, bool settled)
{
    root.Clear();
    root.SetInText(false);
    layout.parts.clear();
    layout.text = std::move(text);
    const std::string_view all = layout.text;
    auto fail = [&](Outcome outcome) {
        root.Clear();
        layout.parts.clear();
        layout.text.clear();
        return outcome;
    };
    // A NUL never appears in a hive's text: the file is something else, which must not be
    // taken apart line by line.
    if (all.find('\0') != std::string_view::npos)
        return fail(Outcome::Unreadable);

    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t position = all.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    auto nextLine = [&](std::size_t from) {
        const std::size_t feed = all.find('\n', from);
        return feed == std::string_view::npos ? all.size() : feed + 1;
    };
    while (position < all.size() && IsBlank(all.substr(position, nextLine(position) - position)))
        position = nextLine(position);
    if (position == all.size()) {
        if (!settled)
            return fail(Outcome::NotReady);
        return Outcome::Whole;  // an empty hive, whose blank text a write replaces
    }
    const std::size_t headerEnd = nextLine(position);
    const std::string_view headerLine = all.substr(position, headerEnd - position);
    const bool headerCut = !headerLine.ends_with('\n');
    std::string_view header = Content(headerLine);
    while (header.ends_with(' ') || header.ends_with('\t'))
        header.remove_suffix(1);
    if (headerCut && kHeader.starts_with(header) && header != kHeader)
        return fail(settled ? Outcome::Unreadable : Outcome::NotReady);
    if (header != kHeader)
        return fail(Outcome::Unreadable);
    // A last line without its line feed may be a value cut short.
    if (!all.ends_with('\n') && !settled)
        return fail(Outcome::NotReady);
    const std::size_t complete =
        all.ends_with('\n') ? all.size() : std::max(all.rfind('\n') + 1, headerEnd);

    root.SetInText(true);
    auto addText = [&](std::size_t begin, std::size_t end) {
        if (begin == end)
            return;
        if (!layout.parts.empty() && layout.parts.back().kind == Part::Kind::Text &&
            layout.parts.back().end == begin) {
            layout.parts.back().end = end;
            return;
        }
        layout.parts.push_back({begin, end, Part::Kind::Text, nullptr, 0});
    };
    addText(0, headerEnd);

    bool damaged = complete != all.size();
    HiveKey* key = nullptr;
    std::vector<HiveKey*> path;
    for (position = headerEnd; position < complete;) {
        const std::size_t begin = position;
        std::size_t end = nextLine(begin);
        position = end;
        const std::string_view raw = Content(all.substr(begin, end - begin));
        if (IsBlank(raw)) {
            addText(begin, end);
            continue;
        }
        const auto wide = Widen(raw);
        if (!wide)
            return fail(Outcome::Unreadable);
        const std::wstring_view line = TrimLeft(*wide);
        if (line.front() == L';') {
            addText(begin, end);
            continue;
        }
        if (line.front() == L'[') {
            key = ParseSection(line, rootName, root, path);
            if (key == nullptr) {
                damaged = true;
                addText(begin, end);
            } else {
                MarkInText(root, path);
                layout.parts.push_back({begin, end, Part::Kind::Section, key, 0});
            }
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
            addText(begin, end);
            continue;
        }
        rest.remove_prefix(1);
        // Long hex data goes on over lines that end in a backslash.
        std::wstring joined;
        const std::wstring_view start = TrimLeft(rest);
        const bool hex = start.size() >= 3 && RegistryName::Equal(start.substr(0, 3), L"hex");
        bool cut = false;
        if (hex && TrimRight(rest).ends_with(L'\\')) {
            joined = TrimRight(rest);
            while (joined.ends_with(L'\\')) {
                // Data that goes on past the end is being written, or was cut short.
                if (position >= complete && !settled)
                    return fail(Outcome::NotReady);
                if (position >= complete || joined.size() > 4 * kMaxRegistryValueBytes) {
                    cut = true;
                    break;
                }
                joined.pop_back();
                const std::size_t next = nextLine(position);
                const auto more = Widen(Content(all.substr(position, next - position)));
                if (!more)
                    return fail(Outcome::Unreadable);
                joined += TrimRight(TrimLeft(*more));
                position = end = next;
            }
            rest = joined;
        }
        const auto data = cut ? std::nullopt : ParseData(rest);
        if (!data || key == nullptr || !RegistryName::IsValidValueName(*name)) {
            damaged = true;
            addText(begin, end);
            continue;
        }
        key->SetValue(*name, data->type, data->bytes);
        HiveKey::Value& value = *key->FindValue(*name);
        value.line = layout.parts.size();
        value.edited = false;
        layout.parts.push_back({begin, end, Part::Kind::Value, key,
                                static_cast<std::size_t>(&value - key->Values().data())});
    }
    addText(complete, all.size());
    return damaged ? Outcome::Damaged : Outcome::Whole;
}

std::string HiveText::Write(HiveKey& root, std::wstring_view rootName, Layout& layout)
{
    Emitter emitter(rootName, true);
    const std::string_view old = layout.text;
    if (layout.parts.empty()) {
        emitter.Text(std::string(kHeader) + "\n");
    } else {
        // Each key's new values go after the last line of its last section.
        std::vector<char> insertHere(layout.parts.size(), 0);
        std::unordered_map<const HiveKey*, std::size_t> last;
        const HiveKey* current = nullptr;
        for (std::size_t i = 0; i < layout.parts.size(); ++i) {
            const Part& part = layout.parts[i];
            if (part.kind == Part::Kind::Section)
                current = part.key;
            if (part.kind != Part::Kind::Text && part.key == current)
                last[part.key] = i;
        }
        for (const auto& [key, index] : last) {
            insertHere[index] = 1;
            emitter.withSection.insert(key);
        }
        for (std::size_t i = 0; i < layout.parts.size(); ++i) {
            const Part& part = layout.parts[i];
            const std::string_view text = old.substr(part.begin, part.end - part.begin);
            switch (part.kind) {
                case Part::Kind::Text:
                    emitter.Text(text);
                    break;
                case Part::Kind::Section:
                    emitter.Section(*part.key, text);
                    break;
                case Part::Kind::Value: {
                    const HiveKey::Value& value = part.key->Values()[part.value];
                    if (value.line != i) {
                        emitter.Text(text);  // the earlier of two values of one name
                    } else if (value.edited) {
                        std::wstring line;
                        AppendValue(line, value);
                        emitter.Value(*part.key, part.value, ToUtf8(line));
                    } else {
                        emitter.Value(*part.key, part.value, text);
                    }
                    break;
                }
            }
            if (insertHere[i])
                emitter.NewValues(*part.key);
        }
    }
    std::wstring path(rootName);
    emitter.NewKeys(root, path);
    // A text that ends without its line feed would read as one still being written.
    emitter.Text("");
    layout = std::move(emitter.layout);
    return layout.text;
}

std::string HiveText::Write(const HiveKey& root, std::wstring_view rootName)
{
    Emitter emitter(rootName, false);
    emitter.Text(std::string(kHeader) + "\n");
    std::wstring path(rootName);
    emitter.NewKeys(root, path);
    return std::move(emitter.layout.text);
}

}  // namespace quorvex
