#include "platform/registry/hive_text.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/registry/hive_line.h"
#include "platform/registry/hive_lines.h"
#include "platform/registry/registry_string.h"
#include "platform/registry/registry_types.h"
#include "platform/system/little_endian.h"
#include "platform/system/utf8.h"

namespace quorvex {
namespace {

constexpr std::size_t kBytesPerHexLine = 25;

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

// Reads lines up to the header, which `line` then holds. Nothing when it was found; else
// what the text is without one: an empty hive (Whole) when it is blank and settled, being
// written (NotReady) when blank or cut inside the header, otherwise Unreadable.
std::optional<HiveText::Outcome> ReadHeader(HiveLines& lines, HiveLines::Line& line,
                                            std::wstring_view rootName, bool settled)
{
    HiveLines::Result result;
    while ((result = lines.Next(line)) == HiveLines::Result::Line &&
           HiveLine::Classify(line.text, rootName, false).kind == HiveLine::Kind::Blank) {
    }
    if (result == HiveLines::Result::End)
        return settled ? HiveText::Outcome::Whole : HiveText::Outcome::NotReady;
    if (result == HiveLines::Result::NotText)
        return HiveText::Outcome::Unreadable;
    constexpr std::string_view kHeader = HiveText::kHeader;
    std::wstring_view header = line.text;
    header = header.substr(0, header.find_last_not_of(L" \t") + 1);
    if (std::equal(header.begin(), header.end(), kHeader.begin(), kHeader.end()))
        return std::nullopt;
    const bool cut = line.ending == HiveLines::Ending::TextEnd && header.size() < kHeader.size() &&
                     std::equal(header.begin(), header.end(), kHeader.begin());
    return cut && !settled ? HiveText::Outcome::NotReady : HiveText::Outcome::Unreadable;
}

// Fills a hive and the layout of its text from the text's lines, one after another.
class Reader {
public:
    Reader(HiveKey& root, HiveText::Layout& layout) : root(root), layout(layout)
    {
        root.SetInText(true);
    }

    // Text kept as it stands, part of no key or value.
    void Text(std::size_t begin, std::size_t end)
    {
        if (!layout.parts.empty() && layout.parts.back().kind == HiveText::Part::Kind::Text &&
            layout.parts.back().end == begin) {
            layout.parts.back().end = end;
            return;
        }
        layout.parts.push_back({begin, end, HiveText::Part::Kind::Text, nullptr, 0});
    }

    void Add(const HiveLines::Line& line, const HiveLine& parsed)
    {
        switch (parsed.kind) {
            case HiveLine::Kind::Blank:
            case HiveLine::Kind::Comment:
                Text(line.begin, line.end);
                return;
            case HiveLine::Kind::Section:
                key = &root;
                for (std::wstring_view name : parsed.keyNames) {
                    key = &key->ObtainSubKey(name);
                    key->SetInText(true);
                }
                layout.parts.push_back(
                    {line.begin, line.end, HiveText::Part::Kind::Section, key, 0});
                return;
            case HiveLine::Kind::OtherSection:
                key = nullptr;  // the values under it belong to no key of this hive
                break;
            case HiveLine::Kind::Value:
                if (key != nullptr) {
                    Value(line, parsed);
                    return;
                }
                break;  // a value outside a section belongs nowhere
            case HiveLine::Kind::Noise:
                break;
        }
        damaged = true;
        Text(line.begin, line.end);
    }

    // Whether a line was not understood.
    bool Damaged() const { return damaged; }

private:
    void Value(const HiveLines::Line& line, const HiveLine& parsed)
    {
        key->SetValue(parsed.name, parsed.type, parsed.data);
        HiveKey::Value& value = *key->FindValue(parsed.name);
        value.line = layout.parts.size();
        value.edited = false;
        layout.parts.push_back({line.begin, line.end, HiveText::Part::Kind::Value, key,
                                static_cast<std::size_t>(&value - key->Values().data())});
    }

    HiveKey& root;
    HiveText::Layout& layout;
    HiveKey* key = nullptr;  // the key of the last section, if it is one of this hive's
    bool damaged = false;
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

    HiveLines lines(all);
    HiveLines::Line line;
    if (const auto outcome = ReadHeader(lines, line, rootName, settled))
        return *outcome == Outcome::Whole ? *outcome : fail(*outcome);
    // A last line without its line feed may be a value cut short.
    if (!all.ends_with('\n') && !settled)
        return fail(Outcome::NotReady);

    Reader reader(root, layout);
    reader.Text(0, line.end);
    HiveLines::Result result;
    while ((result = lines.Next(line)) == HiveLines::Result::Line) {
        // Data that goes on past the end is being written, or was cut short.
        if (line.ending == HiveLines::Ending::RunsOn && !settled)
            return fail(Outcome::NotReady);
        // A last line without its line feed is read only when no cut could look like it.
        const bool mayBeCut = line.ending == HiveLines::Ending::TextEnd;
        const bool ended = mayBeCut || line.ending == HiveLines::Ending::LineFeed;
        reader.Add(line, ended ? HiveLine::Classify(line.text, rootName, mayBeCut) : HiveLine{});
    }
    if (result == HiveLines::Result::NotText)
        return fail(Outcome::Unreadable);
    return reader.Damaged() ? Outcome::Damaged : Outcome::Whole;
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
