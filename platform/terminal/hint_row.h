#pragma once

#include <string>

namespace quorvex {

// What the terminal's last row says: the main keys, or that the terminal is too small for
// the dialog. Items are shown whole or not at all, in their usual order; as the row grows
// narrow, the items that matter least go first. "F10: OK" stays longest, as the way out;
// then "Ctrl-C: quit" among the keys, and the reason on a terminal too small, which needs
// it more than a second way out. Any thread.
class HintRow {
public:
    // The row's text for a terminal `columns` wide: a space, then the items three spaces
    // apart; never longer than `columns`.
    static std::wstring Compose(int columns, bool tooSmall);
};

}  // namespace quorvex
