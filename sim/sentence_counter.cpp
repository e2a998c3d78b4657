#include "sim/sentence_counter.h"

namespace quorvex {
namespace {

int HexDigit(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void SentenceCounter::Add(std::span<const unsigned char> piece)
{
    bytes += piece.size();
    for (const unsigned char c : piece) {
        if (c == '\n') {
            EndLine();
        } else if (length < line.size()) {
            line[length++] = c;
        } else {
            overlong = true;
        }
    }
}

// A sentence is '$', printable text without '$' or '*', '*', two upper-case hex digits
// equal to the XOR of that text, and the line's end.
void SentenceCounter::EndLine()
{
    std::size_t end = length;
    if (end > 0 && line[end - 1] == '\r')
        --end;
    bool valid = !overlong && end >= 4 && line[0] == '$' && line[end - 3] == '*';
    if (valid) {
        unsigned sum = 0;
        for (std::size_t i = 1; i + 3 < end && valid; ++i) {
            const unsigned char c = line[i];
            valid = c >= 0x20 && c <= 0x7E && c != '$' && c != '*';
            sum ^= c;
        }
        const int high = HexDigit(line[end - 2]);
        const int low = HexDigit(line[end - 1]);
        valid = valid && high >= 0 && low >= 0 && static_cast<unsigned>(high * 16 + low) == sum;
    }
    ++(valid ? sentences : otherLines);
    length = 0;
    overlong = false;
}

}  // namespace quorvex
