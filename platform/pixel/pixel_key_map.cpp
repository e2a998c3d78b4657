#include "platform/pixel/pixel_key_map.h"

#include <Qt>

namespace quorvex {

std::optional<Key> PixelKeyMap::For(int qtKey, bool control, bool shift)
{
    if (control)
        return qtKey == Qt::Key_O ? std::optional(Key::CaptionOk) : std::nullopt;
    switch (qtKey) {
        case Qt::Key_Tab:
            // Most platforms report Shift-Tab as Backtab; some as Tab with Shift.
            return shift ? Key::BackTab : Key::Tab;
        case Qt::Key_Backtab:
            return Key::BackTab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Key::Enter;
        case Qt::Key_Space:
            return Key::Space;
        case Qt::Key_Escape:
            return Key::Escape;
        case Qt::Key_Up:
            return Key::Up;
        case Qt::Key_Down:
            return Key::Down;
        case Qt::Key_Left:
            return Key::Left;
        case Qt::Key_Right:
            return Key::Right;
        case Qt::Key_Home:
            return Key::Home;
        case Qt::Key_End:
            return Key::End;
        case Qt::Key_F10:
            return Key::CaptionOk;
        default:
            return std::nullopt;
    }
}

}  // namespace quorvex
