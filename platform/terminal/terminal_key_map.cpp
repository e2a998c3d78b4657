#include "platform/terminal/terminal_key_map.h"

#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace quorvex {
namespace {

constexpr std::uint32_t kEscape = 27;
constexpr std::uint32_t kCtrlC = 3;
constexpr std::uint32_t kCtrlO = 15;
// An X10 mouse report, ESC [ M, is followed by three raw bytes: button, column and row.
constexpr int kMouseReportBytes = 3;

using Kind = TerminalKeyMap::Action::Kind;

TerminalKeyMap::Action Press(Key key)
{
    return {Kind::Press, key};
}

}  // namespace

TerminalKeyMap::Action TerminalKeyMap::Plain(std::uint32_t ch, bool function) const
{
    if (function) {
        switch (ch) {
            case KEY_RESIZE:
                return {Kind::Resize};
            case KEY_MOUSE:
                return {Kind::Mouse};
            case KEY_BTAB:
                return Press(Key::BackTab);
            case KEY_ENTER:
                return Press(Key::Enter);
            case KEY_UP:
                return Press(Key::Up);
            case KEY_DOWN:
                return Press(Key::Down);
            case KEY_LEFT:
                return Press(Key::Left);
            case KEY_RIGHT:
                return Press(Key::Right);
            case KEY_HOME:
                return Press(Key::Home);
            case KEY_END:
                return Press(Key::End);
            case KEY_F(10):
                return Press(Key::CaptionOk);
            default:
                return {};
        }
    }
    switch (ch) {
        case L'\t':
            return Press(Key::Tab);
        case L'\r':
        case L'\n':
            return Press(Key::Enter);
        case L' ':
            return Press(Key::Space);
        case kEscape:
            return Press(Key::Escape);
        case kCtrlO:
            return Press(Key::CaptionOk);
        case kCtrlC:
            return {Kind::Close};
        default:
            return {};
    }
}

TerminalKeyMap::Action TerminalKeyMap::Take(std::uint32_t ch, bool function,
                                            std::chrono::steady_clock::time_point now)
{
    // A function key, a control character or a late character is never part of a split
    // sequence: it ends whatever piece was being dropped.
    const bool piece = !function && now - escapeAt <= kPieceWindow &&
                       (state == State::MouseBytes || (ch >= 0x20 && ch < 0x7F));
    const State was = piece ? state : State::Plain;
    state = State::Plain;
    switch (was) {
        case State::Plain:
            break;
        case State::AfterEscape:
            if (ch == L'[') {
                state = State::Csi;
                return {};
            }
            if (ch == L'O') {
                state = State::SingleShift;
                return {};
            }
            break;
        case State::Csi:
        case State::CsiParameters:
            if (ch >= 0x20 && ch < 0x40) {
                state = State::CsiParameters;
                return {};
            }
            if (ch == L'M' && was == State::Csi) {
                state = State::MouseBytes;
                mouseBytesLeft = kMouseReportBytes;
            }
            return {};  // the sequence's final character
        case State::SingleShift:
            return {};
        case State::MouseBytes:
            if (--mouseBytesLeft > 0)
                state = State::MouseBytes;
            return {};
    }
    if (!function && ch == kEscape) {
        state = State::AfterEscape;
        escapeAt = now;
    }
    return Plain(ch, function);
}

}  // namespace quorvex
