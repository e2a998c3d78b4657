#include "platform/window/combo_box_window.h"

#include <algorithm>

#include "platform/window/window_system.h"

namespace quorvex {

void ComboBoxWindow::ResetContent()
{
    items.clear();
    selection = -1;
    highlight = -1;
    firstVisible = 0;
    NoteChanged();
}

int ComboBoxWindow::AddString(std::wstring_view text)
{
    items.push_back({std::wstring(text), 0});
    NoteChanged();
    return GetCount() - 1;
}

std::wstring ComboBoxWindow::GetItemText(int index) const
{
    return index >= 0 && index < GetCount() ? items[index].text : std::wstring();
}

bool ComboBoxWindow::SetItemData(int index, std::int32_t value)
{
    if (index < 0 || index >= GetCount())
        return false;
    items[index].value = value;
    return true;
}

std::int32_t ComboBoxWindow::GetItemData(int index) const
{
    return index >= 0 && index < GetCount() ? items[index].value : -1;
}

int ComboBoxWindow::SetCurSel(int index)
{
    if (index < -1 || index >= GetCount()) {
        // As on the handheld: an index out of range clears the selection and reports -1.
        selection = -1;
        NoteChanged();
        return -1;
    }
    selection = index;
    NoteChanged();
    return index;
}

Rect ComboBoxWindow::AdjustRect(const Rect& asked)
{
    droppedHeight = asked.Height();
    const int row = System() ? System()->CellPixels().cy : asked.Height();
    return {asked.left, asked.top, asked.right,
            asked.top + std::min(row, std::max(asked.Height(), 0))};
}

int ComboBoxWindow::VisibleRows() const
{
    if (!System())
        return 1;
    const int row = std::max(System()->CellPixels().cy, 1);
    const int rows = std::max(droppedHeight - RectInParent().Height(), row) / row;
    return std::clamp(rows, 1, std::max(GetCount(), 1));
}

Rect ComboBoxWindow::ListRect() const
{
    if (!System())
        return {};
    const Rect field = GetWindowRect();
    const int height = VisibleRows() * System()->CellPixels().cy;
    if (field.bottom + height > System()->ScreenPixels().cy && field.top - height >= 0)
        return {field.left, field.top - height, field.right, field.top};
    return {field.left, field.bottom, field.right, field.bottom + height};
}

void ComboBoxWindow::OpenByUser()
{
    firstVisible = 0;
    MoveHighlight(selection >= 0 ? selection : 0);
}

void ComboBoxWindow::MoveHighlight(int to)
{
    if (items.empty()) {
        highlight = -1;
        return;
    }
    highlight = std::clamp(to, 0, GetCount() - 1);
    const int rows = VisibleRows();
    if (highlight < firstVisible)
        firstVisible = highlight;
    else if (highlight >= firstVisible + rows)
        firstVisible = highlight - rows + 1;
    NoteChanged();
}

void ComboBoxWindow::ChooseByUser()
{
    if (highlight < 0 || highlight == selection)
        return;
    selection = highlight;
    NoteChanged();
    if (Window* owner = GetParent())
        owner->SendMessage(WM_COMMAND,
                           MAKEWPARAM(static_cast<std::uint16_t>(GetDlgCtrlID()), CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(this));
}

}  // namespace quorvex
