#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// The one rule by which the model's texts break into lines of character cells, for message
// boxes and for static texts alike.
class WordWrap {
public:
    // `text` in lines of at most `width` cells: broken at spaces and after each line feed
    // (which may leave an empty line); a word longer than a line is cut.
    static std::vector<std::wstring> Lines(std::wstring_view text, int width);
};

}  // namespace quorvex
