#pragma once

#include <chrono>
#include <cstdint>

#include "platform/window/input_event.h"

namespace quorvex {

// Turns what the terminal library reads, one character or function-key code at a time,
// into what the display does with it:
//
//   Tab, Shift-Tab         Tab, BackTab          Enter, Space        Enter, Space
//   Esc                    Escape                arrows, Home, End   the same keys
//   F10 or Ctrl-O          CaptionOk             Ctrl-C              a close request
//   a resize, a mouse report                     read by the display
//
// A slow link can split an escape sequence (an arrow key, a mouse report) so that its Esc
// arrives alone, after the terminal library stopped waiting for the rest; the rest then
// comes as plain characters. Those pieces are dropped instead of read as keys: a mouse
// report's button byte would otherwise be a Space that presses the focused control.
// Owner's thread only.
class TerminalKeyMap {
public:
    struct Action {
        enum class Kind { None, Press, Close, Resize, Mouse };
        Kind kind = Kind::None;
        Key key = Key::Tab;
    };

    // `ch` is a character, or with `function` a function-key code; `now` is when it was read.
    Action Take(std::uint32_t ch, bool function, std::chrono::steady_clock::time_point now);

    // How long after a lone Esc its sequence's rest may still come.
    static constexpr std::chrono::milliseconds kPieceWindow{1000};

private:
    enum class State { Plain, AfterEscape, Csi, CsiParameters, SingleShift, MouseBytes };

    Action Plain(std::uint32_t ch, bool function) const;

    State state = State::Plain;
    int mouseBytesLeft = 0;
    std::chrono::steady_clock::time_point escapeAt{};
};

}  // namespace quorvex
