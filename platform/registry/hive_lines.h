#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex {

// The lines of a hive's text, one at a time, as HiveLine classifies them: decoded from
// UTF-8, without line feeds, and each value whose hex data ends in a backslash joined with
// the lines it goes on over. A byte-order mark before the first line is skipped. Reads
// `text`, which must outlive it, and nothing else; one thread at a time.
class HiveLines {
public:
    enum class Ending {
        LineFeed,  // the line's last part ends with a line feed
        TextEnd,   // the text ends inside the line's last part: it may have been cut short
        RunsOn,    // the line goes on past the end of the text: cut short, or being written
        TooLong,   // the line goes on past the size of any value: not understood
    };

    struct Line {
        std::size_t begin = 0;  // bytes of the text, line feeds included
        std::size_t end = 0;
        std::wstring text;
        Ending ending = Ending::LineFeed;
    };

    enum class Result {
        Line,     // `line` holds the next line
        End,      // there are no more lines
        NotText,  // the next line is not UTF-8
    };

    explicit HiveLines(std::string_view text);

    Result Next(Line& line);

private:
    // The next line's bytes from `position` on, decoded; false when they are no UTF-8.
    bool Decode(std::wstring& decoded, bool& lineFeed);

    std::string_view text;
    std::size_t position = 0;
};

}  // namespace quorvex
