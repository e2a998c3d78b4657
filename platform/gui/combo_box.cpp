#include "platform/gui/combo_box.h"

#include "platform/window/combo_box_window.h"

namespace quorvex {

ComboBoxWindow* ComboBox::List() const
{
    // Accepts lets only lists in, so the cast is safe.
    return static_cast<ComboBoxWindow*>(GetWindow());
}

bool ComboBox::Accepts(const Window& window) const
{
    return window.GetClassName() == ComboBoxWindow::kClass;
}

void ComboBox::ResetContent()
{
    if (ComboBoxWindow* list = List())
        list->ResetContent();
}

int ComboBox::AddString(std::wstring_view text)
{
    ComboBoxWindow* list = List();
    return list ? list->AddString(text) : -1;
}

bool ComboBox::SetItemData(int index, std::int32_t value)
{
    ComboBoxWindow* list = List();
    return list && list->SetItemData(index, value);
}

std::int32_t ComboBox::GetItemData(int index) const
{
    ComboBoxWindow* list = List();
    return list ? list->GetItemData(index) : -1;
}

int ComboBox::SetCurSel(int index)
{
    ComboBoxWindow* list = List();
    return list ? list->SetCurSel(index) : -1;
}

int ComboBox::GetCurSel() const
{
    ComboBoxWindow* list = List();
    return list ? list->GetCurSel() : -1;
}

int ComboBox::GetCount() const
{
    ComboBoxWindow* list = List();
    return list ? list->GetCount() : 0;
}

std::wstring ComboBox::GetItemText(int index) const
{
    ComboBoxWindow* list = List();
    return list ? list->GetItemText(index) : std::wstring();
}

}  // namespace quorvex
