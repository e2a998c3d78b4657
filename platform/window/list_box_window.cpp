#include "platform/window/list_box_window.h"

namespace quorvex {

int ListBoxWindow::AddString(std::wstring_view text)
{
    rows.emplace_back(text);
    NoteChanged();
    return GetCount() - 1;
}

std::wstring ListBoxWindow::GetText(int index) const
{
    return index >= 0 && index < GetCount() ? rows[index] : std::wstring();
}

int ListBoxWindow::SetCurSel(int index)
{
    selection = index >= 0 && index < GetCount() ? index : -1;
    NoteChanged();
    return selection == index ? index : -1;
}

LRESULT ListBoxWindow::WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    if (message == LB_GETCURSEL)
        return GetCurSel();
    if (message == LB_SETCURSEL)
        return SetCurSel(static_cast<int>(static_cast<LPARAM>(wParam)));
    return Window::WindowProc(message, wParam, lParam);
}

}  // namespace quorvex
