#include "platform/registry/hive_lines.h"

#include "platform/registry/hive_line.h"
#include "platform/registry/registry_types.h"
#include "platform/system/utf8.h"

namespace quorvex {
namespace {

// Hex data takes at most three characters a byte, and a few more for its name: a line
// joined past this holds more than any value.
constexpr std::size_t kMaxJoined = 4 * kMaxRegistryValueBytes;

}  // namespace

HiveLines::HiveLines(std::string_view text) : text(text)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        position = kByteOrderMark.size();
}

HiveLines::Result HiveLines::Next(Line& line)
{
    if (position >= text.size())
        return Result::End;
    line.begin = position;
    bool lineFeed = false;
    if (!Decode(line.text, lineFeed))
        return Result::NotText;
    line.ending = lineFeed ? Ending::LineFeed : Ending::TextEnd;
    if (HiveLine::GoesOn(line.text)) {
        line.text = std::wstring(HiveLine::Trim(line.text));
        while (line.text.ends_with(L'\\')) {
            if (position >= text.size()) {
                line.ending = Ending::RunsOn;
                break;
            }
            if (line.text.size() > kMaxJoined) {
                line.ending = Ending::TooLong;
                break;
            }
            line.text.pop_back();
            std::wstring more;
            if (!Decode(more, lineFeed))
                return Result::NotText;
            line.text += HiveLine::Trim(more);
            line.ending = lineFeed ? Ending::LineFeed : Ending::TextEnd;
        }
    }
    line.end = position;
    return Result::Line;
}

bool HiveLines::Decode(std::wstring& decoded, bool& lineFeed)
{
    const std::size_t feed = text.find('\n', position);
    const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
    std::string_view bytes = text.substr(position, end - position);
    position = end;
    lineFeed = bytes.ends_with('\n');
    if (lineFeed)
        bytes.remove_suffix(1);
    if (bytes.ends_with('\r'))
        bytes.remove_suffix(1);
    decoded = FromUtf8(bytes);
    // Bytes that are not UTF-8 come back as U+FFFD, which the text may also spell out.
    return decoded.find(L'\uFFFD') == std::wstring::npos || ToUtf8(decoded) == bytes;
}

}  // namespace quorvex
