#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/window/window.h"

namespace quorvex {

// A list box: rows of text, one selection (-1 for none). The program's own selection sends
// no notification. LB_GETCURSEL and LB_SETCURSEL reach the same operations. UI thread only.
class ListBoxWindow : public Window {
public:
    static constexpr std::wstring_view kClass = L"listbox";

    int AddString(std::wstring_view text);  // the new row's index
    int GetCount() const { return static_cast<int>(rows.size()); }
    std::wstring GetText(int index) const;
    int SetCurSel(int index);  // -1 clears; returns the index, -1 when out of range
    int GetCurSel() const { return selection; }

protected:
    LRESULT WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<std::wstring> rows;
    int selection = -1;
};

}  // namespace quorvex
