#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/gui/control.h"

namespace quorvex {

class ComboBoxWindow;

// A drop-down list item bound by id. Items carry 32-bit values; -1 stands for no selection
// and is also what an unbound list or a missing item answers. SetCurSel by the program
// sends no CBN_SELCHANGE. UI thread only.
class ComboBox : public Control {
public:
    void ResetContent();
    int AddString(std::wstring_view text);  // the new item's index, -1 on failure
    bool SetItemData(int index, std::int32_t value);
    std::int32_t GetItemData(int index) const;
    int SetCurSel(int index);
    int GetCurSel() const;
    int GetCount() const;
    std::wstring GetItemText(int index) const;

protected:
    bool Accepts(const Window& window) const override;

private:
    ComboBoxWindow* List() const;
};

}  // namespace quorvex
