#include "platform/window/word_wrap.h"

#include <algorithm>
#include <utility>

namespace quorvex {

std::vector<std::wstring> WordWrap::Lines(std::wstring_view text, int width)
{
    const std::size_t columns = static_cast<std::size_t>(std::max(width, 1));
    std::vector<std::wstring> lines;
    std::wstring line;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find_first_of(L" \n", at), text.size());
        std::wstring word(text.substr(at, end - at));
        while (word.size() > columns) {
            if (!line.empty())
                lines.push_back(std::move(line));
            lines.push_back(word.substr(0, columns));
            word.erase(0, columns);
            line.clear();
        }
        if (!line.empty() && line.size() + 1 + word.size() > columns)
            lines.push_back(std::exchange(line, {}));
        if (!word.empty())
            line += (line.empty() ? L"" : L" ") + word;
        if (end < text.size() && text[end] == L'\n')
            lines.push_back(std::exchange(line, {}));
        at = end + 1;
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

}  // namespace quorvex
