#pragma once

#include <optional>

#include "platform/window/input_event.h"

namespace quorvex {

// The window's keys as the model knows them, the same as the terminal's (input_event.h says
// what each does): Tab, Shift-Tab, Enter (either), Space, the arrows, Home, End, Esc, and
// F10 or Ctrl-O for the caption's OK. Every other key means nothing.
class PixelKeyMap {
public:
    // `qtKey` is a Qt::Key; `control` and `shift` whether Ctrl and Shift were held.
    static std::optional<Key> For(int qtKey, bool control, bool shift);
};

}  // namespace quorvex
