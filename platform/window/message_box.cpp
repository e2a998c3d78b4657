#include "platform/window/message_box.h"

#include <algorithm>

#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "platform/window/word_wrap.h"

namespace quorvex {

MessageBox::MessageBox(Window* owner, std::wstring_view text, std::wstring_view caption,
                       std::uint32_t type)
    : owner(owner), text(text), caption(caption), type(type)
{
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            buttons = {IDOK, IDCANCEL};
            break;
        case MB_YESNO:
            buttons = {IDYES, IDNO};
            break;
        case MB_YESNOCANCEL:
            buttons = {IDYES, IDNO, IDCANCEL};
            break;
        default:
            buttons = {IDOK};
            break;
    }
}

int MessageBox::Show(Window* owner, std::wstring_view text, std::wstring_view caption,
                     std::uint32_t type)
{
    WindowSystem* system = WindowSystem::Current();
    if (!system)
        return IDCANCEL;
    MessageBox box(owner, text, caption, type);
    system->PushMessageBox(box);
    system->ShowingMessageBox(box);
    system->RunUntil(box.answered);
    system->PopMessageBox(box);
    return box.answer;
}

std::wstring_view MessageBox::ButtonText(int answer)
{
    switch (answer) {
        case IDOK:
            return L"OK";
        case IDCANCEL:
            return L"Cancel";
        case IDYES:
            return L"Yes";
        case IDNO:
            return L"No";
        default:
            return L"?";
    }
}

void MessageBox::FocusButton(int index)
{
    focused = std::clamp(index, 0, static_cast<int>(buttons.size()) - 1);
    if (WindowSystem* system = WindowSystem::Current())
        system->NoteChanged();
}

bool MessageBox::Answer(int value)
{
    if (answered || std::find(buttons.begin(), buttons.end(), value) == buttons.end())
        return false;
    answer = value;
    answered = true;
    return true;
}

MessageBox::Layout MessageBox::Arrange(Size screen, Size cell) const
{
    constexpr int kMaxColumns = 40;
    constexpr int kButtonColumns = 8;
    Layout layout;
    const int cw = std::max(cell.cx, 1);
    const int ch = std::max(cell.cy, 1);
    const int columns = std::clamp(screen.cx / cw - 2, 12, kMaxColumns);
    // The icon's square, in whole columns, and one column between it and the text.
    const int iconRows = Icon() != 0 ? 2 : 0;
    const int iconColumns = iconRows > 0 ? (iconRows * ch + cw - 1) / cw : 0;
    const int textIndent = iconColumns > 0 ? iconColumns + 1 : 0;
    const int textColumns = std::max(columns - 4 - textIndent, 4);
    layout.lines = WordWrap::Lines(text, textColumns);
    // Caption row, a blank, the text (beside the icon), a blank, the buttons, the frame's
    // last row.
    const int textRows = std::max(static_cast<int>(layout.lines.size()), iconRows);
    const int rows = textRows + 5;
    const int width = columns * cw;
    const int height = rows * ch;
    const int left = std::max((screen.cx - width) / 2 / cw * cw, 0);
    const int top = std::max((screen.cy - height) / 2 / ch * ch, 0);
    layout.box = {left, top, left + width, top + height};
    if (iconRows > 0) {
        const int iconLeft = left + 2 * cw;
        const int iconTop = top + 2 * ch;
        layout.icon = {iconLeft, iconTop, iconLeft + iconRows * ch, iconTop + iconRows * ch};
    }
    layout.text = {left + (2 + textIndent) * cw, top + 2 * ch};
    const int count = static_cast<int>(buttons.size());
    const int span = count * kButtonColumns + (count - 1) * 2;
    int x = left + (columns - span) / 2 * cw;
    const int y = top + (rows - 2) * ch;
    for (int i = 0; i < count; ++i) {
        layout.buttons.push_back({x, y, x + kButtonColumns * cw, y + ch});
        x += (kButtonColumns + 2) * cw;
    }
    return layout;
}

}  // namespace quorvex
